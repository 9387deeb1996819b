#include "app/select_dialog.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TfrmSelect::TfrmSelect(QWidget* owner) : QDialog(owner) {
  setObjectName("frmSelect");
  setWindowTitle(QString::fromUtf8("Новый ключ"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  QFont tahoma("Tahoma");
  tahoma.setPointSize(8);
  setFont(tahoma);

  lblSelect = new QLabel(QString::fromUtf8("Выбор"), this);
  lblSelect->setObjectName("lblSelect");
  lblSelect->setWordWrap(true);
  cbxSelect = new QComboBox(this);
  cbxSelect->setObjectName("cbxSelect");
  cbxSelect->setEditable(false);
  cbxSelect->setCurrentIndex(-1);
  cbxSelect->setMinimumWidth(220);
  btnOk = new QPushButton(QString::fromUtf8("ОК"), this);  // Cyrillic О and К
  btnOk->setObjectName("btnOk");
  btnCancel = new QPushButton(QString::fromUtf8("Отмена"), this);
  btnCancel->setObjectName("btnCancel");
  connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOk);
  buttons->addWidget(btnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblSelect);
  layout->addWidget(cbxSelect);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}
