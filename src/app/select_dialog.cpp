#include "app/select_dialog.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialog_parts.h"

TfrmSelect::TfrmSelect(QWidget* owner) : QDialog(owner) {
  setObjectName("frmSelect");
  setWindowTitle(QString::fromUtf8("Новый ключ"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  SetDialogFont(*this);

  lblSelect = new QLabel(QString::fromUtf8("Выбор"), this);
  lblSelect->setObjectName("lblSelect");
  lblSelect->setWordWrap(true);
  cbxSelect = new QComboBox(this);
  cbxSelect->setObjectName("cbxSelect");
  cbxSelect->setEditable(false);
  cbxSelect->setCurrentIndex(-1);
  cbxSelect->setMinimumWidth(220);
  const TOkCancel okCancel = AddOkCancel(*this);
  btnOk = okCancel.Ok;
  btnCancel = okCancel.Cancel;

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblSelect);
  layout->addWidget(cbxSelect);
  layout->addLayout(okCancel.Row);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}
