// TfrmLogin: asks for the device's access password after the default one was
// refused. It cannot be closed by the user; the main window destroys it when
// the link leaves the awaiting-login state.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>

class QLineEdit;
class QPushButton;

class TfrmLogin : public QDialog {
  Q_OBJECT
 public:
  // `sendLogin` is the main window's SendLogin.
  TfrmLogin(QWidget* owner, std::function<void(const QString&)> sendLogin);

  QLineEdit* edtPass;
  QPushButton* btnOK;

  // Sends the typed password; the dialog stays open.
  void btnOKClick();

  // Neither Escape nor the window manager closes it.
  void reject() override {}

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  std::function<void(const QString&)> FSendLogin;
};
