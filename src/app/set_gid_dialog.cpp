#include "app/set_gid_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialog_parts.h"

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
  SetDialogFont(*this);

  lblCurrPass = new QLabel(QString::fromUtf8("Новый GID"), this);
  lblCurrPass->setObjectName("lblCurrPass");
  edtGID = new QLineEdit(this);
  edtGID->setObjectName("edtGID");
  const TOkCancel okCancel = AddOkCancel(*this);
  btnOk = okCancel.Ok;
  btnOk->setEnabled(false);
  btnOk->setAutoDefault(false);
  btnCancel = okCancel.Cancel;
  btnCancel->setDefault(true);
  connect(edtGID, &QLineEdit::textChanged, this, &TfrmSetGID::edtGIDChange);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblCurrPass);
  layout->addWidget(edtGID);
  layout->addLayout(okCancel.Row);
  resize(260, 110);
}

void TfrmSetGID::edtGIDChange() {
  btnOk->setEnabled(GidOkEnabled(edtGID->text()));
}
