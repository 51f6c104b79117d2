#pragma once

#include <QByteArray>
#include <QDialog>

#include "remote/session/HostKeyRequest.h"

class QLabel;
class QLineEdit;
class QPushButton;

// psftp asks for a password it was not given. Opened without blocking the
// caller; OK gives Answered, Cancel (or closing) gives Cancelled, once per question.
class TPasswordDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TPasswordDialog(QWidget* Parent = nullptr);

  // Shows the prompt and opens the dialog (window-modal, non-blocking).
  void Ask(const TPasswordRequest& Request);

  QLabel* PromptLabel() const { return FPrompt; }
  QLineEdit* PasswordEdit() const { return FPasswordEdit; }
  QPushButton* OkButton() const { return FOk; }
  QPushButton* CancelButton() const { return FCancel; }

  void done(int Result) override;

 signals:
  void Answered(const QByteArray& Password);
  void Cancelled();

 private:
  QLabel* FPrompt;
  QLineEdit* FPasswordEdit;
  QPushButton* FOk;
  QPushButton* FCancel;
  bool FAwaitingAnswer = false;
};
