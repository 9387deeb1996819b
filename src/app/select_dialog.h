// TfrmSelect: one choice out of a list, asked when a device presents a new key.
#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

class TfrmSelect : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmSelect(QWidget* owner);

  QLabel* lblSelect;     // "Выбор"; the caller puts its question here
  QComboBox* cbxSelect;  // fixed list, nothing chosen until the caller chooses
  QPushButton* btnOk;
  QPushButton* btnCancel;
};
