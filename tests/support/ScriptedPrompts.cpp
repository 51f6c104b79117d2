#include "ScriptedPrompts.h"

bool TScriptedPrompts::Confirm(const QString& Text) {
  Confirms << Text;
  if (ConfirmAnswers.empty()) return true;
  const bool answer = ConfirmAnswers.front();
  ConfirmAnswers.pop_front();
  return answer;
}

int TScriptedPrompts::Choose(const TChoice& Choice) {
  Choices << Choice.Text;
  Offered.push_back(Choice.Answers);
  if (ChoiceAnswers.empty()) return Choice.Escape;
  const QString answer = ChoiceAnswers.front();
  ChoiceAnswers.pop_front();
  const int index = int(Choice.Answers.indexOf(answer));
  return index >= 0 ? index : Choice.Escape;
}

std::optional<QString> TScriptedPrompts::AskText(const QString& Title, const QString&) {
  TextQuestions << Title;
  if (!TextResult) return std::nullopt;
  return TextAnswer;
}

std::optional<QString> TScriptedPrompts::AskName(const QString& Title, const QString& Label,
                                                 const QString& Value) {
  NamesOffered << Value;
  return AskText(Title, Label);
}

std::optional<QString> TScriptedPrompts::AskFile(const QString&) { return FileAnswer; }
