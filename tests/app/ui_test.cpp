// Placement of boxes and dialogs, and the small dialogs' rules.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include "app/login_dialog.h"
#include "app/prompts.h"
#include "app/select_dialog.h"
#include "app/set_gid_dialog.h"

TEST(CentredDialogPos, CentresAndKeepsTwentyPixelsFromTheLeftEdge) {
  struct TCase {
    QRect Main;
    QSize Dialog;
    QPoint Want;
  } cases[] = {
      {{100, 50, 621, 546}, {200, 100}, {100 + 310 - 100, 50 + 273 - 50}},
      {{100, 50, 621, 546}, {201, 101}, {100 + 310 - 100, 50 + 273 - 50}},  // halves toward zero
      {{100, 50, 621, 546}, {900, 100}, {120, 50 + 273 - 50}},              // wider than the window
      {{100, 50, 621, 546}, {581, 100}, {120, 273}},                        // exactly at the limit
      {{0, 0, 621, 546}, {200, 700}, {210, 273 - 350}},  // taller: top may go above
      {{-300, 10, 400, 300}, {100, 100}, {-300 + 200 - 50, 10 + 150 - 50}},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(CentredDialogPos(c.Main, c.Dialog), c.Want)
        << c.Main.x() << "," << c.Main.y() << " " << c.Dialog.width() << "x" << c.Dialog.height();
  }
}

// The real boxes: caption, icon, buttons and place, answered by a timer.
class ScreenPromptsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FMain.setGeometry(200, 150, 621, 546);
    FMain.show();
  }
  // Runs `answer` on the box once it is up.
  void WhenUp(std::function<void(QMessageBox&)> answer) {
    QTimer::singleShot(50, [answer] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      answer(*box);
    });
  }
  QWidget FMain;
  TScreenPrompts FPrompts{&FMain};
};

TEST_F(ScreenPromptsTest, ConfirmationAsksYesOrNoCentredOnTheWindow) {
  QString caption;
  QStringList buttons;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QPoint at;
  QPoint want;
  WhenUp([&](QMessageBox& box) {
    caption = box.windowTitle();
    icon = box.icon();
    for (QAbstractButton* b : box.buttons()) buttons << b->text();
    at = box.pos();
    want = CentredDialogPos(FMain.frameGeometry(), box.frameGeometry().size());
    QAbstractButton* yes = nullptr;
    for (QAbstractButton* b : box.buttons())
      if (b->text() == QString::fromUtf8("Да")) yes = b;
    if (yes != nullptr)
      yes->click();
    else
      box.reject();
  });
  EXPECT_TRUE(FPrompts.Confirm({}, QString::fromUtf8("Перезаписать?")));
  EXPECT_EQ(caption, QString::fromUtf8("Подтверждение"));
  EXPECT_EQ(icon, QMessageBox::Question);
  buttons.sort();
  EXPECT_EQ(buttons, (QStringList{QString::fromUtf8("Да"), QString::fromUtf8("Нет")}));
  EXPECT_EQ(at, want);

  WhenUp([](QMessageBox& box) { box.reject(); });  // Escape means No
  EXPECT_FALSE(FPrompts.Confirm(QString::fromUtf8("Конфигурация не записана"), "?"));
}

TEST_F(ScreenPromptsTest, BoxKindsShowTheirIconsAndCaptions) {
  struct TSeen {
    QString Caption;
    QMessageBox::Icon Icon;
  } seen{};
  auto look = [&](QMessageBox& box) {
    seen = {box.windowTitle(), box.icon()};
    box.accept();
  };
  WhenUp(look);
  FPrompts.Error({}, "x");
  EXPECT_EQ(seen.Caption, QString::fromUtf8("Ошибка"));
  EXPECT_EQ(seen.Icon, QMessageBox::Critical);
  WhenUp(look);
  FPrompts.Error("Error", "x");
  EXPECT_EQ(seen.Caption, "Error");
  WhenUp(look);
  FPrompts.Information({}, "x");
  EXPECT_EQ(seen.Caption, QString::fromUtf8("Информация"));
  EXPECT_EQ(seen.Icon, QMessageBox::Information);
  WhenUp(look);
  FPrompts.Plain(QString::fromUtf8("Неверный пароль!"));
  EXPECT_EQ(seen.Caption, QString::fromUtf8(kAppTitle));
  EXPECT_EQ(seen.Icon, QMessageBox::NoIcon);
}

TEST_F(ScreenPromptsTest, AWideBoxStaysTwentyPixelsRightOfTheWindow) {
  QPoint at;
  WhenUp([&](QMessageBox& box) {
    at = box.pos();
    box.accept();
  });
  FPrompts.Plain(QString(400, QChar('W')));
  EXPECT_EQ(at.x(), FMain.frameGeometry().left() + 20);
}

TEST_F(ScreenPromptsTest, ModalDialogsAreCentredToo) {
  TfrmSetGID dialog(&FMain);
  QPoint at;
  QTimer::singleShot(50, [&] {
    at = dialog.pos();
    dialog.reject();
  });
  EXPECT_EQ(FPrompts.Exec(dialog), QDialog::Rejected);
  EXPECT_EQ(at, CentredDialogPos(FMain.frameGeometry(), dialog.frameGeometry().size()));
}

TEST(GidOkEnabled, TwelveHexDigitsNotZero) {
  struct TCase {
    const char* Text;
    bool Want;
  } cases[] = {
      {"030B00000001", true},  {"030b0000000f", true},
      {"FFFFFFFFFFFF", true},  {"000000000000", false},
      {"00000000001", false},  {"0000000000001", false},
      {"GGGGGGGGGGGG", false}, {"", false},
      {"03 B00000001", false}, {"-00000000001", false},
      {"+00000000001", false}, {"0x0000000001", false},
  };
  for (const TCase& c : cases) EXPECT_EQ(GidOkEnabled(c.Text), c.Want) << c.Text;
}

TEST(SetGidDialog, OkFollowsTheTextAndCancelIsTheDefault) {
  TfrmSetGID dialog(nullptr);
  EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("Введите GID"));
  EXPECT_EQ(dialog.lblCurrPass->text(), QString::fromUtf8("Новый GID"));
  EXPECT_EQ(dialog.btnOk->text(), QString::fromUtf8("ОК"));
  EXPECT_EQ(dialog.btnCancel->text(), QString::fromUtf8("Отмена"));
  EXPECT_FALSE(dialog.btnOk->isEnabled());
  EXPECT_TRUE(dialog.btnCancel->isDefault());
  dialog.edtGID->setText("030B00000001");
  EXPECT_TRUE(dialog.btnOk->isEnabled());
  dialog.edtGID->setText("000000000000");
  EXPECT_FALSE(dialog.btnOk->isEnabled());
}

TEST(LoginDialog, SendsThePasswordAndCannotBeClosedByTheUser) {
  std::vector<QString> sent;
  TfrmLogin dialog(nullptr, [&](const QString& password) { sent.push_back(password); });
  EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("Подтверждение прав доступа"));
  EXPECT_EQ(dialog.btnOK->text(), "OK");
  EXPECT_EQ(dialog.edtPass->echoMode(), QLineEdit::Password);
  EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
  dialog.show();
  dialog.edtPass->setText("1234");
  dialog.btnOK->click();
  EXPECT_EQ(sent, std::vector<QString>{"1234"});
  EXPECT_TRUE(dialog.isVisible());

  EXPECT_FALSE(dialog.close());
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(&dialog, &escape);
  EXPECT_TRUE(dialog.isVisible());
}

TEST(SelectDialog, OffersAFixedListAndClosesWithOk) {
  TfrmSelect dialog(nullptr);
  EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("Новый ключ"));
  EXPECT_EQ(dialog.lblSelect->text(), QString::fromUtf8("Выбор"));
  EXPECT_FALSE(dialog.cbxSelect->isEditable());
  EXPECT_EQ(dialog.btnOk->text(), QString::fromUtf8("ОК"));
  dialog.btnOk->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
}
