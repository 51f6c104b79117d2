#pragma once

#include <QDialog>

class QLabel;

// The About box: product name, version and the project's web address.
class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  static const QString WebAddress;

  explicit TAboutBox(QWidget* Parent = nullptr);

  QLabel* LinkLabel() const { return FLinkLabel; }
  // Hands the link's whole displayed text to the desktop to open.
  void LinkLabelLinkClick();
  // Asks the desktop to open a file or address; its result is not examined.
  static void ShellOpen(const QString& FileName);

 private:
  QLabel* FLinkLabel;
};
