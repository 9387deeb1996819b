#include "app/new_pass_dialog.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QProxyStyle>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialog_parts.h"

namespace {

const char* const kCurrPassLabel = "Текущий пароль";
const char* const kNewPassLabel = "Новый пароль";
const char* const kNewPassCheckLabel = "Повтор пароля";

// Password edits show one "*" per character, whatever the platform style's
// own mask character is.
class TStarMaskStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override {
    if (hint == SH_LineEdit_PasswordCharacter) return '*';
    return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
};

bool TextAccepted(const TCharAccept& accept, const QString& text, int pos) {
  for (int i = 0; i < text.size(); ++i)
    if (!accept(text.at(i), pos + i)) return false;
  return true;
}

// Where typed or pasted text goes in: a selection is replaced from its start.
int InsertPos(const QLineEdit* edit) {
  return edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
}

// The line edit's own test for a key that inserts its text. It must match
// exactly: a key judged "types nothing" here passes the filter unchecked, and
// the edit inserts direction marks, private-use characters, emoji and
// Ctrl+keypad keys.
bool TypesNothing(const QKeyEvent* key) {
  const QString text = key->text();
  if (text.isEmpty()) return true;
  const QChar c = text.at(0);
  if (c.category() == QChar::Other_Format) return false;  // even with Ctrl+Shift
  // The line edit treats these as shortcuts and inserts nothing.
  const auto mods = key->modifiers();
  if (mods == Qt::ControlModifier || mods == (Qt::ControlModifier | Qt::ShiftModifier)) return true;
  if (c.isPrint() || c.category() == QChar::Other_PrivateUse) return false;
  return !(c.isHighSurrogate() && text.size() > 1 && text.at(1).isLowSurrogate());
}

// Newer Qt names the standard menu's actions; older Qt only labels them, with
// the shortcut after a tab.
QAction* StandardPasteAction(const QMenu* menu) {
  for (QAction* action : menu->actions()) {
    if (action->objectName() == QLatin1String("edit-paste")) return action;
    if (action->text().section(QLatin1Char('\t'), 0, 0) == QLineEdit::tr("&Paste")) return action;
  }
  return nullptr;
}

bool IsAsciiDigit(QChar ch) {
  return ch >= QLatin1Char('0') && ch <= QLatin1Char('9');
}

}  // namespace

bool FilterTypedInput(QLineEdit* edit, QEvent* event, const TCharAccept& accept) {
  switch (event->type()) {
    case QEvent::KeyPress: {
      auto* key = static_cast<QKeyEvent*>(event);
      if (key->matches(QKeySequence::Paste))
        return !TextAccepted(accept, QApplication::clipboard()->text(), InsertPos(edit));
      if (key->key() == Qt::Key_Backspace || TypesNothing(key)) return false;
      return !TextAccepted(accept, key->text(), InsertPos(edit));
    }
    case QEvent::InputMethod: {
      auto* im = static_cast<QInputMethodEvent*>(event);
      return !TextAccepted(accept, im->commitString(), InsertPos(edit));
    }
    case QEvent::MouseButtonRelease: {
      // X11 pastes the primary selection on a middle click.
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() != Qt::MiddleButton) return false;
      const QClipboard* clip = QApplication::clipboard();
      if (!clip->supportsSelection()) return false;
      return !TextAccepted(accept, clip->text(QClipboard::Selection), InsertPos(edit));
    }
    case QEvent::ContextMenu: {
      // The usual menu, with Paste offered only for text the edit would take.
      auto* ctx = static_cast<QContextMenuEvent*>(event);
      QMenu* menu = edit->createStandardContextMenu();
      if (QAction* paste = StandardPasteAction(menu); paste != nullptr && paste->isEnabled())
        paste->setEnabled(TextAccepted(accept, QApplication::clipboard()->text(), InsertPos(edit)));
      menu->setAttribute(Qt::WA_DeleteOnClose);
      menu->popup(ctx->globalPos());
      return true;
    }
    default:
      return false;
  }
}

bool NewPassOkEnabled(const QString& currEntry, const QString& newEntry, const QString& checkEntry,
                      const QString& currPass, int exactLen, int maxLen) {
  if (newEntry != checkEntry) return false;
  if (currEntry != currPass) return false;
  if (exactLen != 0) {
    if (newEntry.size() != exactLen) return false;
    if (currEntry.size() != exactLen && !currEntry.isEmpty()) return false;
  }
  if (maxLen != 0) {
    if (newEntry.size() > maxLen || currEntry.size() > maxLen) return false;
  }
  return true;
}

TfrmNewPass::TfrmNewPass(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("frmNewPass"));
  SetDialogFont(*this);

  auto* maskStyle = new TStarMaskStyle;
  maskStyle->setParent(this);

  auto makeEdit = [&](const char* name) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QLatin1String(name));
    edit->setEchoMode(QLineEdit::Password);
    edit->setStyle(maskStyle);
    edit->setAcceptDrops(false);
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::textChanged, this, [this] { edtNewPassCheckChange(); });
    return edit;
  };
  auto makeLabel = [&](const char* name, const char* text, QLineEdit* buddy) {
    auto* label = new QLabel(QString::fromUtf8(text), this);
    label->setObjectName(QLatin1String(name));
    label->setBuddy(buddy);
    return label;
  };

  edtCurrPass = makeEdit("edtCurrPass");
  edtNewPass = makeEdit("edtNewPass");
  edtNewPassCheck = makeEdit("edtNewPassCheck");
  lblCurrPass = makeLabel("lblCurrPass", kCurrPassLabel, edtCurrPass);
  lblNewPass = makeLabel("lblNewPass", kNewPassLabel, edtNewPass);
  lblNewPassCheck = makeLabel("lblNewPassCheck", kNewPassCheckLabel, edtNewPassCheck);

  const TOkCancel okCancel = AddOkCancel(*this);
  btnOk = okCancel.Ok;
  btnOk->setEnabled(false);
  btnOk->setAutoDefault(false);
  btnCancel = okCancel.Cancel;
  btnCancel->setDefault(true);

  auto* grid = new QGridLayout;
  grid->addWidget(lblCurrPass, 0, 0);
  grid->addWidget(edtCurrPass, 0, 1);
  grid->addWidget(lblNewPass, 1, 0);
  grid->addWidget(edtNewPass, 1, 1);
  grid->addWidget(lblNewPassCheck, 2, 0);
  grid->addWidget(edtNewPassCheck, 2, 1);

  auto* top = new QVBoxLayout(this);
  top->addLayout(grid);
  top->addLayout(okCancel.Row);
  // A dialog border: the size follows the contents and cannot be dragged.
  top->setSizeConstraint(QLayout::SetFixedSize);
  setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}

void TfrmNewPass::edtNewPassCheckChange() {
  btnOk->setEnabled(NewPassOkEnabled(edtCurrPass->text(), edtNewPass->text(),
                                     edtNewPassCheck->text(), FCurrPass, FExactLen, FMaxLen));
}

bool TfrmNewPass::eventFilter(QObject* watched, QEvent* event) {
  auto* edit = qobject_cast<QLineEdit*>(watched);
  if (edit != nullptr && FExactLen == 4)
    return FilterTypedInput(edit, event, [](QChar ch, int) { return IsAsciiDigit(ch); });
  return QDialog::eventFilter(watched, event);
}
