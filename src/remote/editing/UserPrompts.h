#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The few ways the core puts something to the person at the screen. The
// window answers them with dialogs, tests with a script. Each call returns
// the answer: whoever implements them must not return before the person
// has answered.
class IUserPrompts {
 public:
  virtual ~IUserPrompts() = default;

  enum class TTone { Message, Error };
  // Tells the person something; nothing to answer.
  virtual void Inform(TTone Tone, const QString& Text) = 0;
  // A yes-or-no question; true for Yes.
  virtual bool Confirm(const QString& Text) = 0;

  // A question with answers of its own. "Cancel", "Yes" and "No" are shown
  // as the platform's own buttons.
  struct TChoice {
    QString Title;
    QString Text;
    QStringList Answers;
    int Default = 0;  // the answer Enter gives
    int Escape = -1;  // the answer closing the question gives
    TTone Tone = TTone::Message;
  };
  // The index of the answer, or Escape when the question was closed.
  virtual int Choose(const TChoice& Choice) = 0;

  // A line of text, such as a file name; none when cancelled.
  virtual std::optional<QString> AskText(const QString& Title, const QString& Label) = 0;
  // A local file to read; none when cancelled.
  virtual std::optional<QString> AskFile(const QString& Title) = 0;
  // A name, preset with Value and its part before the extension selected,
  // as file managers ask for a new name; none when cancelled.
  virtual std::optional<QString> AskName(const QString& Title, const QString& Label,
                                         const QString& Value) {
    Q_UNUSED(Value);
    return AskText(Title, Label);
  }
  // Local files to read; empty when cancelled.
  virtual QStringList AskFiles(const QString& Title) {
    const std::optional<QString> file = AskFile(Title);
    return file ? QStringList{*file} : QStringList();
  }
  // A local file to write, preset with Name; none when cancelled.
  virtual std::optional<QString> AskSaveFile(const QString& Title, const QString& Name) = 0;
};
