// The password / PIN change dialog: its OK rule, its look and its key filter.
#include "app/new_pass_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTest>

namespace {

struct TOkCase {
  const char* Name;
  const char* Curr;
  const char* New;
  const char* Check;
  const char* CurrPass;
  int ExactLen;
  int MaxLen;
  bool Ok;
};

const TOkCase kOkCases[] = {
    // Access password: at most 8 characters, any characters.
    {"pwd one char", "old", "a", "a", "old", 0, 8, true},
    {"pwd eight chars", "old", "abcdefgh", "abcdefgh", "old", 0, 8, true},
    {"pwd nine chars", "old", "abcdefghi", "abcdefghi", "old", 0, 8, false},
    {"pwd empty new value", "old", "", "", "old", 0, 8, true},
    {"pwd repeat differs", "old", "abc", "abd", "old", 0, 8, false},
    {"pwd wrong current", "olx", "abc", "abc", "old", 0, 8, false},
    {"pwd current over max", "123456789", "a", "a", "123456789", 0, 8, false},
    {"pwd no device password yet", "", "abc", "abc", "", 0, 8, true},
    // SIM PIN: exactly 4.
    {"pin four digits", "9072", "1234", "1234", "9072", 4, 0, true},
    {"pin three digits", "9072", "123", "123", "9072", 4, 0, false},
    {"pin five digits", "9072", "12345", "12345", "9072", 4, 0, false},
    {"pin empty current, empty stored", "", "1234", "1234", "", 4, 0, true},
    {"pin empty current, stored 9072", "", "1234", "1234", "9072", 4, 0, false},
    {"pin stored of 5 cannot be matched", "12345", "1234", "1234", "12345", 4, 0, false},
    {"pin stored of 2 cannot be matched", "12", "1234", "1234", "12", 4, 0, false},
    {"pin repeat differs", "9072", "1234", "1235", "9072", 4, 0, false},
};

TEST(NewPassOkRule, Table) {
  for (const TOkCase& c : kOkCases) {
    EXPECT_EQ(NewPassOkEnabled(QString::fromUtf8(c.Curr), QString::fromUtf8(c.New),
                               QString::fromUtf8(c.Check), QString::fromUtf8(c.CurrPass),
                               c.ExactLen, c.MaxLen),
              c.Ok)
        << c.Name;
  }
}

TEST(NewPassDialog, CreationLook) {
  TfrmNewPass dlg(nullptr);
  EXPECT_EQ(dlg.lblCurrPass->text(), QString::fromUtf8("Текущий пароль"));
  EXPECT_EQ(dlg.lblNewPass->text(), QString::fromUtf8("Новый пароль"));
  EXPECT_EQ(dlg.lblNewPassCheck->text(), QString::fromUtf8("Повтор пароля"));
  EXPECT_EQ(dlg.btnOk->text(), QString::fromUtf8("\u041e\u041a"));  // Cyrillic О, К
  EXPECT_EQ(dlg.btnCancel->text(), QString::fromUtf8("Отмена"));
  EXPECT_FALSE(dlg.btnOk->isEnabled());
  EXPECT_TRUE(dlg.btnCancel->isDefault());
  EXPECT_EQ(dlg.font().family(), QStringLiteral("Tahoma"));
  EXPECT_EQ(dlg.font().pointSize(), 8);
  for (QLineEdit* e : {dlg.edtCurrPass, dlg.edtNewPass, dlg.edtNewPassCheck}) {
    EXPECT_EQ(e->echoMode(), QLineEdit::Password);
    EXPECT_EQ(e->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, e), '*');
  }

  dlg.btnCancel->click();
  EXPECT_EQ(dlg.result(), QDialog::Rejected);
}

// The rule follows every edit, whichever is typed last, and OK accepts.
TEST(NewPassDialog, OkFollowsEveryEdit) {
  TfrmNewPass dlg(nullptr);
  dlg.FCurrPass = QStringLiteral("pw");
  dlg.FMaxLen = 8;
  QTest::keyClicks(dlg.edtNewPass, QStringLiteral("new1"));
  QTest::keyClicks(dlg.edtNewPassCheck, QStringLiteral("new1"));
  EXPECT_FALSE(dlg.btnOk->isEnabled());  // current still empty
  QTest::keyClicks(dlg.edtCurrPass, QStringLiteral("pw"));
  EXPECT_TRUE(dlg.btnOk->isEnabled());
  QTest::keyClick(dlg.edtNewPass, Qt::Key_Backspace);
  EXPECT_FALSE(dlg.btnOk->isEnabled());
  QTest::keyClicks(dlg.edtNewPass, QStringLiteral("1"));
  ASSERT_TRUE(dlg.btnOk->isEnabled());
  dlg.btnOk->click();
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST(NewPassDialog, PinModeTakesDigitsOnly) {
  TfrmNewPass dlg(nullptr);
  dlg.FExactLen = 4;
  for (QLineEdit* e : {dlg.edtCurrPass, dlg.edtNewPass, dlg.edtNewPassCheck}) {
    QTest::keyClicks(e, QStringLiteral("a1b2 -+3z4"));
    EXPECT_EQ(e->text(), QStringLiteral("1234")) << e->objectName().toStdString();
  }

  // Backspace and the caret keys still work.
  QLineEdit* e = dlg.edtNewPass;
  QTest::keyClick(e, Qt::Key_Left);
  QTest::keyClick(e, Qt::Key_Backspace);
  EXPECT_EQ(e->text(), QStringLiteral("124"));
  QTest::keyClick(e, Qt::Key_Home);
  QTest::keyClick(e, Qt::Key_Delete);
  EXPECT_EQ(e->text(), QStringLiteral("24"));

  // A paste goes in only when it is all digits.
  QApplication::clipboard()->setText(QStringLiteral("12ab"));
  QTest::keyClick(e, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(e->text(), QStringLiteral("24"));
  QApplication::clipboard()->setText(QStringLiteral("99"));
  QTest::keyClick(e, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(e->text(), QStringLiteral("9924"));

  // Keys the line edit inserts although they look like no typing: format and
  // private-use characters, emoji, Ctrl with a keypad key.
  struct {
    const char* Name;
    Qt::Key Key;
    QString Text;
    Qt::KeyboardModifiers Mods;
  } const odd[] = {
      {"direction mark", Qt::Key_unknown, QString(QChar(0x200E)), {}},
      {"joiner with Ctrl+Shift", Qt::Key_unknown, QString(QChar(0x200D)),
       Qt::ControlModifier | Qt::ShiftModifier},
      {"private use", Qt::Key_unknown, QString(QChar(0xE000)), {}},
      {"emoji", Qt::Key_unknown, QString::fromUtf8("\xF0\x9F\x98\x80"), {}},
      {"Ctrl+keypad plus", Qt::Key_Plus, QStringLiteral("+"),
       Qt::ControlModifier | Qt::KeypadModifier},
  };
  for (const auto& k : odd) {
    QTest::sendKeyEvent(QTest::Click, e, k.Key, k.Text, k.Mods);
    EXPECT_EQ(e->text(), QStringLiteral("9924")) << k.Name;
  }
  QTest::keyClick(e, Qt::Key_End);
  QTest::sendKeyEvent(QTest::Click, e, Qt::Key_5, QStringLiteral("5"), Qt::KeypadModifier);
  EXPECT_EQ(e->text(), QStringLiteral("99245")) << "keypad digits still go in";
}

TEST(NewPassDialog, PasswordModeTakesAnyKey) {
  TfrmNewPass dlg(nullptr);
  dlg.FMaxLen = 8;
  QTest::keyClicks(dlg.edtNewPass, QStringLiteral("aB3-+"));
  EXPECT_EQ(dlg.edtNewPass->text(), QStringLiteral("aB3-+"));
}

}  // namespace
