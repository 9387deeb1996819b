// An IPrompts whose Exec runs a script on the dialog instead of showing it.
#pragma once

#include <QDialog>
#include <functional>

#include "app/prompts.h"

class TScriptedPrompts : public IPrompts {
 public:
  // The script drives the dialog (types, clicks) and the dialog's result is
  // returned, as a modal run would return it.
  std::function<void(QDialog&)> OnExec;
  int ExecCount = 0;

  void Error(const QString&, const QString&) override {}
  void Information(const QString&, const QString&) override {}
  bool Confirm(const QString&, const QString&) override { return false; }
  void Plain(const QString&) override {}
  QString OpenFileName(const QString&, const QString&, const QString&) override { return {}; }
  QString SaveFileName(const QString&, const QString&, const QString&) override { return {}; }
  int Exec(QDialog& dialog) override {
    ++ExecCount;
    dialog.setResult(QDialog::Rejected);
    if (OnExec) OnExec(dialog);
    return dialog.result();
  }
};
