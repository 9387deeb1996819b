// Qt pieces every editor frame shares: text conversion to the device's code
// page, spin boxes from a model's range, the coloured phone and address edits
// with their key filters, and the SIM PIN change through TfrmNewPass.
#pragma once

#include <QColor>
#include <QObject>
#include <QString>
#include <functional>
#include <string>

#include "app/new_pass_dialog.h"
#include "editors/field_types.h"

class IPrompts;
class QLayout;
class QLineEdit;
class QTabWidget;
class QSpinBox;
class QWidget;

// Model texts are Windows-1251 bytes; widgets hold Unicode.
QString FromCp1251(const std::string& text);
std::string ToCp1251(const QString& text);

// Range from the model; the spin box then clamps whatever it is given.
void SetupSpin(QSpinBox* spin, TSpinRange range);
// Calls `changed` on every change of the spin box's text: stepped, typed, and
// also emptied, which QSpinBox itself does not signal.
void ConnectSpinText(QSpinBox* spin, QObject* context, const std::function<void()>& changed);
// What the spin box holds for the model: its text as a number, an emptied
// (or otherwise unreadable) text as 0, clamped to `range` either way.
int SpinValue(const QSpinBox* spin, TSpinRange range);

// Text colours of the checked edits.
inline const QColor kValidTextColour{0, 0, 0};
inline const QColor kInvalidTextColour{255, 0, 0};

// Valid phone: empty, "+" and 12 more characters, or 10 characters without "+".
bool PhoneTextValid(const QString& text);
// Valid address: a dotted quad IsValidIPv4 accepts.
bool AddressTextValid(const QString& text);

// Characters the key filters let in.
bool PhoneCharAccepted(QChar ch, int caret);    // digits; "+" only at the start
bool AddressCharAccepted(QChar ch, int caret);  // digits and "."
bool DigitCharAccepted(QChar ch, int caret);    // digits

using TTextCheck = bool (*)(const QString&);

// Keeps characters `accept` refuses out of the edit (see FilterTypedInput).
void InstallKeyFilter(QLineEdit* edit, TCharAccept accept);
// Draws the edit's text black or red by `check` on every change of its text.
// Until the text first changes the edit keeps the palette's own colour.
void InstallColouring(QLineEdit* edit, TTextCheck check);
// Both, for the shared phone and address edits.
void SetupPhoneEdit(QLineEdit* edit);
void SetupAddressEdit(QLineEdit* edit);

// Sets an edit's text from the model without its change signals; a coloured
// edit is recoloured when the text really changed, as if it had been typed.
void SetEditText(QLineEdit* edit, const QString& text);
// Recolours a coloured edit from its current text (no-op for other edits).
void RecolourEdit(QLineEdit* edit);

// Puts `page` on a new tab of `tabs` inside a scroll area: the editor panel has
// a fixed size, and a page taller than it scrolls instead of being squeezed.
void AddScrollPage(QTabWidget* tabs, QWidget* page, const QString& title);

// Tight margins and spacing for a page or group layout, so that a page of
// controls fits the editor panel.
void Compact(QLayout* layout);

// The SIM PIN change: TfrmNewPass owned by `owner`, titled "Новый PIN1", in PIN
// mode (four digits, current entry must equal `pin`). On OK `pin` becomes the
// new entry (Windows-1251) and the result is true; on cancel nothing changes.
bool ChangePin(QWidget* owner, IPrompts& prompts, std::string& pin);

// Holds an edit's validity check and paints its colour; a child of the edit.
class TEditColouring : public QObject {
  Q_OBJECT
 public:
  TEditColouring(QLineEdit* edit, TTextCheck check);
  void Recolour();

 private:
  QLineEdit* FEdit;
  TTextCheck FCheck;
};

// Event filter that applies a TCharAccept rule; a child of the edit.
class TKeyFilter : public QObject {
  Q_OBJECT
 public:
  TKeyFilter(QLineEdit* edit, TCharAccept accept);
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLineEdit* FEdit;
  TCharAccept FAccept;
};
