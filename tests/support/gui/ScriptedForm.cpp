#include "ScriptedForm.h"

QMessageBox::StandardButton TScriptedForm::AskSaveChanges(const QString& Text) {
  SaveQuestions << Text;
  ActiveAtSaveQuestion.push_back(ActivePage());
  if (SaveAnswers.empty()) return SaveAnswer;
  const QMessageBox::StandardButton answer = SaveAnswers.front();
  SaveAnswers.pop_front();
  return answer;
}

bool TScriptedForm::UploadInProgress() {
  return Uploading ? *Uploading : TMainWindow::UploadInProgress();
}

bool TScriptedForm::Confirm(const QString& Text) {
  Confirms << Text;
  return ConfirmAnswer;
}

void TScriptedForm::ShowError(const QString& Text) { Errors << Text; }

void TScriptedForm::ShowMessage(const QString& Text) { Messages << Text; }

bool TScriptedForm::ShowConnectDialog() {
  ++ConnectDialogShown;
  return ConnectValues ? true : TMainWindow::ShowConnectDialog();
}

TConnectValues TScriptedForm::ConnectDialogValues() {
  return ConnectValues ? *ConnectValues : TMainWindow::ConnectDialogValues();
}

bool TScriptedForm::AskSaveAsName(QString& FileName) {
  ++SaveAsShown;
  if (!SaveAsName) return TMainWindow::AskSaveAsName(FileName);
  FileName = *SaveAsName;
  return !SaveAsName->isEmpty();
}

void TScriptedForm::SetStatus(const QString& S, int Index, const QString& ToolTip) {
  if (Index == 0) Panel0 << S;
  TMainWindow::SetStatus(S, Index, ToolTip);
}

QString TScriptedForm::AskOpenFileName() {
  ++OpenDialogShown;
  return OpenAnswer;
}

bool TScriptedForm::AskFont(QFont& Font) {
  FontPresets.push_back(Font);
  if (!FontAnswer) return false;
  Font = *FontAnswer;
  return true;
}
