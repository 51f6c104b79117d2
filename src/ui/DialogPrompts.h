#pragma once

#include <QPointer>

#include "ui/SaveAsDialog.h"

#include "remote/editing/UserPrompts.h"

class QWidget;

// The core's questions as the window's dialogs: message boxes, the Save As
// dialog for a line of text, the platform's file dialog.
class TDialogPrompts : public IUserPrompts {
 public:
  explicit TDialogPrompts(QWidget* Parent) : FParent(Parent) {}
  // The dialog that asks for a name; without one, such a question is cancelled.
  void SetTextDialog(TSaveAsDialog* Dialog) { FTextDialog = Dialog; }

  void Inform(TTone Tone, const QString& Text) override;
  bool Confirm(const QString& Text) override;
  int Choose(const TChoice& Choice) override;
  std::optional<QString> AskText(const QString& Title, const QString& Label) override;
  std::optional<QString> AskFile(const QString& Title) override;
  std::optional<QString> AskName(const QString& Title, const QString& Label,
                                 const QString& Value) override;
  QStringList AskFiles(const QString& Title) override;
  std::optional<QString> AskSaveFile(const QString& Title, const QString& Name) override;

 private:
  QWidget* FParent;
  QPointer<TSaveAsDialog> FTextDialog;
};
