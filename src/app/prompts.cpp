#include "app/prompts.h"

#include <QDialog>
#include <QEvent>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {

const char* const kErrorCaption = "Ошибка";
const char* const kInformationCaption = "Информация";
const char* const kConfirmCaption = "Подтверждение";
const char* const kYes = "Да";
const char* const kNo = "Нет";

void MoveCentred(QWidget& dialog, QWidget* mainWindow) {
  if (mainWindow == nullptr) return;
  dialog.move(CentredDialogPos(mainWindow->frameGeometry(), dialog.frameGeometry().size()));
}

// Dialogs other than message boxes have their final size when the show event
// arrives, so a filter can place them.
class TCentreFilter : public QObject {
 public:
  TCentreFilter(QWidget& dialog, QWidget* mainWindow) : QObject(&dialog), FMainWindow(mainWindow) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && watched->isWidgetType())
      MoveCentred(*static_cast<QWidget*>(watched), FMainWindow);
    return false;
  }

 private:
  QWidget* FMainWindow;
};

// A message box sizes itself in its own show handler, so it is placed after that.
class TCentredBox : public QMessageBox {
 public:
  TCentredBox(QWidget* mainWindow, QMessageBox::Icon icon, const QString& caption,
              const QString& text)
      : QMessageBox(icon, caption, text, QMessageBox::NoButton, mainWindow),
        FMainWindow(mainWindow) {}

 protected:
  void showEvent(QShowEvent* event) override {
    QMessageBox::showEvent(event);
    MoveCentred(*this, FMainWindow);
  }

 private:
  QWidget* FMainWindow;
};

QString OrDefault(const QString& caption, const char* fallback) {
  return caption.isEmpty() ? QString::fromUtf8(fallback) : caption;
}

void ShowOkBox(QWidget* mainWindow, QMessageBox::Icon icon, const QString& caption,
               const QString& text) {
  TCentredBox box(mainWindow, icon, caption, text);
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
}

QString RunFileDialog(QWidget* mainWindow, const QString& title, const QString& filter,
                      const QString& defaultSuffix, bool save) {
  QFileDialog dialog(mainWindow, title);
  // Our own dialog, not the desktop's, so that it can be placed like the boxes.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setNameFilter(filter);
  dialog.setDefaultSuffix(defaultSuffix);
  if (save) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The window asks itself, after the extension has been fixed.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
  } else {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
  }
  CentreOnShow(dialog, mainWindow);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles().value(0);
}

}  // namespace

QPoint CentredDialogPos(const QRect& mainWindow, const QSize& dialog) {
  int left = mainWindow.left() + mainWindow.width() / 2 - dialog.width() / 2;
  if (left < mainWindow.left() + 20) left = mainWindow.left() + 20;
  const int top = mainWindow.top() + mainWindow.height() / 2 - dialog.height() / 2;
  return {left, top};
}

void CentreOnShow(QWidget& dialog, QWidget* mainWindow) {
  if (mainWindow == nullptr) return;
  dialog.installEventFilter(new TCentreFilter(dialog, mainWindow));
}

void TScreenPrompts::Error(const QString& caption, const QString& text) {
  ShowOkBox(FMainWindow, QMessageBox::Critical, OrDefault(caption, kErrorCaption), text);
}

void TScreenPrompts::Information(const QString& caption, const QString& text) {
  ShowOkBox(FMainWindow, QMessageBox::Information, OrDefault(caption, kInformationCaption), text);
}

bool TScreenPrompts::Confirm(const QString& caption, const QString& text) {
  TCentredBox box(FMainWindow, QMessageBox::Question, OrDefault(caption, kConfirmCaption), text);
  QPushButton* yes = box.addButton(QString::fromUtf8(kYes), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QString::fromUtf8(kNo), QMessageBox::NoRole);
  box.setDefaultButton(yes);
  box.setEscapeButton(no);
  box.exec();
  return box.clickedButton() == yes;
}

void TScreenPrompts::Plain(const QString& text) {
  ShowOkBox(FMainWindow, QMessageBox::NoIcon, QString::fromUtf8(kAppTitle), text);
}

QString TScreenPrompts::OpenFileName(const QString& title, const QString& filter,
                                     const QString& defaultSuffix) {
  return RunFileDialog(FMainWindow, title, filter, defaultSuffix, false);
}

QString TScreenPrompts::SaveFileName(const QString& title, const QString& filter,
                                     const QString& defaultSuffix) {
  return RunFileDialog(FMainWindow, title, filter, defaultSuffix, true);
}

int TScreenPrompts::Exec(QDialog& dialog) {
  CentreOnShow(dialog, FMainWindow);
  return dialog.exec();
}
