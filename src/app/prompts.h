// Every message box, file dialog and modal dialog of the program goes through
// IPrompts, so tests can answer them without a screen.
#pragma once

#include <QString>

class QDialog;
class QWidget;

class IPrompts {
 public:
  virtual ~IPrompts() = default;

  // An empty caption shows the kind's default caption (the application's
  // title for a plain message).
  virtual void Error(const QString& caption, const QString& text) = 0;
  virtual void Information(const QString& caption, const QString& text) = 0;
  // Question with "Да" and "Нет"; true for Yes.
  virtual bool Confirm(const QString& caption, const QString& text) = 0;
  virtual void Plain(const QString& text) = 0;

  // File dialogs; an empty result means cancelled. `filter` is in Qt's form
  // ("Конфигурационный файл (*.cfg)"), `defaultSuffix` without a dot.
  virtual QString OpenFileName(const QString& title, const QString& filter,
                               const QString& defaultSuffix) = 0;
  virtual QString SaveFileName(const QString& title, const QString& filter,
                               const QString& defaultSuffix) = 0;

  // Shows a modal dialog and returns its result (QDialog::Accepted or Rejected).
  virtual int Exec(QDialog& dialog) = 0;
};

// The real boxes and dialogs, centred on `mainWindow` (left never less than the
// window's left + 20).
class TScreenPrompts : public IPrompts {
 public:
  explicit TScreenPrompts(QWidget* mainWindow) : FMainWindow(mainWindow) {}
  void Error(const QString& caption, const QString& text) override;
  void Information(const QString& caption, const QString& text) override;
  bool Confirm(const QString& caption, const QString& text) override;
  void Plain(const QString& text) override;
  QString OpenFileName(const QString& title, const QString& filter,
                       const QString& defaultSuffix) override;
  QString SaveFileName(const QString& title, const QString& filter,
                       const QString& defaultSuffix) override;
  int Exec(QDialog& dialog) override;

 private:
  QWidget* FMainWindow;
};
