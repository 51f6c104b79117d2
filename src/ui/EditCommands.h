#pragma once

#include <QObject>
#include <functional>

class QFont;
class QWidget;
class QsciScintilla;
class TFindDialog;
class THighlighters;
class TMainActions;
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
  // Brings the commands' enabled state up to date with the focused editor,
  // its selection and the clipboard.
  void Update();

  void SelectAll();
  void Undo();
  void Delete();
  void Cut();
  void Copy();
  void Paste();
  void Find();
  void FindNextFromDialog();
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

  TMainActions& FActions;
  TPages& FPages;
  TSettings& FSettings;
  THighlighters& FHighlighters;
  QWidget& FWindow;
  std::function<bool(QFont&)> FAskFont;
  TFindDialog* FFindDialog;
};
