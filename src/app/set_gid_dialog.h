// TfrmSetGID: entry of a device's GID, twelve hexadecimal digits.
#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

// OK is enabled exactly for 12 characters that, read as a hexadecimal number
// (either case), are not zero; a text that is not hexadecimal counts as zero.
bool GidOkEnabled(const QString& text);

class TfrmSetGID : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmSetGID(QWidget* owner);

  QLabel* lblCurrPass;  // "Новый GID"
  QLineEdit* edtGID;
  QPushButton* btnOk;
  QPushButton* btnCancel;

  void edtGIDChange();
};
