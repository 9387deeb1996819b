// Every message box, file dialog and modal dialog of the program goes through
// IPrompts, so tests can answer them without a screen.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

class QDialog;
class QWidget;

// The program's title: the main window's caption and the plain messages' caption.
inline constexpr char kAppTitle[] = "Tunewell v 2.9.1";

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

// Where a dialog of `dialog` size goes over the main window `mainWindow`
// (frame rectangles): centred, halves rounded toward zero, but never further
// left than 20 pixels right of the window's left edge.
QPoint CentredDialogPos(const QRect& mainWindow, const QSize& dialog);

// Moves `dialog` by CentredDialogPos each time it is shown (nothing when
// `mainWindow` is null). Used for every box, file dialog and modal dialog.
void CentreOnShow(QWidget& dialog, QWidget* mainWindow);

// The real boxes and dialogs, centred on `mainWindow`.
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
