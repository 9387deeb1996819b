// The window against a simulated device on a pseudo-terminal: connecting,
// logging in, losing the device, closing, and the configuration transfer.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <fstream>
#include <iterator>
#include <memory>

#include "app/login_dialog.h"
#include "editors/config_file.h"
#include "editors/editor_frame.h"
#include "link/codec.h"
#include "recording_prompts.h"
#include "sim/sim_device.h"
#include "window_helpers.h"

namespace {

QString U(const char* text) {
  return QString::fromUtf8(text);
}

class WindowSimTest : public ::testing::Test {
 protected:
  void Start(TSimOptions options = {}, TEditorFactory factory = {}) {
    FSim = std::make_unique<TSimDevice>(options);
    FPorts = {FSim->Path()};
    FWindow = std::make_unique<TfrmMain>(
        &FPrompts, [this] { return FPorts; }, std::move(factory));
  }
  void ConnectAndLogIn() {
    FWindow->btnConnect->click();
    ASSERT_TRUE(WaitUntil([&] { return FWindow->LinkState() == lsLoggedIn; }));
  }
  long Logins(const char* password) {
    return Count(FSim->Requests(), std::string("<login<") + password + ">>");
  }
  // Enabled states of the controls the link state sets.
  void ExpectButtons(bool loggedIn, bool withEditor) {
    EXPECT_EQ(FWindow->btnConfigRead->isEnabled(), loggedIn && withEditor);
    EXPECT_EQ(FWindow->btnConfigSave->isEnabled(), loggedIn && withEditor);
    EXPECT_EQ(FWindow->btnChangePass->isEnabled(), loggedIn);
    EXPECT_EQ(FWindow->btnFlash->isEnabled(), loggedIn);
    EXPECT_FALSE(FWindow->btnTCP->isEnabled());
    EXPECT_EQ(FWindow->btnUsb->isEnabled(), FWindow->LinkState() == lsDisconnected);
  }

  std::unique_ptr<TSimDevice> FSim;
  std::vector<std::string> FPorts;
  TRecordingPrompts FPrompts;
  std::unique_ptr<TfrmMain> FWindow;
};

TEST_F(WindowSimTest, TheDefaultPasswordLogsInWithoutTheDialog) {
  Start();
  EXPECT_EQ(FWindow->LinkState(), lsDisconnected);
  EXPECT_EQ(FWindow->lblVersion->text(), U("Прибор"));
  EXPECT_FALSE(FWindow->btnExport->isEnabled());
  EXPECT_TRUE(FWindow->btnImport->isEnabled());
  ExpectButtons(false, false);

  FWindow->btnConnect->click();
  EXPECT_EQ(FWindow->LinkState(), lsConnecting);
  EXPECT_TRUE(FWindow->btnConnect->isChecked());
  EXPECT_EQ(FWindow->btnConnect->text(), U("Отключить"));
  ExpectButtons(false, false);

  bool dialogSeen = false;
  ASSERT_TRUE(WaitUntil([&] {
    if (FWindow->LoginDialog() != nullptr && FWindow->LoginDialog()->isVisible()) dialogSeen = true;
    return FWindow->LinkState() == lsLoggedIn;
  }));
  EXPECT_FALSE(dialogSeen);
  EXPECT_EQ(FWindow->LoginDialog(), nullptr);
  EXPECT_EQ(Logins("9072"), 1);
  EXPECT_TRUE(FPrompts.Boxes.empty());
  ASSERT_NE(FWindow->Editor(), nullptr);
  EXPECT_EQ(FWindow->Editor()->parentWidget(), FWindow->pnlKX);
  EXPECT_EQ(FWindow->lblVersion->text(), U("KX-41 v 9.3    FirmWare v 2.5"));
  ExpectButtons(true, true);
  EXPECT_TRUE(FWindow->btnExport->isEnabled());
  // A new editor counts as unsaved: the write button is tinted.
  EXPECT_TRUE(WaitUntil([&] { return FWindow->IsSaveTinted(); }));

  TEditorFrame* editor = FWindow->Editor();
  FWindow->btnConnect->click();  // disconnect; the question is answered No
  EXPECT_EQ(FPrompts.Texts("confirm"), std::vector<QString>{U("Сохранить конфигурацию ?")});
  EXPECT_EQ(FPrompts.Boxes.at(0).Caption, U("Конфигурация не записана"));
  EXPECT_EQ(FWindow->LinkState(), lsDisconnected);
  EXPECT_FALSE(FWindow->IsSerialOpen());
  EXPECT_FALSE(FWindow->btnConnect->isChecked());
  EXPECT_EQ(FWindow->btnConnect->text(), U("Подключить"));
  EXPECT_EQ(FWindow->Editor(), editor);
  EXPECT_EQ(FWindow->lblVersion->text(), U("KX-41 v 9.3    FirmWare v 2.5"));
  ExpectButtons(false, true);
  EXPECT_TRUE(WaitUntil([&] { return !FWindow->IsSaveTinted(); }));
}

TEST_F(WindowSimTest, RefusedPasswordsShowTheDialogThenTheMessage) {
  TSimOptions options;
  options.Password = "1234";
  Start(options);
  FWindow->btnConnect->click();
  ASSERT_TRUE(WaitUntil(
      [&] { return FWindow->LoginDialog() != nullptr && FWindow->LoginDialog()->isVisible(); }));
  EXPECT_TRUE(FPrompts.Texts("plain").empty());  // the first refusal only shows the dialog

  TfrmLogin* dialog = FWindow->LoginDialog();
  dialog->edtPass->setText("0000");
  dialog->btnOK->click();
  ASSERT_TRUE(WaitUntil([&] { return !FPrompts.Texts("plain").empty(); }));
  EXPECT_EQ(FPrompts.Texts("plain"), std::vector<QString>{U("Неверный пароль!")});
  EXPECT_EQ(FWindow->LoginDialog(), dialog);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(FWindow->LinkState(), lsAwaitingLogin);

  dialog->edtPass->setText("1234");
  dialog->btnOK->click();
  ASSERT_TRUE(WaitUntil([&] { return FWindow->LinkState() == lsLoggedIn; }));
  EXPECT_EQ(FWindow->LoginDialog(), nullptr);
  EXPECT_EQ(FWindow->Password(), "1234");
  EXPECT_EQ(FPrompts.Texts("plain").size(), 1u);
}

TEST_F(WindowSimTest, ASilentDeviceDropsTheLoginAndKeepsTheEditor) {
  Start();
  ConnectAndLogIn();
  TEditorFrame* editor = FWindow->Editor();
  ASSERT_NE(editor, nullptr);

  FSim->SetSilent(true);
  ASSERT_TRUE(WaitUntil([&] { return FWindow->LinkState() == lsConnecting; }));
  ExpectButtons(false, true);
  EXPECT_EQ(FWindow->Editor(), editor);

  FSim->SetSilent(false);
  ASSERT_TRUE(WaitUntil([&] { return FWindow->LinkState() == lsLoggedIn; }));
  EXPECT_EQ(Logins("9072"), 2);          // the default password again, not the last one sent
  EXPECT_EQ(FWindow->Editor(), editor);  // same versions keep the editor
  ExpectButtons(true, true);
}

TEST_F(WindowSimTest, KeysReachTheEditorOnlyAfterTheLogin) {
  TSimOptions options;
  options.Password = "1234";
  TFakeFactory factory;
  Start(options, factory.Factory());
  FWindow->btnConnect->click();
  ASSERT_TRUE(WaitUntil(
      [&] { return FWindow->LoginDialog() != nullptr && FWindow->LoginDialog()->isVisible(); }));
  ASSERT_NE(Fake(*FWindow), nullptr);

  const std::size_t before = FSim->Requests().size();
  FSim->QueueKey("ABCDEF");
  ASSERT_TRUE(WaitUntil([&] { return FSim->Requests().size() >= before + 3; }));
  RunFor(500);
  EXPECT_TRUE(Fake(*FWindow)->Keys.empty());

  FWindow->LoginDialog()->edtPass->setText("1234");
  FWindow->LoginDialog()->btnOK->click();
  ASSERT_TRUE(WaitUntil([&] { return FWindow->LinkState() == lsLoggedIn; }));
  FSim->QueueKey("123456");
  ASSERT_TRUE(WaitUntil([&] { return !Fake(*FWindow)->Keys.empty(); }));
  RunFor(500);
  EXPECT_EQ(Fake(*FWindow)->Keys, std::vector<std::string>{"<key>123456"});
}

TEST_F(WindowSimTest, APulledCableDisconnects) {
  Start();
  ConnectAndLogIn();
  FSim->Disappear();
  FPorts.clear();
  ASSERT_TRUE(WaitUntil([&] { return FWindow->LinkState() == lsDisconnected; }));
  EXPECT_FALSE(FWindow->IsSerialOpen());
  EXPECT_FALSE(FWindow->btnConnect->isChecked());
  EXPECT_EQ(FWindow->btnConnect->text(), U("Подключить"));
  EXPECT_NE(FWindow->Editor(), nullptr);
  ExpectButtons(false, true);
}

TEST_F(WindowSimTest, ClosingWithUnsavedChangesAsksBothQuestions) {
  Start();
  ConnectAndLogIn();
  FWindow->show();

  FPrompts.Answers = {false};  // stay
  EXPECT_FALSE(FWindow->close());
  EXPECT_EQ(FWindow->LinkState(), lsLoggedIn);
  EXPECT_TRUE(FWindow->isVisible());

  FPrompts.Boxes.clear();
  FPrompts.Answers = {true, false};  // leave without saving
  EXPECT_TRUE(FWindow->close());
  EXPECT_EQ(FPrompts.Texts("confirm"),
            (std::vector<QString>{U("Вы уверены что хотите выйти без сохранения конфигурации ?"),
                                  U("Сохранить конфигурацию ?")}));
  EXPECT_EQ(FPrompts.Boxes.at(0).Caption, U("Конфигурация не записана"));
  EXPECT_EQ(FWindow->LinkState(), lsDisconnected);
  EXPECT_FALSE(FWindow->IsSerialOpen());
}

TEST_F(WindowSimTest, ThePortMenuOffersNoneOneOrSeveralPorts) {
  Start();
  FPorts.clear();
  FWindow->btnConnect->click();
  ASSERT_EQ(FPrompts.Boxes.size(), 1u);
  EXPECT_EQ(FPrompts.Boxes[0].Kind, "error");
  EXPECT_EQ(FPrompts.Boxes[0].Caption, "Error");
  EXPECT_EQ(FPrompts.Boxes[0].Text, U("Кабель не подключен!"));
  EXPECT_FALSE(FWindow->btnConnect->isChecked());
  EXPECT_EQ(FWindow->LinkState(), lsDisconnected);

  FPrompts.Boxes.clear();
  FPorts = {"/dev/pts/no-such-port", FSim->Path()};
  FWindow->btnConnect->click();
  EXPECT_EQ(FWindow->LinkState(), lsDisconnected);
  ASSERT_TRUE(WaitUntil([&] { return FWindow->pmSerialPort->isVisible(); }));
  QList<QAction*> items = FWindow->pmSerialPort->actions();
  ASSERT_EQ(items.size(), 2);
  EXPECT_EQ(items[0]->text().toStdString(), FPorts[0]);
  EXPECT_EQ(items[1]->text().toStdString(), FPorts[1]);

  items[0]->trigger();  // a port that cannot be opened
  ASSERT_EQ(FPrompts.Boxes.size(), 1u);
  EXPECT_EQ(FPrompts.Boxes[0].Caption, "Error");
  EXPECT_TRUE(FPrompts.Boxes[0].Text.startsWith(U("Ошиба открытия порта!")));
  EXPECT_FALSE(FWindow->btnConnect->isChecked());
  EXPECT_EQ(FWindow->LinkState(), lsDisconnected);

  FWindow->pmSerialPort->hide();
  FWindow->btnConnect->click();
  ASSERT_TRUE(WaitUntil([&] { return FWindow->pmSerialPort->isVisible(); }));
  FWindow->pmSerialPort->actions().at(1)->trigger();
  EXPECT_EQ(FWindow->LinkState(), lsConnecting);
  EXPECT_EQ(FWindow->PortName(), FSim->Path());
  EXPECT_TRUE(FWindow->btnConnect->isChecked());
  ASSERT_TRUE(WaitUntil([&] { return FWindow->LinkState() == lsLoggedIn; }));
}

TEST_F(WindowSimTest, ReadsAndWritesTheConfiguration) {
  Start();
  ConnectAndLogIn();
  IKXConfig* config = FWindow->Config();
  ASSERT_NE(config, nullptr);

  FWindow->btnConfigRead->click();
  ASSERT_TRUE(WaitUntil([&] { return !FPrompts.Texts("plain").empty(); }));
  EXPECT_EQ(FPrompts.Texts("plain"), std::vector<QString>{U("Конфигурация прочитана успешно!")});
  EXPECT_EQ(FWindow->SavedJson(), config->ToJson());
  EXPECT_TRUE(WaitUntil([&] { return !FWindow->IsSaveTinted(); }));

  const std::string image = config->ToDevice();
  FWindow->btnConfigSave->click();
  ASSERT_TRUE(WaitUntil([&] { return FPrompts.Texts("plain").size() == 2; }));
  EXPECT_EQ(FPrompts.Texts("plain")[1], U("Конфигурация записана успешно!"));
  EXPECT_EQ(FSim->LastWrittenImage(), image);
  EXPECT_EQ(Count(FSim->Requests(), ConfigWriteFrame(image)), 1);

  FSim->SetWriteError("7");
  FWindow->btnConfigSave->click();
  ASSERT_TRUE(WaitUntil([&] { return FPrompts.Texts("plain").size() == 3; }));
  EXPECT_EQ(FPrompts.Texts("plain")[2], U("Ошибка записи конфигурации 7 !"));
  EXPECT_EQ(FWindow->LinkState(), lsLoggedIn);
}

std::string ReadFixture(const char* name) {
  std::ifstream in(std::string(TW_FIXTURES_DIR) + "/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A technician's whole round: read a KX-41, change a phone and the PIN, write
// it back, save it, change something else and open the file again.
TEST_F(WindowSimTest, Kx41EndToEnd) {
  const std::string original = ReadFixture("kx41_full.bin");
  ASSERT_EQ(original.size(), 194u);
  TSimOptions options;
  options.Image = original;
  Start(options);
  ConnectAndLogIn();
  QWidget* frame = FWindow->Editor();
  ASSERT_NE(frame, nullptr);
  auto* phone1 = frame->findChild<QLineEdit*>("edtPhone1");
  auto* phone2 = frame->findChild<QLineEdit*>("edtPhone2");
  ASSERT_TRUE(phone1 != nullptr && phone2 != nullptr);

  FWindow->btnConfigRead->click();
  ASSERT_TRUE(
      WaitUntil([&] { return FPrompts.Shown("plain", U("Конфигурация прочитана успешно!")); }));
  EXPECT_EQ(phone1->text(), "+375291234567");
  EXPECT_TRUE(WaitUntil([&] { return !FWindow->IsSaveTinted(); }));

  phone1->selectAll();
  QTest::keyClicks(phone1, "9031234567");
  EXPECT_EQ(phone1->text(), "9031234567");
  EXPECT_TRUE(WaitUntil([&] { return FWindow->IsSaveTinted(); }));

  FPrompts.OnExec = [](QDialog& dialog) {
    dialog.findChild<QLineEdit*>("edtCurrPass")->setText("1234");
    dialog.findChild<QLineEdit*>("edtNewPass")->setText("4321");
    dialog.findChild<QLineEdit*>("edtNewPassCheck")->setText("4321");
    return int(QDialog::Accepted);
  };
  frame->findChild<QPushButton*>("btnChangePin")->click();

  // What the device must receive: the read image with the new PIN at 0 and the
  // new phone at 7, the rest of both fields cleared.
  std::string expected = original;
  expected.replace(0, 6, std::string("4321\0\0", 6));
  expected.replace(7, 16, std::string("9031234567") + std::string(6, '\0'));
  std::string frameBytes = "<config<#";
  frameBytes += "\xC3\x01";  // 195 bytes: the image and its checksum
  frameBytes += expected;
  frameBytes += static_cast<char>(Crc8(expected));
  frameBytes += ">>";

  FWindow->btnConfigSave->click();
  ASSERT_TRUE(
      WaitUntil([&] { return FPrompts.Shown("plain", U("Конфигурация записана успешно!")); }));
  EXPECT_EQ(FSim->LastWrittenImage(), expected);
  EXPECT_EQ(Count(FSim->Requests(), frameBytes), 1);
  EXPECT_TRUE(WaitUntil([&] { return !FWindow->IsSaveTinted(); }));

  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  FPrompts.Files.push_back(dir.filePath("office.txt"));
  FWindow->btnExport->click();
  const std::string saved = dir.filePath("office.cfg").toStdString();
  std::string text, error;
  ASSERT_TRUE(ReadWholeFile(saved, text, error)) << error;
  EXPECT_EQ(ReadFileVersions(text).Hw, "9.3");
  EXPECT_EQ(ReadFileVersions(text).Sw, "2.5");
  EXPECT_NE(text.find("\"9031234567\""), std::string::npos);

  phone2->selectAll();
  QTest::keyClicks(phone2, "1111111111");
  EXPECT_TRUE(WaitUntil([&] { return FWindow->IsSaveTinted(); }));

  FPrompts.Answers.push_back(false);  // "Сохранить конфигурацию ?" - No
  FPrompts.Files.push_back(QString::fromStdString(saved));
  FWindow->btnImport->click();
  EXPECT_EQ(phone2->text(), "9161234567");
  EXPECT_EQ(phone1->text(), "9031234567");
  EXPECT_EQ(FWindow->Config()->ToDevice(), expected);
  EXPECT_TRUE(WaitUntil([&] { return !FWindow->IsSaveTinted(); }));
  EXPECT_TRUE(FPrompts.Texts("error").empty());
}

TEST_F(WindowSimTest, AnOverlongFieldIsReportedAndNothingIsSent) {
  TFakeFactory factory;
  Start({}, factory.Factory());
  ConnectAndLogIn();
  Fake(*FWindow)->TooLong = true;
  FWindow->btnConfigSave->click();
  ASSERT_EQ(FPrompts.Texts("error").size(), 1u);
  EXPECT_TRUE(FPrompts.Texts("error")[0].contains(U("Телефон 1")));
  const std::size_t before = FSim->Requests().size();
  ASSERT_TRUE(WaitUntil([&] { return FSim->Requests().size() >= before + 3; }));
  for (const std::string& request : FSim->Requests())
    EXPECT_NE(request.rfind("<config<#", 0), 0u) << "a write was sent";
}

TEST_F(WindowSimTest, ThePasswordChangeSendsTheNewPassword) {
  Start();
  ConnectAndLogIn();
  FPrompts.OnExec = [](QDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), U("Новый пароль доступа"));
    dialog.findChild<QLineEdit*>("edtCurrPass")->setText("9072");
    dialog.findChild<QLineEdit*>("edtNewPass")->setText("4321");
    dialog.findChild<QLineEdit*>("edtNewPassCheck")->setText("4321");
    auto* ok = dialog.findChild<QPushButton*>("btnOk");
    EXPECT_TRUE(ok != nullptr && ok->isEnabled());
    return int(QDialog::Accepted);
  };
  FWindow->btnChangePass->click();
  EXPECT_EQ(FWindow->Password(), "4321");
  ASSERT_TRUE(WaitUntil([&] { return FSim->Password() == "4321"; }));
  EXPECT_EQ(Count(FSim->Requests(), "<password<4321>>"), 1);
}

TEST_F(WindowSimTest, TheFirmwareButtonSaysItIsNotAvailableYet) {
  Start();
  ConnectAndLogIn();
  FWindow->btnFlash->click();
  EXPECT_EQ(FPrompts.Texts("information"),
            std::vector<QString>{U("Смена прошивки в этой версии программы недоступна.")});
  RunFor(500);
  EXPECT_EQ(Count(FSim->Requests(), "<init<>>"), 0);
}

// "<" or ">" would end the frame early and set another password than the one
// typed; the change is refused and the device keeps its password.
TEST_F(WindowSimTest, APasswordThatCannotBeSentAsTypedIsRefused) {
  Start();
  ConnectAndLogIn();
  FPrompts.OnExec = [](QDialog& dialog) {
    dialog.findChild<QLineEdit*>("edtCurrPass")->setText("9072");
    dialog.findChild<QLineEdit*>("edtNewPass")->setText("12>4");
    dialog.findChild<QLineEdit*>("edtNewPassCheck")->setText("12>4");
    return int(QDialog::Accepted);
  };
  FWindow->btnChangePass->click();
  ASSERT_EQ(FPrompts.Texts("error").size(), 1u);
  EXPECT_TRUE(FPrompts.Texts("error")[0].contains("\"<\""));
  EXPECT_EQ(FWindow->Password(), "9072");
  const std::size_t before = FSim->Requests().size();
  ASSERT_TRUE(WaitUntil([&] { return FSim->Requests().size() >= before + 2; }));
  for (const std::string& request : FSim->Requests())
    EXPECT_NE(request.rfind("<password<", 0), 0u) << "a password change was sent";
  EXPECT_EQ(FSim->Password(), "9072");
}

TEST_F(WindowSimTest, ADeviceWithoutGidGetsTheProposedOne) {
  TSimOptions options;
  options.HwMinor = 10;  // 9.10
  Start(options);
  QString proposed;
  FPrompts.OnExec = [&](QDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), U("Введите GID"));
    proposed = dialog.findChild<QLineEdit*>("edtGID")->text();
    return int(QDialog::Accepted);
  };
  ConnectAndLogIn();
  ASSERT_TRUE(WaitUntil([&] { return !FPrompts.Texts("plain").empty(); }));
  EXPECT_EQ(proposed, "030B00000001");
  EXPECT_EQ(FPrompts.Texts("plain"), std::vector<QString>{U("GID записан успешно!")});
  EXPECT_EQ(FSim->Gid(), std::string("\x03\x0B\x00\x00\x00\x01", 6));
  EXPECT_EQ(
      Count(FSim->Requests(), std::string("<producer<#\x07\x03\x0B\x00\x00\x00\x01\x3C>>", 21)), 1);
  ASSERT_TRUE(WaitUntil([&] { return FWindow->lblVersion->text().contains("GID"); }));
  EXPECT_EQ(FWindow->lblVersion->text(), U("KX-41 v 9.10    FirmWare v 2.5 GID 030B00000001"));
}

TEST_F(WindowSimTest, OtherHardwareIsNeverAskedForItsGid) {
  Start();  // 9.3
  ConnectAndLogIn();
  RunFor(500);
  for (const std::string& request : FSim->Requests())
    EXPECT_NE(request.rfind("<producer<", 0), 0u) << "asked for the GID";
}

}  // namespace
