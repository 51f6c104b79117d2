#include "ScriptedForm.h"

#include "ui/DialogPrompts.h"

void TScriptedForm::Inform(TTone Tone, const QString& Text) {
  (Tone == TTone::Error ? Errors : Messages) << Text;
}

// The save question is told from the others by its answers.
int TScriptedForm::Choose(const TChoice& Choice) {
  if (Choice.Answers == QStringList{"Yes", "No", "Cancel"}) {
    SaveQuestions << Choice.Text;
    ActiveAtSaveQuestion.push_back(ActivePage());
    QMessageBox::StandardButton answer = SaveAnswer;
    if (!SaveAnswers.empty()) {
      answer = SaveAnswers.front();
      SaveAnswers.pop_front();
    }
    return answer == QMessageBox::Yes ? 0 : answer == QMessageBox::No ? 1 : Choice.Escape;
  }
  Choices << Choice.Text;
  Offered.push_back(Choice.Answers);
  if (ChoiceAnswers.empty()) return DialogPrompts().Choose(Choice);
  const QString answer = ChoiceAnswers.front();
  ChoiceAnswers.pop_front();
  const int index = int(Choice.Answers.indexOf(answer));
  return index >= 0 ? index : Choice.Escape;
}

bool TScriptedForm::UploadInProgress() {
  return Uploading ? *Uploading : TMainWindow::UploadInProgress();
}

bool TScriptedForm::Confirm(const QString& Text) {
  Confirms << Text;
  return ConfirmAnswer;
}

bool TScriptedForm::ShowConnectDialog() {
  ++ConnectDialogShown;
  return ConnectValues ? true : TMainWindow::ShowConnectDialog();
}

TConnectValues TScriptedForm::ConnectDialogValues() {
  return ConnectValues ? *ConnectValues : TMainWindow::ConnectDialogValues();
}

std::optional<QString> TScriptedForm::AskText(const QString& Title, const QString& Label) {
  ++SaveAsShown;
  if (!SaveAsName) return DialogPrompts().AskText(Title, Label);
  if (SaveAsName->isEmpty()) return std::nullopt;
  return *SaveAsName;
}

void TScriptedForm::SetStatus(const QString& S, int Index, const QString& ToolTip) {
  if (Index == 0) Panel0 << S;
  TMainWindow::SetStatus(S, Index, ToolTip);
}

std::optional<QString> TScriptedForm::AskFile(const QString&) {
  ++OpenDialogShown;
  if (OpenAnswer.isEmpty()) return std::nullopt;
  return OpenAnswer;
}

bool TScriptedForm::AskLine(int& Line, int Last) {
  LineQuestions.emplace_back(Line, Last);
  if (!LineAnswer) return false;
  Line = *LineAnswer;
  return true;
}

bool TScriptedForm::AskFont(QFont& Font) {
  FontPresets.push_back(Font);
  if (!FontAnswer) return false;
  Font = *FontAnswer;
  return true;
}
