#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <optional>

#include "remote/editing/UserPrompts.h"
#include "remote/local/TempFolder.h"

// A person's answers, from the test's script, and everything put to them.
// Unscripted, a yes-or-no question gets Yes, a choice its escape answer, a
// name TextAnswer, a file dialog nothing.
class TScriptedPrompts : public IUserPrompts {
 public:
  void Inform(TTone Tone, const QString& Text) override {
    (Tone == TTone::Error ? Errors : Messages) << Text;
  }
  bool Confirm(const QString& Text) override;
  int Choose(const TChoice& Choice) override;
  std::optional<QString> AskText(const QString& Title, const QString& Label) override;
  std::optional<QString> AskFile(const QString& Title) override;
  std::optional<QString> AskName(const QString& Title, const QString& Label,
                                 const QString& Value) override;
  std::optional<QString> AskSaveFile(const QString&, const QString&) override { return FileAnswer; }

  std::deque<bool> ConfirmAnswers;  // empty: Yes
  // Answers by their text ("Overwrite", "Cancel", ...); empty: the escape.
  std::deque<QString> ChoiceAnswers;
  bool TextResult = true;  // false: the name question is cancelled
  QString TextAnswer;
  std::optional<QString> FileAnswer;

  QStringList Errors;
  QStringList Messages;
  QStringList Confirms;
  QStringList Choices;              // the question texts
  std::deque<QStringList> Offered;  // each choice's answers
  QStringList TextQuestions;
  QStringList NamesOffered;  // each name question's preset value
};

// Gives Page's document a local copy named Name in its own folder, as a
// download or a save would, and lets the page show it.
template <class TPageType>
TPageType* NameDocument(TPageType* Page, const QString& Name) {
  Page->Document().LocalPath = Page->Document().Folder() + Name;
  Page->DocumentChanged();
  return Page;
}
