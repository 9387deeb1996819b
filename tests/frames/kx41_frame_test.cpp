// The KX-41 frame: its controls, the binding to its model, the GPRS rule,
// colouring, key filters and the PIN change.
#include "editors/kx4x/kx41_frame.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <memory>
#include <nlohmann/json.hpp>

#include "app/new_pass_dialog.h"
#include "editors/editor_frame.h"
#include "editors/field_helpers.h"
#include "scripted_prompts.h"

namespace {

using nlohmann::json;

QString U(const char* text) {
  return QString::fromUtf8(text);
}

const QColor kRed(255, 0, 0);
const QColor kBlack(0, 0, 0);

QColor TextColour(const QLineEdit* e) {
  return e->palette().color(QPalette::Active, QPalette::Text);
}

// Types text one character at a time, any script (QTest::keyClicks takes
// Latin-1 only).
void TypeText(QWidget* w, const QString& text) {
  for (QChar ch : text) QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(ch), {});
}

class KX41Frame : public ::testing::Test {
 protected:
  void SetUp() override {
    frame = std::make_unique<TfrmKX41>(nullptr, prompts);
    frame->Init(0);
  }
  json Json() { return json::parse(frame->ToJson()); }

  TScriptedPrompts prompts;
  std::unique_ptr<TfrmKX41> frame;
};

// A configuration with GPRS on and every field away from its default.
TKX41Config GprsConfig() {
  TKX41Config m;
  m.Init(0);
  TKX41Data& d = m.Data();
  d.Pin = "1111";
  d.Phone = {"+791612345678", "4951234567", "123", ""};
  d.Ip = {"10.0.0.1", "192.168.1.300", "172.16.0.3"};
  d.Apn = {"internet", "gdata", "secret"};
  d.Gprs = true;
  d.Remote = true;
  d.Shleif1 = false;
  d.Shleif2 = true;
  d.Power = true;
  d.VUser = false;
  d.E000 = false;
  d.Period = 12;
  d.Try = 5;
  d.GprsPeriod = 60;
  d.GprsTry = 4;
  return m;
}

TEST_F(KX41Frame, ControlsAtCreation) {
  TfrmKX41& f = *frame;
  ASSERT_EQ(f.pgcMain->count(), 1);
  EXPECT_EQ(f.pgcMain->tabText(0), U("Параметры"));

  struct {
    const char* Name;
    const char* Text;
  } const captions[] = {
      {"grpCommon", "Общие"},
      {"grpControl", "Контроль "},
      {"grpVoice", "Голосовой канал"},
      {"grpPhones", "Телефоны ПЦН"},
      {"grpGPRS", "GPRS"},
      {"grpIP", "IP"},
      {"btnChangePin", "Сменить PIN"},
      {"chbRemote", "Удаленное конфигурирование"},
      {"chbGPRS", "GPRS"},
      {"chbShleif1", "Шлейф 1"},
      {"chbShleif2", "Шлейф 2"},
      {"chbPower", "Питание"},
      {"chbVUser", "Передача номера пользователя"},
      {"chbE000", "Неподдерживаемые события как E000"},
      {"lblPeriod", "Период"},
      {"lblPeriodUnit", "час"},
      {"lblTry", "Попыток"},
      {"lblGprsPeriod", "Период"},
      {"lblGprsPeriodUnit", "мин"},
      {"lblGprsTry", "Попыток"},
      {"lblAPN", "APN"},
      {"lblAPNUser", "Пользователь"},
      {"lblAPNPass", "Пароль"},
      {"lblPhone1", "1"},
      {"lblPhone4", "4"},
      {"lblIP1", "1"},
      {"lblIP3", "3"},
  };
  for (const auto& c : captions) {
    QWidget* w = f.findChild<QWidget*>(QLatin1String(c.Name));
    ASSERT_NE(w, nullptr) << c.Name;
    QString text;
    if (auto* g = qobject_cast<QGroupBox*>(w)) text = g->title();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) text = b->text();
    if (auto* l = qobject_cast<QLabel*>(w)) text = l->text();
    EXPECT_EQ(text, U(c.Text)) << c.Name;
  }

  struct {
    const char* Name;
    int Min, Max, Value;
  } const spins[] = {{"spnPeriod", 1, 24, 4},
                     {"spnTry", 2, 5, 3},
                     {"spnGprsPeriod", 0, 120, 2},
                     {"spnGprsTry", 1, 5, 2}};
  for (const auto& s : spins) {
    auto* spin = f.findChild<QSpinBox*>(QLatin1String(s.Name));
    ASSERT_NE(spin, nullptr) << s.Name;
    EXPECT_EQ(spin->minimum(), s.Min) << s.Name;
    EXPECT_EQ(spin->maximum(), s.Max) << s.Name;
    EXPECT_EQ(spin->value(), s.Value) << s.Name;
    EXPECT_TRUE(spin->isEnabled()) << s.Name;
  }

  EXPECT_FALSE(f.chbRemote->isChecked());
  EXPECT_FALSE(f.chbGPRS->isChecked());
  EXPECT_TRUE(f.chbShleif1->isChecked());
  EXPECT_TRUE(f.chbShleif2->isChecked());
  EXPECT_FALSE(f.chbPower->isChecked());
  EXPECT_TRUE(f.chbVUser->isChecked());
  EXPECT_TRUE(f.chbE000->isChecked());
  EXPECT_TRUE(f.btnChangePin->isEnabled());

  for (const char* name : {"edtPhone1", "edtPhone2", "edtPhone3", "edtPhone4", "edtAPN",
                           "edtAPNUser", "edtAPNPass", "edtIP1", "edtIP2", "edtIP3"}) {
    auto* e = f.findChild<QLineEdit*>(QLatin1String(name));
    ASSERT_NE(e, nullptr) << name;
    EXPECT_TRUE(e->text().isEmpty()) << name;
    const bool gprsText = name[3] == 'A' || name[3] == 'I';
    EXPECT_EQ(e->isEnabled(), !gprsText) << name;
  }
  EXPECT_EQ(Json()["pin"], PinToFile("9072"));
}

TEST_F(KX41Frame, CreateEditorFrameMakesTheKX41Frame) {
  QWidget owner;
  TEditorFrame* made = CreateEditorFrame(TEditorKind::KX41, &owner, prompts);
  ASSERT_NE(made, nullptr);
  EXPECT_NE(qobject_cast<TfrmKX41*>(made), nullptr);
  EXPECT_EQ(made->parent(), &owner);
  EXPECT_EQ(CreateEditorFrame(TEditorKind::None, &owner, prompts), nullptr);
}

TEST_F(KX41Frame, FromDeviceFillsControlsAndAppliesGprsRule) {
  const std::string image = GprsConfig().ToDevice();
  frame->FromDevice(image);
  TfrmKX41& f = *frame;

  EXPECT_EQ(f.edtPhone1->text(), U("+791612345678"));
  EXPECT_EQ(f.edtPhone3->text(), U("123"));
  EXPECT_EQ(f.edtIP2->text(), U("192.168.1.300"));
  EXPECT_EQ(f.edtIP3->text(), U("172.16.0.3"));
  EXPECT_EQ(f.edtAPN->text(), U("internet"));
  EXPECT_EQ(f.edtAPNUser->text(), U("gdata"));
  EXPECT_EQ(f.edtAPNPass->text(), U("secret"));
  EXPECT_TRUE(f.chbGPRS->isChecked());
  EXPECT_TRUE(f.chbRemote->isChecked());
  EXPECT_FALSE(f.chbShleif1->isChecked());
  EXPECT_TRUE(f.chbPower->isChecked());
  EXPECT_FALSE(f.chbVUser->isChecked());
  EXPECT_FALSE(f.chbE000->isChecked());
  EXPECT_EQ(f.spnPeriod->value(), 12);
  EXPECT_EQ(f.spnTry->value(), 5);
  EXPECT_EQ(f.spnGprsPeriod->value(), 60);
  EXPECT_EQ(f.spnGprsTry->value(), 4);

  for (QWidget* w : {static_cast<QWidget*>(f.spnGprsPeriod), static_cast<QWidget*>(f.spnGprsTry),
                     static_cast<QWidget*>(f.edtAPN), static_cast<QWidget*>(f.edtAPNUser),
                     static_cast<QWidget*>(f.edtAPNPass), static_cast<QWidget*>(f.edtIP1),
                     static_cast<QWidget*>(f.edtIP2)})
    EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
  EXPECT_FALSE(f.edtIP3->isEnabled());

  // Loaded texts are coloured like typed ones.
  EXPECT_EQ(TextColour(f.edtPhone1), kBlack);
  EXPECT_EQ(TextColour(f.edtPhone3), kRed);
  EXPECT_EQ(TextColour(f.edtIP2), kRed);

  EXPECT_EQ(f.ToDevice(), image);

  // GPRS off: the texts stay, their controls close.
  TKX41Config off = GprsConfig();
  off.Data().Gprs = false;
  f.FromDevice(off.ToDevice());
  EXPECT_FALSE(f.chbGPRS->isChecked());
  EXPECT_FALSE(f.spnGprsPeriod->isEnabled());
  EXPECT_FALSE(f.spnGprsTry->isEnabled());
  EXPECT_FALSE(f.edtAPN->isEnabled());
  EXPECT_FALSE(f.edtIP1->isEnabled());
  EXPECT_FALSE(f.edtIP2->isEnabled());
  EXPECT_EQ(f.edtIP1->text(), U("10.0.0.1"));
}

TEST_F(KX41Frame, FromJsonFillsControlsAndAppliesGprsRule) {
  ASSERT_TRUE(frame->FromJson(GprsConfig().ToJson()));
  EXPECT_EQ(frame->edtAPN->text(), U("internet"));
  EXPECT_TRUE(frame->chbGPRS->isChecked());
  EXPECT_TRUE(frame->edtAPN->isEnabled());
  EXPECT_FALSE(frame->edtIP3->isEnabled());
  EXPECT_EQ(frame->ToJson(), GprsConfig().ToJson());

  EXPECT_FALSE(frame->FromJson("{ not json"));
  EXPECT_EQ(frame->ToJson(), GprsConfig().ToJson());
  EXPECT_EQ(frame->edtAPN->text(), U("internet"));
}

TEST_F(KX41Frame, ShortImageChangesNothing) {
  frame->FromDevice(GprsConfig().ToDevice());
  const std::string before = frame->ToJson();
  EXPECT_ANY_THROW(frame->FromDevice(std::string(100, '\0')));
  EXPECT_EQ(frame->ToJson(), before);
  EXPECT_EQ(frame->edtPhone1->text(), U("+791612345678"));
}

TEST_F(KX41Frame, GprsClickOpensAndClosesItsControls) {
  TfrmKX41& f = *frame;
  QWidget* const gprsControls[] = {f.spnGprsPeriod, f.spnGprsTry, f.edtAPN, f.edtAPNUser,
                                   f.edtAPNPass,    f.edtIP1,     f.edtIP2};
  f.chbGPRS->click();
  for (QWidget* w : gprsControls) EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
  EXPECT_FALSE(f.edtIP3->isEnabled());
  EXPECT_EQ(Json()["apn"], "\"\",\"\",\"\"");

  f.chbGPRS->click();
  for (QWidget* w : gprsControls) EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
  EXPECT_FALSE(f.edtIP3->isEnabled());
  EXPECT_EQ(Json()["apn"], "");
}

TEST_F(KX41Frame, PhoneColouring) {
  struct {
    const char* Text;
    QColor Colour;
  } const cases[] = {
      {"+791612345678", kBlack},  // "+" and 12 digits
      {"4951234567", kBlack},     // 10 digits
      {"49512345678", kRed},      // 11 digits
      {"+79161234567", kRed},     // "+" and 11 digits
      {"123", kRed},
      {"", kBlack},
  };
  for (const auto& c : cases) {
    frame->edtPhone1->setText(U(c.Text));
    EXPECT_EQ(TextColour(frame->edtPhone1), c.Colour) << c.Text;
  }
}

TEST_F(KX41Frame, AddressColouring) {
  struct {
    const char* Text;
    QColor Colour;
  } const cases[] = {
      {"192.168.1.300", kRed},
      {"1.2.3", kRed},
      {"10.0.0.1", kBlack},
      {"", kRed},  // an address the user emptied
  };
  frame->chbGPRS->click();
  for (const auto& c : cases) {
    frame->edtIP1->setText(U(c.Text));
    EXPECT_EQ(TextColour(frame->edtIP1), c.Colour) << c.Text;
  }
}

TEST_F(KX41Frame, UntouchedEditsKeepThePaletteColour) {
  frame->FromDevice(GprsConfig().ToDevice());  // phone 4 stays empty
  for (QLineEdit* e : {frame->edtPhone4, frame->edtAPN})
    EXPECT_FALSE(e->testAttribute(Qt::WA_SetPalette)) << e->objectName().toStdString();
  EXPECT_TRUE(frame->edtPhone1->testAttribute(Qt::WA_SetPalette));

  // Loading an empty text over a filled one is a change: the address turns red.
  TKX41Config cleared = GprsConfig();
  cleared.Data().Ip[0].clear();
  frame->FromDevice(cleared.ToDevice());
  EXPECT_EQ(TextColour(frame->edtIP1), kRed);
}

TEST_F(KX41Frame, PhoneKeyFilter) {
  QLineEdit* e = frame->edtPhone1;
  QTest::keyClicks(e, QStringLiteral("12a+3 -"));
  EXPECT_EQ(e->text(), QStringLiteral("123"));  // "+" after the first character refused

  e->setCursorPosition(0);
  QTest::keyClick(e, '+');
  EXPECT_EQ(e->text(), QStringLiteral("+123"));
  e->setCursorPosition(0);
  QTest::keyClick(e, '+');  // at the start even when the text begins with "+"
  EXPECT_EQ(e->text(), QStringLiteral("++123"));
  e->setCursorPosition(1);
  QTest::keyClick(e, '+');
  EXPECT_EQ(e->text(), QStringLiteral("++123"));

  // Caret keys, Backspace and Delete keep working.
  QTest::keyClick(e, Qt::Key_End);
  QTest::keyClick(e, Qt::Key_Left);
  QTest::keyClick(e, Qt::Key_Backspace);
  EXPECT_EQ(e->text(), QStringLiteral("++13"));
  QTest::keyClick(e, Qt::Key_Home);
  QTest::keyClick(e, Qt::Key_Delete);
  EXPECT_EQ(e->text(), QStringLiteral("+13"));
  EXPECT_EQ(Json()["phone"][0], "+13");
}

// A paste goes in only when each of its characters could have been typed
// there, from the keys and from the context menu alike.
TEST_F(KX41Frame, PhonePasteFollowsTheKeyRule) {
  QLineEdit* e = frame->edtPhone1;
  auto pasteOffered = [e] {
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(1, 1), e->mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(e, &event);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr) return false;
    bool offered = false;
    for (QAction* a : menu->actions())
      if (a->text().startsWith(QLineEdit::tr("&Paste"))) offered = a->isEnabled();
    menu->close();
    return offered;
  };

  QApplication::clipboard()->setText(QStringLiteral("+7 916"));
  EXPECT_FALSE(pasteOffered());
  QTest::keyClick(e, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(e->text(), QString());

  QApplication::clipboard()->setText(QStringLiteral("+7916"));
  EXPECT_TRUE(pasteOffered());
  QTest::keyClick(e, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(e->text(), QStringLiteral("+7916"));
  // The same text after the first character would put "+" in the middle.
  EXPECT_FALSE(pasteOffered());
  QTest::keyClick(e, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(e->text(), QStringLiteral("+7916"));
  EXPECT_EQ(Json()["phone"][0], "+7916");
}

TEST_F(KX41Frame, AddressKeyFilter) {
  frame->chbGPRS->click();
  QTest::keyClicks(frame->edtIP1, QStringLiteral("10.a0,.0 .1+"));
  EXPECT_EQ(frame->edtIP1->text(), QStringLiteral("10.0.0.1"));
  EXPECT_EQ(TextColour(frame->edtIP1), kBlack);
}

// Every user edit reaches the model at once, so the window's change tint
// and a save at any moment see what the technician sees.
TEST_F(KX41Frame, EditsReachToJsonAtOnce) {
  TfrmKX41& f = *frame;
  const std::string start = f.ToJson();

  QTest::keyClicks(f.edtPhone2, QStringLiteral("4951234567"));
  EXPECT_EQ(Json()["phone"][1], "4951234567");
  f.chbRemote->click();
  EXPECT_EQ(Json()["remote"], true);
  f.chbShleif2->click();
  EXPECT_EQ(Json()["shleif"][1], false);
  QTest::keyClick(f.spnTry, Qt::Key_Up);
  EXPECT_EQ(Json()["try"], 4);

  // An emptied spin box reads as 0, clamped to its range.
  f.spnPeriod->selectAll();
  QTest::keyClick(f.spnPeriod, Qt::Key_Backspace);
  EXPECT_EQ(Json()["period"], 1);
  QTest::keyClicks(f.spnPeriod, QStringLiteral("7"));
  EXPECT_EQ(Json()["period"], 7);
  f.spnGprsPeriod->selectAll();
  QTest::keyClick(f.spnGprsPeriod, Qt::Key_Backspace);
  EXPECT_EQ(Json()["gperiod"], 0);

  EXPECT_NE(f.ToJson(), start);
  EXPECT_EQ(f.ToJson(), f.ToJson());
}

TEST_F(KX41Frame, CyrillicApnReachesTheImageAsWindows1251) {
  frame->chbGPRS->click();
  TypeText(frame->edtAPN, U("интернет"));
  const std::string image = frame->ToDevice();
  const std::string want = "\"\xE8\xED\xF2\xE5\xF0\xED\xE5\xF2\",\"\",\"\"";
  EXPECT_EQ(image.substr(75, want.size() + 1), want + '\0');
  EXPECT_EQ(Json()["apn"], "\"интернет\",\"\",\"\"");

  // A character the device cannot hold shows as the "?" it will be stored as.
  TypeText(frame->edtAPNUser, U("a中b"));
  EXPECT_EQ(frame->edtAPNUser->text(), U("a?b"));
  EXPECT_EQ(frame->Model().Data().Apn.User, "a?b");
}

// Drives the PIN dialog the way a technician would: types into its edits
// and presses OK when it is enabled, or Cancel.
struct TPinScript {
  TPinScript(const char* curr, const char* newPin, const char* check, bool pressOk)
      : Curr(curr), New(newPin), Check(check), PressOk(pressOk) {}

  const char* Curr;
  const char* New;
  const char* Check;
  bool PressOk;
  bool OkWasEnabled = false;
  QString Caption;
  QObject* Parent = nullptr;

  void operator()(QDialog& dialog) {
    auto& dlg = dynamic_cast<TfrmNewPass&>(dialog);
    Caption = dlg.windowTitle();
    Parent = dlg.parent();
    EXPECT_EQ(dlg.FExactLen, 4);
    EXPECT_EQ(dlg.FMaxLen, 0);
    EXPECT_EQ(dlg.lblNewPass->text(), U("Новый PIN1"));
    EXPECT_EQ(dlg.lblNewPassCheck->text(), U("Повтор PIN1"));
    EXPECT_EQ(dlg.lblCurrPass->text(), U("Текущий PIN1"));
    EXPECT_TRUE(dlg.edtCurrPass->text().isEmpty());
    QTest::keyClicks(dlg.edtCurrPass, U(Curr));
    QTest::keyClicks(dlg.edtNewPass, U(New));
    QTest::keyClicks(dlg.edtNewPassCheck, U(Check));
    OkWasEnabled = dlg.btnOk->isEnabled();
    if (PressOk && OkWasEnabled)
      dlg.btnOk->click();
    else
      dlg.btnCancel->click();
  }
};

TEST_F(KX41Frame, PinChangeThroughTheDialog) {
  auto script = std::make_shared<TPinScript>("9072", "1234", "1234", true);
  prompts.OnExec = [script](QDialog& d) { (*script)(d); };
  frame->btnChangePin->click();
  ASSERT_EQ(prompts.ExecCount, 1);
  EXPECT_EQ(script->Caption, U("Новый PIN1"));
  EXPECT_EQ(script->Parent, frame.get());
  EXPECT_TRUE(script->OkWasEnabled);
  EXPECT_EQ(Json()["pin"], PinToFile("1234"));
  EXPECT_EQ(frame->ToDevice().substr(0, 6), std::string("1234\0\0", 6));

  // Cancel keeps the PIN even with a valid entry typed.
  *script = TPinScript("1234", "5555", "5555", false);
  frame->btnChangePin->click();
  EXPECT_TRUE(script->OkWasEnabled);
  EXPECT_EQ(Json()["pin"], PinToFile("1234"));

  // Letters typed into the PIN edits are dropped.
  *script = TPinScript("12x34", "5y555", "55z55", true);
  frame->btnChangePin->click();
  EXPECT_EQ(Json()["pin"], PinToFile("5555"));
}

TEST_F(KX41Frame, PinOfOtherLengthCannotBeConfirmed) {
  struct {
    const char* StoredPin;
    const char* Curr;
    bool Changes;
  } const cases[] = {
      {"12345", "12345", false},  // five digits cannot be typed as the current entry
      {"12345", "", false},
      {"12", "12", false},
      {"", "", true},  // no PIN yet: an empty current entry matches
  };
  for (const auto& c : cases) {
    TKX41Config m;
    m.Init(0);
    m.Data().Pin = c.StoredPin;
    frame->FromDevice(m.ToDevice());
    auto script = std::make_shared<TPinScript>(c.Curr, "4321", "4321", true);
    prompts.OnExec = [script](QDialog& d) { (*script)(d); };
    frame->btnChangePin->click();
    EXPECT_EQ(script->OkWasEnabled, c.Changes) << c.StoredPin;
    EXPECT_EQ(frame->Model().Data().Pin, c.Changes ? "4321" : c.StoredPin) << c.StoredPin;
  }
}

}  // namespace
