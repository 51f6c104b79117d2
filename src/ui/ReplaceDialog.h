#pragma once

#include <QDialog>

#include "ui/TextSearch.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The non-modal Find and Replace dialog: the text to find, its replacement,
// Match case, Whole word and Regular expression. It changes no text itself;
// its buttons emit signals the window's commands answer, and they tell it
// back what happened in its message line.
class TReplaceDialog : public QDialog {
  Q_OBJECT

 public:
  explicit TReplaceDialog(QWidget* Parent = nullptr);

  TSearchOptions Options() const;
  QString ReplaceText() const;
  // A plain sentence under the fields: how many were replaced, nothing
  // found, or why the pattern is refused.
  void ShowMessage(const QString& Text);
  QString Message() const;

  QLineEdit* FindEdit;
  QLineEdit* ReplaceEdit;
  QCheckBox* MatchCaseBox;
  QCheckBox* WholeWordBox;
  QCheckBox* RegularExpressionBox;
  QPushButton* FindNextButton;
  QPushButton* ReplaceButton;
  QPushButton* ReplaceAllButton;
  QPushButton* CloseButton;

 signals:
  void FindNext();
  void Replace();
  void ReplaceAll();

 private:
  void UpdateButtons();
  QLabel* FMessage;
};
