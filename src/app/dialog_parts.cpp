#include "app/dialog_parts.h"

#include <QDialog>
#include <QFont>
#include <QHBoxLayout>
#include <QPushButton>

void SetDialogFont(QDialog& dialog) {
  dialog.setFont(QFont(QStringLiteral("Tahoma"), 8));
}

TOkCancel AddOkCancel(QDialog& dialog) {
  TOkCancel parts;
  parts.Ok = new QPushButton(QString::fromUtf8("ОК"), &dialog);  // Cyrillic О and К
  parts.Ok->setObjectName(QStringLiteral("btnOk"));
  parts.Cancel = new QPushButton(QString::fromUtf8("Отмена"), &dialog);
  parts.Cancel->setObjectName(QStringLiteral("btnCancel"));
  QObject::connect(parts.Ok, &QPushButton::clicked, &dialog, &QDialog::accept);
  QObject::connect(parts.Cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
  parts.Row = new QHBoxLayout;
  parts.Row->addStretch();
  parts.Row->addWidget(parts.Ok);
  parts.Row->addWidget(parts.Cancel);
  return parts;
}
