// TfrmNewPass: the change dialog for the access password and the SIM PIN.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>

class QEvent;
class QLabel;
class QLineEdit;
class QPushButton;

// Whether a typed character may go in at caret position `caret`.
using TCharAccept = std::function<bool(QChar ch, int caret)>;

// Keeps characters `accept` refuses out of `edit`; call it from an event
// filter installed on the edit and return its result. Typed characters are
// checked one by one; a paste (keys, context menu, middle button) or an input
// method commit goes in only when every character of it would have been
// accepted typed from the caret on. Keys that type nothing (arrows, Home, End,
// Delete, Tab, Enter, shortcuts) and Backspace pass untouched. Drops into the
// edit are switched off by the caller.
bool FilterTypedInput(QLineEdit* edit, QEvent* event, const TCharAccept& accept);

// OK is enabled exactly when this holds.
bool NewPassOkEnabled(const QString& currEntry, const QString& newEntry, const QString& checkEntry,
                      const QString& currPass, int exactLen, int maxLen);

class TfrmNewPass : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmNewPass(QWidget* owner);

  // Set by the caller before showing.
  QString FCurrPass;
  int FExactLen = 0;  // 0: no exact-length rule; 4: digits only
  int FMaxLen = 0;    // 0: no maximum

  QLabel* lblCurrPass;
  QLineEdit* edtCurrPass;
  QLabel* lblNewPass;
  QLineEdit* edtNewPass;
  QLabel* lblNewPassCheck;
  QLineEdit* edtNewPassCheck;
  QPushButton* btnOk;
  QPushButton* btnCancel;

  // Re-evaluates the OK rule; runs on every change of the three edits.
  void edtNewPassCheckChange();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;  // key filter for PINs
};
