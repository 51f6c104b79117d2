#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

// Asks for a file name when an untitled page is saved. Keeps what was typed
// for the next time; checking the name is the caller's business.
class TSaveAsDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TSaveAsDialog(QWidget* Parent = nullptr);

  QLineEdit* FileNameEdit() const { return FFileNameEdit; }
  QPushButton* OkButton() const { return FButton1; }
  QPushButton* CancelButton() const { return FButton2; }

 private:
  QLineEdit* FFileNameEdit;
  QPushButton* FButton1;
  QPushButton* FButton2;
};
