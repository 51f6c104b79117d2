#pragma once

#include <QDialog>

#include "remote/session/HostKeyRequest.h"

class QLabel;
class QPushButton;

// psftp's host-key and weak-algorithm questions. Opened without blocking the
// caller; the choice comes back through Answered, exactly once per question
// (closing the window counts as Cancel).
class THostKeyDialog : public QDialog {
  Q_OBJECT
 public:
  explicit THostKeyDialog(QWidget* Parent = nullptr);

  // Fills the dialog for Request and opens it (window-modal, non-blocking).
  void Ask(const THostKeyRequest& Request);

  QLabel* TitleLabel() const { return FTitle; }
  QLabel* TextLabel() const { return FText; }
  QLabel* DetailsLabel() const { return FDetails; }
  QPushButton* TrustButton() const { return FTrust; }
  QPushButton* OnceButton() const { return FOnce; }
  QPushButton* CancelButton() const { return FCancel; }

  void done(int Result) override;

 signals:
  void Answered(THostKeyAnswer Answer);

 private:
  void Choose(THostKeyAnswer Answer);
  void ShowKeyQuestion(const THostKeyRequest& Request);
  void ShowWeakCryptoQuestion(const THostKeyRequest& Request);

  QLabel* FIcon;
  QLabel* FTitle;
  QLabel* FText;
  QLabel* FDetails;
  QPushButton* FTrust;
  QPushButton* FOnce;
  QPushButton* FCancel;
  THostKeyAnswer FChoice = THostKeyAnswer::Abandon;
  bool FAwaitingAnswer = false;
};
