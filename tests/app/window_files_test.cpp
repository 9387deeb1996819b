// Identification, configuration replies and the file flows of the window,
// driven through its dispatcher without a device.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTemporaryDir>
#include <memory>
#include <nlohmann/json.hpp>

#include "editors/config_file.h"
#include "recording_prompts.h"
#include "window_helpers.h"

namespace {

QString U(const char* text) {
  return QString::fromUtf8(text);
}

std::string ReadText(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll().toStdString();
}

void WriteText(const QString& path, const std::string& text) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(text.data(), qint64(text.size()));
}

class WindowFilesTest : public ::testing::Test {
 protected:
  // A window whose editors are fakes (`fake`) or the real frames.
  void Make(bool fake) {
    FWindow = std::make_unique<TfrmMain>(
        &FPrompts, [] { return std::vector<std::string>{}; },
        fake ? FFactory.Factory() : TEditorFactory{});
  }
  QString Path(const char* name) const { return FDir.filePath(name); }
  // A configuration file for the given versions.
  QString FileFor(const char* name, const std::string& hw, const std::string& sw,
                  const std::string& json = "{\"phone\":\"55\"}") {
    WriteText(Path(name), RenderConfigFile(json, {hw, sw}));
    return Path(name);
  }

  QTemporaryDir FDir;
  TFakeFactory FFactory;
  TRecordingPrompts FPrompts;
  std::unique_ptr<TfrmMain> FWindow;
};

TEST_F(WindowFilesTest, VersionReportsCreateKeepAndReplaceTheEditor) {
  Make(true);
  FWindow->DispatchReply(VersionReply(0x05, 0x02, 0x03, 0x09));
  EXPECT_EQ(FWindow->lblVersion->text(), U("KX-41 v 9.3    FirmWare v 2.5"));
  EXPECT_EQ(FWindow->DeviceTitle(), U("KX-41 v 9.3    FirmWare v 2.5"));
  ASSERT_NE(Fake(*FWindow), nullptr);
  TEditorFrame* first = FWindow->Editor();
  EXPECT_EQ(Fake(*FWindow)->Variant, 0);
  EXPECT_EQ(first->parentWidget(), FWindow->pnlKX);
  EXPECT_TRUE(FWindow->btnExport->isEnabled());
  EXPECT_FALSE(FWindow->btnConfigRead->isEnabled());  // not logged in
  EXPECT_EQ(FWindow->LinkState(), lsDisconnected);

  Fake(*FWindow)->Json = "{\"phone\":\"edited\"}";
  FWindow->DispatchReply(VersionReply(0x05, 0x02, 0x03, 0x09));
  EXPECT_EQ(FWindow->Editor(), first);
  EXPECT_EQ(Fake(*FWindow)->Json, "{\"phone\":\"edited\"}");
  EXPECT_EQ(FFactory.Kinds.size(), 1u);

  FWindow->DispatchReply(VersionReply(0x05, 0x02, 0x0A, 0x09));  // 9.10, firmware 2.5
  EXPECT_EQ(FWindow->lblVersion->text(), U("KX-41 v 9.10    FirmWare v 2.5"));
  ASSERT_NE(Fake(*FWindow), nullptr);
  EXPECT_EQ(Fake(*FWindow)->Variant, 2);
  EXPECT_EQ(FFactory.Kinds, (std::vector<TEditorKind>{TEditorKind::KX41, TEditorKind::KX41}));

  FWindow->DispatchReply(VersionReply(0x01, 0x02, 0x00, 0x03));
  EXPECT_EQ(FWindow->lblVersion->text(), U("Прибор v3.0    FirmWare v 2.1"));
  EXPECT_EQ(FWindow->Editor(), nullptr);
  EXPECT_EQ(FWindow->Config(), nullptr);
  EXPECT_TRUE(FWindow->btnExport->isEnabled());

  // A firmware major of two digits where a rule needs the minor: no editor, no stop.
  FWindow->DispatchReply(VersionReply(0x05, 0x0A, 0x0A, 0x09));
  EXPECT_EQ(FWindow->Editor(), nullptr);
  EXPECT_EQ(FWindow->SwVersion(), "10.5");
}

TEST_F(WindowFilesTest, AVersionReportWhileLoggedInEnablesTheTransferButtons) {
  Make(true);
  FWindow->SetLinkState(lsLoggedIn);
  FWindow->DispatchReply(VersionReply(0x04, 0x01, 0x05, 0x07));  // KX-82
  EXPECT_EQ(FWindow->LinkState(), lsLoggedIn);
  EXPECT_EQ(FFactory.Kinds, std::vector<TEditorKind>{TEditorKind::KX82});
  EXPECT_TRUE(FWindow->btnConfigRead->isEnabled());
  EXPECT_TRUE(FWindow->btnConfigSave->isEnabled());
}

TEST_F(WindowFilesTest, TheRealKx41FrameIsPlacedBelowTheTitleStrip) {
  Make(false);
  FWindow->DispatchReply(VersionReply(0x05, 0x02, 0x03, 0x09));
  ASSERT_NE(FWindow->Editor(), nullptr);
  EXPECT_STREQ(FWindow->Editor()->metaObject()->className(), "TfrmKX41");
  EXPECT_EQ(FWindow->Editor()->geometry(),
            QRect(0, 41, FWindow->pnlKX->width(), FWindow->pnlKX->height() - 41));
  // The page fits the panel's width (it only ever scrolls vertically).
  auto* scroll = FWindow->Editor()->findChild<QScrollArea*>();
  ASSERT_NE(scroll, nullptr);
  FWindow->show();
  EXPECT_LE(scroll->widget()->minimumSizeHint().width(), scroll->viewport()->width());
}

TEST_F(WindowFilesTest, ConfigurationRepliesReachOnlyAnEditor) {
  Make(true);
  FWindow->DispatchReply("<config><ok>");  // no editor: dropped
  FWindow->DispatchReply("<config><error>7");
  EXPECT_TRUE(FPrompts.Boxes.empty());

  FWindow->DispatchReply(VersionReply(0x05, 0x02, 0x03, 0x09));
  Fake(*FWindow)->RefuseImage = true;
  FWindow->DispatchReply("<config><config>abc");
  ASSERT_EQ(FPrompts.Boxes.size(), 1u);
  EXPECT_EQ(FPrompts.Boxes[0].Kind, "error");
  EXPECT_EQ(FPrompts.Boxes[0].Caption, U("Ошибка"));
  EXPECT_EQ(FPrompts.Boxes[0].Text, U("Ошибка чтения конфигурации !"));
  EXPECT_EQ(FWindow->SavedJson(), "");

  Fake(*FWindow)->RefuseImage = false;
  FWindow->DispatchReply(std::string("<config><config>") + '\0' + "x\xff");
  EXPECT_EQ(Fake(*FWindow)->Image, std::string("\0x\xff", 3));
  EXPECT_EQ(FWindow->SavedJson(), Fake(*FWindow)->Json);

  // The detail comes from the device in Windows-1251.
  FWindow->DispatchReply("<config><error>\xce\xf8\xe8\xe1\xea\xe0");
  EXPECT_EQ(FPrompts.Texts("plain").back(), U("Ошибка записи конфигурации Ошибка !"));
}

TEST_F(WindowFilesTest, SavingFixesTheExtensionAndAddsTheVersions) {
  Make(false);
  FWindow->DispatchReply(VersionReply(0x05, 0x02, 0x03, 0x09));
  for (const char* chosen : {"conf.txt", "conf.CFG", "conf"}) {
    SCOPED_TRACE(chosen);
    QFile::remove(Path("conf.cfg"));
    FPrompts.Files = {Path(chosen)};
    FWindow->btnExport->click();
    ASSERT_TRUE(QFileInfo::exists(Path("conf.cfg")));
    EXPECT_FALSE(QFileInfo::exists(Path("conf.txt")));
    const auto file = nlohmann::ordered_json::parse(ReadText(Path("conf.cfg")));
    EXPECT_EQ(file.at("versionhw"), "9.3");
    EXPECT_EQ(file.at("versionsw"), "2.5");
    const auto editor = nlohmann::ordered_json::parse(FWindow->Config()->ToJson());
    for (const auto& member : editor.items()) EXPECT_EQ(file.at(member.key()), member.value());
    EXPECT_EQ(FWindow->SavedJson(), FWindow->Config()->ToJson());
  }
  EXPECT_TRUE(FPrompts.Texts("confirm").empty());
}

TEST_F(WindowFilesTest, AnExistingFileIsReplacedOnlyAfterYes) {
  Make(true);
  FWindow->DispatchReply(VersionReply(0x05, 0x02, 0x03, 0x09));
  WriteText(Path("old.cfg"), "old");

  FPrompts.Files = {Path("old.cfg")};
  FPrompts.Answers = {false};
  FWindow->btnExportClick();
  ASSERT_EQ(FPrompts.Texts("confirm"), std::vector<QString>{U("Файл уже существует, переписать?")});
  EXPECT_EQ(FPrompts.Boxes.back().Caption, U("Подтверждение"));
  EXPECT_EQ(ReadText(Path("old.cfg")), "old");
  EXPECT_EQ(FWindow->SavedJson(), "");

  FPrompts.Files = {Path("old.cfg")};
  FPrompts.Answers = {true};
  FWindow->btnExportClick();
  EXPECT_NE(ReadText(Path("old.cfg")).find("\"phone\""), std::string::npos);
  EXPECT_EQ(FWindow->SavedJson(), Fake(*FWindow)->Json);
}

TEST_F(WindowFilesTest, AFailedSaveIsReportedAndNotTakenAsSaved) {
  Make(true);
  FWindow->DispatchReply(VersionReply(0x05, 0x02, 0x03, 0x09));
  ASSERT_TRUE(QDir(FDir.path()).mkdir("taken.cfg"));  // a folder where the file should go
  FPrompts.Files = {Path("taken.cfg")};
  FPrompts.Answers = {true};
  FWindow->btnExportClick();
  ASSERT_EQ(FPrompts.Texts("error").size(), 1u);
  EXPECT_FALSE(FPrompts.Texts("error")[0].isEmpty());
  EXPECT_TRUE(QFileInfo(Path("taken.cfg")).isDir());
  EXPECT_EQ(FWindow->SavedJson(), "");

  FPrompts.Boxes.clear();
  FPrompts.Files = {FDir.filePath("no-such-folder/conf.cfg")};
  FWindow->btnExportClick();
  EXPECT_EQ(FPrompts.Texts("error").size(), 1u);
  EXPECT_EQ(FWindow->SavedJson(), "");
}

TEST_F(WindowFilesTest, WithoutAnEditorThereIsNothingToSave) {
  Make(true);
  FWindow->btnExportClick();
  ASSERT_EQ(FPrompts.Boxes.size(), 1u);
  EXPECT_EQ(FPrompts.Boxes[0].Kind, "information");
  EXPECT_EQ(FPrompts.Boxes[0].Text, U("Нет конфигурации для сохранения."));
}

TEST_F(WindowFilesTest, AFileOpenedWhileDisconnectedChoosesTheEditor) {
  Make(false);
  const std::string json = [] {
    TfrmMain source(nullptr, [] { return std::vector<std::string>{}; });
    source.SelectDeviceEditor("9.3", "2.5");
    return source.Config()->ToJson();
  }();
  FPrompts.Files = {FileFor("kx41.cfg", "9.3", "2.5", json)};
  FWindow->btnImport->click();
  ASSERT_NE(FWindow->Editor(), nullptr);
  EXPECT_STREQ(FWindow->Editor()->metaObject()->className(), "TfrmKX41");
  EXPECT_EQ(FWindow->lblVersion->text(), U("KX-41 v 9.3    FirmWare v 2.5"));
  EXPECT_EQ(FWindow->Config()->ToJson(), json);
  EXPECT_EQ(FWindow->SavedJson(), json);
  EXPECT_TRUE(FPrompts.Texts("plain").empty());
}

TEST_F(WindowFilesTest, OpeningChecksTheVersionsAgainstTheDevice) {
  Make(true);
  FWindow->SetLinkState(lsLoggedIn);
  FWindow->DispatchReply(VersionReply(0x05, 0x02, 0x03, 0x09));  // 9.3, 2.5
  FWindow->DispatchReply("<config><config>x");                   // saved: no question first
  TFakeEditor* editor = Fake(*FWindow);

  FPrompts.Files = {FileFor("other-hw.cfg", "9.10", "2.5")};
  FWindow->btnImportClick();
  EXPECT_EQ(FPrompts.Texts("plain").back(),
            U("Конфигурация предназначена для другого устройства!"));
  EXPECT_TRUE(editor->JsonLoads.empty());
  EXPECT_EQ(FWindow->Editor(), editor);

  FPrompts.Files = {FileFor("bad.cfg", "", "")};
  FWindow->btnImportClick();
  EXPECT_EQ(FPrompts.Texts("plain").back(), U("Формат файла конфигурации неверный!"));
  WriteText(Path("text.cfg"), "not json");
  FPrompts.Files = {Path("text.cfg")};
  FWindow->btnImportClick();
  EXPECT_EQ(FPrompts.Texts("plain").back(), U("Формат файла конфигурации неверный!"));
  EXPECT_TRUE(editor->JsonLoads.empty());

  FPrompts.Boxes.clear();
  editor->Json = "{\"phone\":\"edited\"}";  // unsaved, but the save question is answered No
  FPrompts.Files = {FileFor("other-sw.cfg", "9.3", "2.3")};
  FPrompts.Answers = {false, false};
  FWindow->btnImportClick();
  EXPECT_EQ(
      FPrompts.Texts("confirm"),
      (std::vector<QString>{U("Сохранить конфигурацию ?"),
                            U("Версия ПО не соотвествует версии конфигурации, Все равно загрузить "
                              "конфигурационный файл ?")}));
  EXPECT_TRUE(editor->JsonLoads.empty());
  EXPECT_EQ(FWindow->SavedJson(), "{\"phone\":\"edited\"}");  // the indication is cleared

  FPrompts.Files = {Path("other-sw.cfg")};
  FPrompts.Answers = {true};
  FWindow->btnImportClick();
  ASSERT_EQ(editor->JsonLoads.size(), 1u);
  EXPECT_EQ(editor->JsonLoads[0], ReadText(Path("other-sw.cfg")));
  EXPECT_EQ(FWindow->SavedJson(), editor->Json);
}

TEST_F(WindowFilesTest, ADeviceWithoutFirmwareVersionLoadsWithoutAsking) {
  Make(true);
  FWindow->SetLinkState(lsLoggedIn);
  FWindow->DispatchReply(VersionReply(0x00, 0x00, 0x0A, 0x09));  // 9.10, "0.0"
  EXPECT_EQ(FWindow->lblVersion->text(), U("KX-41 v 9.10"));
  ASSERT_NE(Fake(*FWindow), nullptr);
  FWindow->DispatchReply("<config><config>x");
  FPrompts.Files = {FileFor("any-sw.cfg", "9.10", "3.1")};
  FWindow->btnImportClick();
  EXPECT_TRUE(FPrompts.Texts("confirm").empty());
  EXPECT_EQ(Fake(*FWindow)->JsonLoads.size(), 1u);
}

TEST_F(WindowFilesTest, ARefusedFileRestoresTheEditor) {
  Make(true);
  FWindow->DispatchReply(VersionReply(0x05, 0x02, 0x03, 0x09));
  TFakeEditor* editor = Fake(*FWindow);
  editor->Json = "{\"phone\":\"before\"}";
  editor->RefuseJson = true;
  FPrompts.Files = {FileFor("refused.cfg", "9.3", "2.5")};
  FWindow->btnImportClick();
  EXPECT_EQ(FPrompts.Texts("confirm"), std::vector<QString>{U("Сохранить конфигурацию ?")});
  EXPECT_EQ(FPrompts.Texts("plain"), std::vector<QString>{U("Ошибка загрузки конфигурации!")});
  ASSERT_EQ(editor->JsonLoads.size(), 2u);
  EXPECT_EQ(editor->JsonLoads[1], "{\"phone\":\"before\"}");
  EXPECT_EQ(FWindow->SavedJson(), "{\"phone\":\"before\"}");
}

TEST_F(WindowFilesTest, GidReportsReplaceTheShownGidAndProposalsFollowTheLastOne) {
  Make(true);
  FWindow->DispatchReply(VersionReply(0x05, 0x02, 0x0A, 0x09));  // 9.10
  const std::string zero(6, '\0');
  std::vector<QString> proposals;
  std::vector<QString> answers = {"000000000FFF", ""};
  FPrompts.OnExec = [&](QDialog& dialog) {
    auto* edit = dialog.findChild<QLineEdit*>("edtGID");
    proposals.push_back(edit->text());
    const QString answer = answers.at(proposals.size() - 1);
    if (answer.isEmpty()) return int(QDialog::Rejected);
    edit->setText(answer);
    return int(QDialog::Accepted);
  };
  FWindow->DispatchReply("<producer><producer>" + zero);
  FWindow->DispatchReply("<producer><producer>" + zero);  // cancelled: nothing changes
  EXPECT_EQ(proposals, (std::vector<QString>{"030B00000001", "000000001000"}));

  FWindow->DispatchReply(std::string("<producer><producer>") + "\x01\x02\x03\x04\x05\x06");
  FWindow->DispatchReply(std::string("<producer><producer>") + "\x0A\x0B\x0C\x0D\x0E\x0F");
  EXPECT_EQ(FWindow->lblVersion->text(), U("KX-41 v 9.10    FirmWare v 2.5 GID 0A0B0C0D0E0F"));

  FWindow->DispatchReply("<producer><error>");
  EXPECT_EQ(FPrompts.Texts("plain"), std::vector<QString>{U("Ошибка записи GID!")});
}

}  // namespace
