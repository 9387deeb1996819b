#include "editors/kx4x/kx41_frame.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "editors/qt_fields.h"

namespace {

// The frame's own texts.
const char* const kPageParams = "Параметры";
const char* const kGrpCommon = "Общие";
const char* const kGrpControl = "Контроль ";  // the trailing blank is the caption's own
const char* const kGrpVoice = "Голосовой канал";
const char* const kGrpPhones = "Телефоны ПЦН";
const char* const kGrpGprs = "GPRS";
const char* const kGrpIp = "IP";
const char* const kChangePin = "Сменить PIN";
const char* const kRemote = "Удаленное конфигурирование";
const char* const kGprs = "GPRS";
const char* const kShleif1 = "Шлейф 1";
const char* const kShleif2 = "Шлейф 2";
const char* const kPower = "Питание";
const char* const kPeriod = "Период";
const char* const kHours = "час";
const char* const kMinutes = "мин";
const char* const kTry = "Попыток";
const char* const kVUser = "Передача номера пользователя";
const char* const kE000 = "Неподдерживаемые события как E000";
const char* const kApn = "APN";
const char* const kApnUser = "Пользователь";
const char* const kApnPass = "Пароль";

QString Tr(const char* text) {
  return QString::fromUtf8(text);
}

template <class W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(QLatin1String(name));
  return widget;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* text, QWidget* buddy = nullptr) {
  auto* label = Named(new QLabel(Tr(text), parent), name);
  if (buddy != nullptr) label->setBuddy(buddy);
  return label;
}

void SetChecked(QCheckBox* box, bool checked) {
  const QSignalBlocker block(box);
  box->setChecked(checked);
}

void SetSpin(QSpinBox* spin, int value) {
  const QSignalBlocker block(spin);
  spin->setValue(value);
}

}  // namespace

TfrmKX41::TfrmKX41(QWidget* owner, IPrompts& prompts) : TEditorFrame(owner), FPrompts(prompts) {
  setObjectName(QStringLiteral("frmKX41"));
  BuildControls();
  ShowModel();
  BindControls();
  // At creation the GPRS period and attempts are open while the access texts
  // and addresses are not; the GPRS rule takes over from the first load.
  for (QLineEdit* edit : {edtAPN, edtAPNUser, edtAPNPass, edtIP1, edtIP2, edtIP3})
    edit->setEnabled(false);
}

void TfrmKX41::BuildControls() {
  auto* top = new QVBoxLayout(this);
  top->setContentsMargins(0, 0, 0, 0);
  pgcMain = Named(new QTabWidget(this), "pgcMain");
  top->addWidget(pgcMain);
  tabParams = Named(new QWidget, "tabParams");
  auto* page = new QVBoxLayout(tabParams);
  Compact(page);

  // "Общие"
  grpCommon = Named(new QGroupBox(Tr(kGrpCommon), tabParams), "grpCommon");
  btnChangePin = Named(new QPushButton(Tr(kChangePin), grpCommon), "btnChangePin");
  chbRemote = Named(new QCheckBox(Tr(kRemote), grpCommon), "chbRemote");
  chbGPRS = Named(new QCheckBox(Tr(kGprs), grpCommon), "chbGPRS");
  {
    auto* row = new QHBoxLayout(grpCommon);
    row->addWidget(btnChangePin);
    row->addWidget(chbRemote);
    row->addWidget(chbGPRS);
    row->addStretch();
  }
  page->addWidget(grpCommon);

  // "Контроль "
  grpControl = Named(new QGroupBox(Tr(kGrpControl), tabParams), "grpControl");
  chbShleif1 = Named(new QCheckBox(Tr(kShleif1), grpControl), "chbShleif1");
  chbShleif2 = Named(new QCheckBox(Tr(kShleif2), grpControl), "chbShleif2");
  chbPower = Named(new QCheckBox(Tr(kPower), grpControl), "chbPower");
  {
    auto* row = new QHBoxLayout(grpControl);
    row->addWidget(chbShleif1);
    row->addWidget(chbShleif2);
    row->addWidget(chbPower);
    row->addStretch();
  }
  page->addWidget(grpControl);

  // "Голосовой канал" with the station phones inside
  grpVoice = Named(new QGroupBox(Tr(kGrpVoice), tabParams), "grpVoice");
  spnPeriod = Named(new QSpinBox(grpVoice), "spnPeriod");
  SetupSpin(spnPeriod, TKX41Config::kPeriodRange);
  lblPeriod = MakeLabel(grpVoice, "lblPeriod", kPeriod, spnPeriod);
  lblPeriodUnit = MakeLabel(grpVoice, "lblPeriodUnit", kHours);
  spnTry = Named(new QSpinBox(grpVoice), "spnTry");
  SetupSpin(spnTry, TKX41Config::kTryRange);
  lblTry = MakeLabel(grpVoice, "lblTry", kTry, spnTry);
  chbVUser = Named(new QCheckBox(Tr(kVUser), grpVoice), "chbVUser");
  chbE000 = Named(new QCheckBox(Tr(kE000), grpVoice), "chbE000");
  grpPhones = Named(new QGroupBox(Tr(kGrpPhones), grpVoice), "grpPhones");
  edtPhone1 = Named(new QLineEdit(grpPhones), "edtPhone1");
  edtPhone2 = Named(new QLineEdit(grpPhones), "edtPhone2");
  edtPhone3 = Named(new QLineEdit(grpPhones), "edtPhone3");
  edtPhone4 = Named(new QLineEdit(grpPhones), "edtPhone4");
  lblPhone1 = MakeLabel(grpPhones, "lblPhone1", "1", edtPhone1);
  lblPhone2 = MakeLabel(grpPhones, "lblPhone2", "2", edtPhone2);
  lblPhone3 = MakeLabel(grpPhones, "lblPhone3", "3", edtPhone3);
  lblPhone4 = MakeLabel(grpPhones, "lblPhone4", "4", edtPhone4);
  {
    auto* phones = new QGridLayout(grpPhones);
    phones->addWidget(lblPhone1, 0, 0);
    phones->addWidget(edtPhone1, 0, 1);
    phones->addWidget(lblPhone3, 0, 2);
    phones->addWidget(edtPhone3, 0, 3);
    phones->addWidget(lblPhone2, 1, 0);
    phones->addWidget(edtPhone2, 1, 1);
    phones->addWidget(lblPhone4, 1, 2);
    phones->addWidget(edtPhone4, 1, 3);

    auto* voice = new QGridLayout(grpVoice);
    voice->addWidget(lblPeriod, 0, 0);
    voice->addWidget(spnPeriod, 0, 1);
    voice->addWidget(lblPeriodUnit, 0, 2);
    voice->addWidget(lblTry, 1, 0);
    voice->addWidget(spnTry, 1, 1);
    voice->addWidget(chbVUser, 0, 3);
    voice->addWidget(chbE000, 1, 3);
    voice->addWidget(grpPhones, 2, 0, 1, 5);
    voice->setColumnStretch(4, 1);
  }
  page->addWidget(grpVoice);

  // "GPRS" with the server addresses inside
  grpGPRS = Named(new QGroupBox(Tr(kGrpGprs), tabParams), "grpGPRS");
  spnGprsPeriod = Named(new QSpinBox(grpGPRS), "spnGprsPeriod");
  SetupSpin(spnGprsPeriod, TKX41Config::kGprsPeriodRange);
  lblGprsPeriod = MakeLabel(grpGPRS, "lblGprsPeriod", kPeriod, spnGprsPeriod);
  lblGprsPeriodUnit = MakeLabel(grpGPRS, "lblGprsPeriodUnit", kMinutes);
  spnGprsTry = Named(new QSpinBox(grpGPRS), "spnGprsTry");
  SetupSpin(spnGprsTry, TKX41Config::kGprsTryRange);
  lblGprsTry = MakeLabel(grpGPRS, "lblGprsTry", kTry, spnGprsTry);
  edtAPN = Named(new QLineEdit(grpGPRS), "edtAPN");
  edtAPNUser = Named(new QLineEdit(grpGPRS), "edtAPNUser");
  edtAPNPass = Named(new QLineEdit(grpGPRS), "edtAPNPass");
  lblAPN = MakeLabel(grpGPRS, "lblAPN", kApn, edtAPN);
  lblAPNUser = MakeLabel(grpGPRS, "lblAPNUser", kApnUser, edtAPNUser);
  lblAPNPass = MakeLabel(grpGPRS, "lblAPNPass", kApnPass, edtAPNPass);
  grpIP = Named(new QGroupBox(Tr(kGrpIp), grpGPRS), "grpIP");
  edtIP1 = Named(new QLineEdit(grpIP), "edtIP1");
  edtIP2 = Named(new QLineEdit(grpIP), "edtIP2");
  edtIP3 = Named(new QLineEdit(grpIP), "edtIP3");
  lblIP1 = MakeLabel(grpIP, "lblIP1", "1", edtIP1);
  lblIP2 = MakeLabel(grpIP, "lblIP2", "2", edtIP2);
  lblIP3 = MakeLabel(grpIP, "lblIP3", "3", edtIP3);
  {
    auto* ips = new QHBoxLayout(grpIP);
    ips->addWidget(lblIP1);
    ips->addWidget(edtIP1);
    ips->addWidget(lblIP2);
    ips->addWidget(edtIP2);
    ips->addWidget(lblIP3);
    ips->addWidget(edtIP3);

    auto* gprs = new QGridLayout(grpGPRS);
    gprs->addWidget(lblGprsPeriod, 0, 0);
    gprs->addWidget(spnGprsPeriod, 0, 1);
    gprs->addWidget(lblGprsPeriodUnit, 0, 2);
    gprs->addWidget(lblGprsTry, 1, 0);
    gprs->addWidget(spnGprsTry, 1, 1);
    gprs->addWidget(lblAPN, 0, 3);
    gprs->addWidget(edtAPN, 0, 4);
    gprs->addWidget(lblAPNUser, 1, 3);
    gprs->addWidget(edtAPNUser, 1, 4);
    gprs->addWidget(lblAPNPass, 2, 3);
    gprs->addWidget(edtAPNPass, 2, 4);
    gprs->addWidget(grpIP, 3, 0, 1, 5);
    gprs->setColumnStretch(4, 1);
  }
  page->addWidget(grpGPRS);
  page->addStretch();
  AddScrollPage(pgcMain, tabParams, Tr(kPageParams));
  for (QLayout* layout : {grpCommon->layout(), grpControl->layout(), grpVoice->layout(),
                          grpPhones->layout(), grpGPRS->layout(), grpIP->layout()})
    Compact(layout);

  for (QLineEdit* edit : {edtPhone1, edtPhone2, edtPhone3, edtPhone4}) SetupPhoneEdit(edit);
  for (QLineEdit* edit : {edtIP1, edtIP2, edtIP3}) SetupAddressEdit(edit);
}

void TfrmKX41::BindControls() {
  TKX41Data& d = FModel.Data();

  auto bindText = [this](QLineEdit* edit, std::string& field) {
    connect(edit, &QLineEdit::textChanged, this, [this, edit, &field] { ReadText(edit, field); });
  };
  bindText(edtPhone1, d.Phone[0]);
  bindText(edtPhone2, d.Phone[1]);
  bindText(edtPhone3, d.Phone[2]);
  bindText(edtPhone4, d.Phone[3]);
  bindText(edtIP1, d.Ip[0]);
  bindText(edtIP2, d.Ip[1]);
  bindText(edtIP3, d.Ip[2]);
  bindText(edtAPN, d.Apn.Apn);
  bindText(edtAPNUser, d.Apn.User);
  bindText(edtAPNPass, d.Apn.Pass);

  auto bindCheck = [this](QCheckBox* box, bool& field) {
    connect(box, &QCheckBox::toggled, this, [&field](bool checked) { field = checked; });
  };
  bindCheck(chbRemote, d.Remote);
  bindCheck(chbShleif1, d.Shleif1);
  bindCheck(chbShleif2, d.Shleif2);
  bindCheck(chbPower, d.Power);
  bindCheck(chbVUser, d.VUser);
  bindCheck(chbE000, d.E000);
  connect(chbGPRS, &QCheckBox::toggled, this, [this](bool checked) {
    FModel.Data().Gprs = checked;
    chbGPRSClick();
  });

  // The text, not the value: an emptied spin box reads as 0 (then clamped)
  // at once, so ToJson never lags behind what the technician sees.
  auto bindSpin = [this](QSpinBox* spin, int& field, TSpinRange range) {
    ConnectSpinText(spin, this, [spin, &field, range] { field = SpinValue(spin, range); });
  };
  bindSpin(spnPeriod, d.Period, TKX41Config::kPeriodRange);
  bindSpin(spnTry, d.Try, TKX41Config::kTryRange);
  bindSpin(spnGprsPeriod, d.GprsPeriod, TKX41Config::kGprsPeriodRange);
  bindSpin(spnGprsTry, d.GprsTry, TKX41Config::kGprsTryRange);

  connect(btnChangePin, &QPushButton::clicked, this, &TfrmKX41::btnChangePinClick);
}

void TfrmKX41::ReadText(QLineEdit* edit, std::string& field) {
  field = ToCp1251(edit->text());
  const QString stored = FromCp1251(field);
  if (stored == edit->text()) return;
  const int caret = std::min<int>(edit->cursorPosition(), stored.size());
  {
    const QSignalBlocker block(edit);
    edit->setText(stored);
  }
  edit->setCursorPosition(caret);
  RecolourEdit(edit);
}

void TfrmKX41::ShowModel() {
  const TKX41Data& d = FModel.Data();
  SetEditText(edtPhone1, FromCp1251(d.Phone[0]));
  SetEditText(edtPhone2, FromCp1251(d.Phone[1]));
  SetEditText(edtPhone3, FromCp1251(d.Phone[2]));
  SetEditText(edtPhone4, FromCp1251(d.Phone[3]));
  SetEditText(edtIP1, FromCp1251(d.Ip[0]));
  SetEditText(edtIP2, FromCp1251(d.Ip[1]));
  SetEditText(edtIP3, FromCp1251(d.Ip[2]));
  SetEditText(edtAPN, FromCp1251(d.Apn.Apn));
  SetEditText(edtAPNUser, FromCp1251(d.Apn.User));
  SetEditText(edtAPNPass, FromCp1251(d.Apn.Pass));
  SetChecked(chbGPRS, d.Gprs);
  SetChecked(chbRemote, d.Remote);
  SetChecked(chbShleif1, d.Shleif1);
  SetChecked(chbShleif2, d.Shleif2);
  SetChecked(chbPower, d.Power);
  SetChecked(chbVUser, d.VUser);
  SetChecked(chbE000, d.E000);
  SetSpin(spnPeriod, d.Period);
  SetSpin(spnTry, d.Try);
  SetSpin(spnGprsPeriod, d.GprsPeriod);
  SetSpin(spnGprsTry, d.GprsTry);
}

void TfrmKX41::chbGPRSClick() {
  const bool on = FModel.GprsControlsEnabled();
  for (QWidget* w : {static_cast<QWidget*>(spnGprsPeriod), static_cast<QWidget*>(spnGprsTry),
                     static_cast<QWidget*>(edtAPN), static_cast<QWidget*>(edtAPNUser),
                     static_cast<QWidget*>(edtAPNPass), static_cast<QWidget*>(edtIP1),
                     static_cast<QWidget*>(edtIP2)})
    w->setEnabled(on);
  // The third address travels through every conversion but is never typed.
  edtIP3->setEnabled(false);
}

void TfrmKX41::btnChangePinClick() {
  ChangePin(this, FPrompts, FModel.Data().Pin);
}

void TfrmKX41::Init(int variant) {
  FModel.Init(variant);
  // The controls keep their creation state, enabled ones included.
  ShowModel();
}

void TfrmKX41::FromDevice(const std::string& image) {
  FModel.FromDevice(image);
  ShowModel();
  chbGPRSClick();
}

std::string TfrmKX41::ToDevice() {
  return FModel.ToDevice();
}

bool TfrmKX41::FromJson(const std::string& text) {
  const bool ok = FModel.FromJson(text);
  // After a failure the model may hold part of the text; show what it holds
  // so controls and model never disagree.
  ShowModel();
  chbGPRSClick();
  return ok;
}

std::string TfrmKX41::ToJson() {
  return FModel.ToJson();
}

void TfrmKX41::KeyEvent(const std::string&) {}
