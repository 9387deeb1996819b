// TfrmNewPass: the change dialog for the access password and the SIM PIN.
#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

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
