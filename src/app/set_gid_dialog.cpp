#include "app/set_gid_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

bool GidOkEnabled(const QString& text) {
  if (text.size() != 12) return false;
  // Digits only: Qt's number reading would also take a sign or a "0x" prefix.
  bool nonZero = false;
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    const bool hex = (u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F');
    if (!hex) return false;
    if (u != '0') nonZero = true;
  }
  return nonZero;
}

TfrmSetGID::TfrmSetGID(QWidget* owner) : QDialog(owner) {
  setObjectName("frmSetGID");
  setWindowTitle(QString::fromUtf8("Введите GID"));
  QFont tahoma("Tahoma");
  tahoma.setPointSize(8);
  setFont(tahoma);

  lblCurrPass = new QLabel(QString::fromUtf8("Новый GID"), this);
  lblCurrPass->setObjectName("lblCurrPass");
  edtGID = new QLineEdit(this);
  edtGID->setObjectName("edtGID");
  btnOk = new QPushButton(QString::fromUtf8("ОК"), this);  // Cyrillic О and К
  btnOk->setObjectName("btnOk");
  btnOk->setEnabled(false);
  btnOk->setAutoDefault(false);
  btnCancel = new QPushButton(QString::fromUtf8("Отмена"), this);
  btnCancel->setObjectName("btnCancel");
  btnCancel->setDefault(true);
  connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(edtGID, &QLineEdit::textChanged, this, &TfrmSetGID::edtGIDChange);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOk);
  buttons->addWidget(btnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblCurrPass);
  layout->addWidget(edtGID);
  layout->addLayout(buttons);
  resize(260, 110);
}

void TfrmSetGID::edtGIDChange() {
  btnOk->setEnabled(GidOkEnabled(edtGID->text()));
}
