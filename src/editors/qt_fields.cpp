#include "editors/qt_fields.h"

#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPalette>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>

#include "app/prompts.h"
#include "editors/cp1251.h"
#include "editors/field_helpers.h"

namespace {

const char* const kPinCaption = "Новый PIN1";
const char* const kPinNewLabel = "Новый PIN1";
const char* const kPinCheckLabel = "Повтор PIN1";
const char* const kPinCurrLabel = "Текущий PIN1";
constexpr int kPinLength = 4;

bool IsAsciiDigit(QChar ch) {
  return ch >= QLatin1Char('0') && ch <= QLatin1Char('9');
}

}  // namespace

QString FromCp1251(const std::string& text) {
  return QString::fromStdString(Cp1251ToUtf8(text));
}

std::string ToCp1251(const QString& text) {
  return Utf8ToCp1251(text.toStdString());
}

void SetupSpin(QSpinBox* spin, TSpinRange range) {
  spin->setRange(range.Min, range.Max);
}

void ConnectSpinText(QSpinBox* spin, QObject* context, const std::function<void()>& changed) {
  QObject::connect(spin, &QSpinBox::textChanged, context, changed);
  if (auto* edit = spin->findChild<QLineEdit*>())
    QObject::connect(edit, &QLineEdit::textChanged, context, changed);
}

int SpinValue(const QSpinBox* spin, TSpinRange range) {
  bool ok = false;
  const int value = spin->cleanText().toInt(&ok);
  return range.Clamp(ok ? value : 0);
}

bool PhoneTextValid(const QString& text) {
  if (text.isEmpty()) return true;
  if (text.startsWith(QLatin1Char('+'))) return text.size() == 13;
  return text.size() == 10;
}

bool AddressTextValid(const QString& text) {
  return IsValidIPv4(ToCp1251(text));
}

bool PhoneCharAccepted(QChar ch, int caret) {
  return IsAsciiDigit(ch) || (ch == QLatin1Char('+') && caret == 0);
}

bool AddressCharAccepted(QChar ch, int) {
  return IsAsciiDigit(ch) || ch == QLatin1Char('.');
}

bool DigitCharAccepted(QChar ch, int) {
  return IsAsciiDigit(ch);
}

TEditColouring::TEditColouring(QLineEdit* edit, TTextCheck check)
    : QObject(edit), FEdit(edit), FCheck(check) {
  connect(edit, &QLineEdit::textChanged, this, &TEditColouring::Recolour);
}

void TEditColouring::Recolour() {
  // Only the enabled look is tinted; a disabled edit keeps the greyed text
  // that tells the technician it cannot be typed into.
  const QColor colour = FCheck(FEdit->text()) ? kValidTextColour : kInvalidTextColour;
  QPalette palette = FEdit->palette();
  palette.setColor(QPalette::Active, QPalette::Text, colour);
  palette.setColor(QPalette::Inactive, QPalette::Text, colour);
  FEdit->setPalette(palette);
}

TKeyFilter::TKeyFilter(QLineEdit* edit, TCharAccept accept)
    : QObject(edit), FEdit(edit), FAccept(std::move(accept)) {
  edit->setAcceptDrops(false);
  edit->installEventFilter(this);
}

bool TKeyFilter::eventFilter(QObject* watched, QEvent* event) {
  if (watched == FEdit) return FilterTypedInput(FEdit, event, FAccept);
  return QObject::eventFilter(watched, event);
}

void InstallKeyFilter(QLineEdit* edit, TCharAccept accept) {
  new TKeyFilter(edit, std::move(accept));
}

void InstallColouring(QLineEdit* edit, TTextCheck check) {
  new TEditColouring(edit, check);
}

void SetupPhoneEdit(QLineEdit* edit) {
  InstallKeyFilter(edit, PhoneCharAccepted);
  InstallColouring(edit, PhoneTextValid);
}

void SetupAddressEdit(QLineEdit* edit) {
  InstallKeyFilter(edit, AddressCharAccepted);
  InstallColouring(edit, AddressTextValid);
}

void RecolourEdit(QLineEdit* edit) {
  if (auto* colouring = edit->findChild<TEditColouring*>(QString(), Qt::FindDirectChildrenOnly))
    colouring->Recolour();
}

void SetEditText(QLineEdit* edit, const QString& text) {
  if (edit->text() == text) return;
  {
    const QSignalBlocker block(edit);
    edit->setText(text);
  }
  RecolourEdit(edit);
}

bool ChangePin(QWidget* owner, IPrompts& prompts, std::string& pin) {
  TfrmNewPass dialog(owner);
  dialog.setWindowTitle(QString::fromUtf8(kPinCaption));
  dialog.FCurrPass = FromCp1251(pin);
  dialog.edtCurrPass->clear();
  dialog.edtNewPass->clear();
  dialog.edtNewPassCheck->clear();
  dialog.lblNewPass->setText(QString::fromUtf8(kPinNewLabel));
  dialog.lblNewPassCheck->setText(QString::fromUtf8(kPinCheckLabel));
  dialog.lblCurrPass->setText(QString::fromUtf8(kPinCurrLabel));
  dialog.FExactLen = kPinLength;
  if (prompts.Exec(dialog) != QDialog::Accepted) return false;
  pin = ToCp1251(dialog.edtNewPass->text());
  return true;
}

void AddScrollPage(QTabWidget* tabs, QWidget* page, const QString& title) {
  auto* scroll = new QScrollArea(tabs);
  scroll->setObjectName(page->objectName() + QStringLiteral("Scroll"));
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll->setWidget(page);
  tabs->addTab(scroll, title);
}

void Compact(QLayout* layout) {
  layout->setContentsMargins(6, 4, 6, 4);
  layout->setSpacing(4);
}
