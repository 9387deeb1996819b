// Pieces the small dialogs share: their font and the "ОК" / "Отмена" row.
#pragma once

class QDialog;
class QHBoxLayout;
class QPushButton;

// Tahoma 8-point, the text of every small dialog.
void SetDialogFont(QDialog& dialog);

struct TOkCancel {
  QPushButton* Ok;      // "ОК" (Cyrillic letters), closes with Accepted
  QPushButton* Cancel;  // "Отмена", closes with Rejected
  QHBoxLayout* Row;     // both, right-aligned
};

// Creates btnOk and btnCancel on `dialog`; each caller sets which is the
// default and whether OK starts disabled.
TOkCancel AddOkCancel(QDialog& dialog);
