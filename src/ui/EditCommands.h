#pragma once

#include <QObject>
#include <functional>

class QAction;
class QFont;
class QWidget;
class QsciScintilla;
class TFindDialog;
class THighlighters;
class TMainActions;
class TReplaceDialog;
class TTextSearch;
class TPage;
class TPages;
class TSettings;

// The commands that act on the text and how it is shown: the clipboard,
// undo, select all, delete, find, line numbers, wrapping and the font. They
// act on the focused editor, or on the page in front, never on a remote file.
class TEditCommands : public QObject {
  Q_OBJECT
 public:
  // AskFont shows the font dialog preset with its argument; false when
  // cancelled. Window is the parent of the find dialog and the source of the
  // focus.
  TEditCommands(TMainActions& Actions, TPages& Pages, TSettings& Settings,
                THighlighters& Highlighters, QWidget& Window, std::function<bool(QFont&)> AskFont);
  ~TEditCommands() override;

  TFindDialog* FindDialog() const { return FFindDialog; }
  TReplaceDialog* ReplaceDialog() const { return FReplaceDialog; }
  // AskLine asks for a line number between 1 and Last, preset with Line;
  // false when cancelled.
  void SetAskLine(std::function<bool(int& Line, int Last)> Value) { FAskLine = std::move(Value); }
  // Brings the commands' enabled state up to date with the focused editor,
  // its selection and the clipboard.
  void Update();

  void SelectAll();
  void Undo();
  void Redo();
  void Delete();
  void Cut();
  void Copy();
  void Paste();
  void Find();
  void FindNextFromDialog();
  void Replace();
  // F3 and Shift+F3: the search last run from either dialog, again, with
  // the dialog open or closed.
  void FindAgain(bool Up);
  void GoToLine();
  // Line counts from 1; past the last line it goes to the last, before the
  // first to the first.
  void GoToLine(int Line);
  // Qt has already flipped a checkable action's check mark when its handler
  // runs.
  void ToggleLineNumbers();
  void ToggleWrapLines();
  void ChooseFont();

  // A new page takes the stored font and the shared highlighters.
  void SetUpPage(TPage* Page);
  // Every page and the check marks take the stored view. Everything is read
  // before anything changes, so a bad value changes nothing.
  void ApplyStoredView();

 private:
  QsciScintilla* FocusedEditor() const;
  QsciScintilla* ActiveEditor() const;
  void ConnectActions();
  void ConnectReplaceDialog();
  void ShowLanguage();
  void ChooseLanguage(QAction* Action);
  QsciScintilla* ReplaceTarget(const TTextSearch& Search);
  void ReplaceFindNext();
  void ReplaceOne();
  void ReplaceAll();

  TMainActions& FActions;
  TPages& FPages;
  TSettings& FSettings;
  THighlighters& FHighlighters;
  QWidget& FWindow;
  std::function<bool(QFont&)> FAskFont;
  TFindDialog* FFindDialog;
  TReplaceDialog* FReplaceDialog;
  std::function<bool(int&, int)> FAskLine;
  // Which dialog's search F3 repeats: the one last used.
  bool FLastSearchReplaces = false;
};
