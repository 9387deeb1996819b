#include "app/login_dialog.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

#include "app/dialog_parts.h"

TfrmLogin::TfrmLogin(QWidget* owner, std::function<void(const QString&)> sendLogin)
    : QDialog(owner), FSendLogin(std::move(sendLogin)) {
  setObjectName("frmLogin");
  setWindowTitle(QString::fromUtf8("Подтверждение прав доступа"));
  // A caption without buttons: the dialog goes only when the login is settled.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  SetDialogFont(*this);

  edtPass = new QLineEdit(this);
  edtPass->setObjectName("edtPass");
  edtPass->setEchoMode(QLineEdit::Password);
  btnOK = new QPushButton("OK", this);  // Latin letters
  btnOK->setObjectName("btnOK");
  btnOK->setDefault(true);
  connect(btnOK, &QPushButton::clicked, this, &TfrmLogin::btnOKClick);

  auto* layout = new QHBoxLayout(this);
  layout->addWidget(edtPass, 1);
  layout->addWidget(btnOK);
  resize(280, 60);
}

void TfrmLogin::btnOKClick() {
  if (FSendLogin) FSendLogin(edtPass->text());
}

void TfrmLogin::closeEvent(QCloseEvent* event) {
  event->ignore();
}
