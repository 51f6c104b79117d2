#pragma once

#include <QFont>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <vector>

#include "ui/MainWindow.h"

// The main window with the questions it would put to a person answered from
// the test's script, and everything it asks and says recorded.
//
// An answer the test has not scripted is the one that changes nothing
// (Cancel, no, empty), except where the window has something of its own to
// ask: the connect dialog and the Save As name go to the dialogs the test
// handed over (SetConnectDialog, SetSaveAsForm) and are cancelled without
// them, and whether an upload is on its way is the driver's own answer. So a
// test that hands over the real dialogs sees them run.
class TScriptedForm : public TMainWindow, public IUserPrompts {
 public:
  TScriptedForm() { SetPrompts(this); }
  using TMainWindow::Inform;

  // ---------------------------------------------------------------- answers
  // The save question takes the next queued answer, then SaveAnswer.
  std::deque<QMessageBox::StandardButton> SaveAnswers;
  QMessageBox::StandardButton SaveAnswer = QMessageBox::Cancel;
  bool ConfirmAnswer = false;
  // The open-file dialog's choice; empty: cancelled.
  QString OpenAnswer;
  // The font dialog's choice; none: cancelled.
  std::optional<QFont> FontAnswer;
  // The Go to Line question's answer; none: cancelled.
  std::optional<int> LineAnswer;
  // With values, the connect dialog is closed with OK and gives them.
  std::optional<TConnectValues> ConnectValues;
  // With a value, the Save As question gives it; an empty one cancels.
  std::optional<QString> SaveAsName;
  // Other choices (a save the server's copy made questionable): answers by
  // their text, in turn; none left: the window's own message box.
  std::deque<QString> ChoiceAnswers;
  // The name questions' answers (rename, new file, go to folder), in turn;
  // none left: cancelled.
  std::deque<QString> NameAnswers;
  // With a value, stands in for the driver's "an upload is on its way".
  std::optional<bool> Uploading;

  // ---------------------------------------------------------------- records
  QStringList SaveQuestions;
  // Each name question as "Title: preset value".
  QStringList NameQuestions;
  // The page in front when each save question was asked.
  std::vector<TPage*> ActiveAtSaveQuestion;
  QStringList Confirms;
  QStringList Errors;
  QStringList Messages;
  // The other choices put, and the answers each offered.
  QStringList Choices;
  std::vector<QStringList> Offered;
  // Panel 0's texts in turn: a fast server can answer before a test looks.
  QStringList Panel0;
  // The font each font dialog was preset with.
  std::vector<QFont> FontPresets;
  // The line and the last line each Go to Line question offered.
  std::vector<std::pair<int, int>> LineQuestions;
  int OpenDialogShown = 0;
  int ConnectDialogShown = 0;
  int SaveAsShown = 0;

  // ---------------------------------------------------------------- a person's answers
  void Inform(TTone Tone, const QString& Text) override;
  bool Confirm(const QString& Text) override;
  int Choose(const TChoice& Choice) override;
  std::optional<QString> AskText(const QString& Title, const QString& Label) override;
  std::optional<QString> AskFile(const QString& Title) override;
  std::optional<QString> AskName(const QString& Title, const QString&,
                                 const QString& Value) override {
    NameQuestions << Title + ": " + Value;
    if (NameAnswers.empty()) return std::nullopt;
    const QString answer = NameAnswers.front();
    NameAnswers.pop_front();
    return answer;
  }
  std::optional<QString> AskSaveFile(const QString&, const QString&) override {
    return OpenAnswer.isEmpty() ? std::nullopt : std::optional<QString>(OpenAnswer);
  }

  // ---------------------------------------------------------------- the window's hooks
  bool UploadInProgress() override;
  bool ShowConnectDialog() override;
  TConnectValues ConnectDialogValues() override;
  void SetStatus(const QString& S, int Index, const QString& ToolTip = QString()) override;

 protected:
  bool AskFont(QFont& Font) override;
  bool AskLine(int& Line, int Last) override;
};
