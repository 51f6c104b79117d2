#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The non-modal find dialog: search text, Match case and the direction
// (Down preset). It searches nothing itself; Find Next emits Find and the
// window runs FindNext on its active editor with the dialog's values.
class TFindDialog : public QDialog {
  Q_OBJECT

 public:
  explicit TFindDialog(QWidget* Parent = nullptr);

  QString FindText() const;
  bool MatchCase() const;
  bool Up() const;

  QLineEdit* FindEdit;
  QCheckBox* MatchCaseBox;
  QRadioButton* UpButton;
  QRadioButton* DownButton;
  QPushButton* FindNextButton;
  QPushButton* CancelButton;

 signals:
  void Find();

 private:
  void UpdateFindNextButton();
};
