#include "ui/EditCommands.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QFontInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QWidget>
#include <Qsci/qsciscintilla.h>
#include <algorithm>

#include "core/ErrorReport.h"
#include "store/Settings.h"
#include "ui/EditFrame.h"
#include "ui/FindDialog.h"
#include "ui/FindNext.h"
#include "ui/Highlighters.h"
#include "ui/MainActions.h"
#include "ui/Page.h"
#include "ui/Pages.h"
#include "ui/ReplaceDialog.h"
#include "ui/TextSearch.h"

TEditCommands::TEditCommands(TMainActions& Actions, TPages& Pages, TSettings& Settings,
                             THighlighters& Highlighters, QWidget& Window,
                             std::function<bool(QFont&)> AskFont)
    : QObject(&Window),
      FActions(Actions),
      FPages(Pages),
      FSettings(Settings),
      FHighlighters(Highlighters),
      FWindow(Window),
      FAskFont(std::move(AskFont)),
      FFindDialog(new TFindDialog(&Window)),
      FReplaceDialog(new TReplaceDialog(&Window)) {
  connect(FFindDialog, &TFindDialog::Find, this, &TEditCommands::FindNextFromDialog);
  ConnectReplaceDialog();
  ConnectActions();
}

void TEditCommands::ConnectReplaceDialog() {
  connect(FReplaceDialog, &TReplaceDialog::FindNext, this, &TEditCommands::ReplaceFindNext);
  connect(FReplaceDialog, &TReplaceDialog::Replace, this, &TEditCommands::ReplaceOne);
  connect(FReplaceDialog, &TReplaceDialog::ReplaceAll, this, &TEditCommands::ReplaceAll);
}

TEditCommands::~TEditCommands() {
  disconnect(qApp, nullptr, this, nullptr);
  disconnect(QApplication::clipboard(), nullptr, this, nullptr);
}

void TEditCommands::ConnectActions() {
  const std::pair<QAction*, void (TEditCommands::*)()> handlers[] = {
      {FActions.CutAction, &TEditCommands::Cut},
      {FActions.CopyAction, &TEditCommands::Copy},
      {FActions.PasteAction, &TEditCommands::Paste},
      {FActions.SelectAllAction, &TEditCommands::SelectAll},
      {FActions.UndoAction, &TEditCommands::Undo},
      {FActions.RedoAction, &TEditCommands::Redo},
      {FActions.ReplaceAction, &TEditCommands::Replace},
      {FActions.GoToLineAction, &TEditCommands::GoToLine},
      {FActions.DeleteAction, &TEditCommands::Delete},
      {FActions.FindAction, &TEditCommands::Find},
      {FActions.ViewLineNumbersAction, &TEditCommands::ToggleLineNumbers},
      {FActions.WrapLinesAction, &TEditCommands::ToggleWrapLines},
      {FActions.FontAction, &TEditCommands::ChooseFont},
  };
  for (const auto& [action, handler] : handlers)
    connect(action, &QAction::triggered, this, handler);
  connect(FActions.FindNextAction, &QAction::triggered, this, [this] { FindAgain(false); });
  connect(FActions.FindPreviousAction, &QAction::triggered, this, [this] { FindAgain(true); });
  connect(FActions.LanguageMenu, &QMenu::aboutToShow, this, &TEditCommands::ShowLanguage);
  connect(FActions.LanguageGroup, &QActionGroup::triggered, this, &TEditCommands::ChooseLanguage);
  connect(qApp, &QApplication::focusChanged, this, &TEditCommands::Update);
  connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &TEditCommands::Update);
}

QsciScintilla* TEditCommands::FocusedEditor() const {
  for (QWidget* widget = FWindow.focusWidget(); widget; widget = widget->parentWidget())
    if (auto* edit = qobject_cast<QsciScintilla*>(widget)) return edit;
  return nullptr;
}

QsciScintilla* TEditCommands::ActiveEditor() const {
  TPage* page = FPages.Active();
  return page ? page->Editor() : nullptr;
}

// An editor with the focus decides; without one, Cut, Copy and Paste stay
// available for their own handlers and the editor-only commands are off.
void TEditCommands::Update() {
  QsciScintilla* edit = FocusedEditor();
  if (!edit) {
    for (QAction* action : {FActions.CutAction, FActions.CopyAction, FActions.PasteAction})
      action->setEnabled(true);
    for (QAction* action : {FActions.SelectAllAction, FActions.UndoAction, FActions.RedoAction,
                            FActions.DeleteAction})
      action->setEnabled(false);
    return;
  }
  const QMimeData* clipboard = QApplication::clipboard()->mimeData();
  FActions.CutAction->setEnabled(edit->hasSelectedText() && !edit->isReadOnly());
  FActions.CopyAction->setEnabled(edit->hasSelectedText());
  FActions.PasteAction->setEnabled(clipboard && clipboard->hasText());
  FActions.UndoAction->setEnabled(edit->isUndoAvailable());
  FActions.RedoAction->setEnabled(edit->isRedoAvailable());
  FActions.SelectAllAction->setEnabled(true);
  FActions.DeleteAction->setEnabled(true);
}

void TEditCommands::SelectAll() {
  if (QsciScintilla* edit = FocusedEditor()) edit->selectAll();
}

void TEditCommands::Undo() {
  if (QsciScintilla* edit = FocusedEditor()) edit->undo();
}

void TEditCommands::Redo() {
  if (QsciScintilla* edit = FocusedEditor()) edit->redo();
}

void TEditCommands::Delete() {
  if (QsciScintilla* edit = FocusedEditor()) edit->SendScintilla(QsciScintillaBase::SCI_CLEAR);
}

// The clipboard commands act on the active page whatever has the focus; the
// editor's own Ctrl+X/C/V are released to them (see TEditFrame).
void TEditCommands::Cut() {
  QsciScintilla* edit = ActiveEditor();
  if (!edit || !edit->hasSelectedText()) return;
  edit->cut();
  FPages.Active()->SetSaved(false);
}

void TEditCommands::Copy() {
  QsciScintilla* edit = ActiveEditor();
  if (edit && edit->hasSelectedText()) edit->copy();
}

// The page counts as changed even when the clipboard held nothing to paste.
void TEditCommands::Paste() {
  QsciScintilla* edit = ActiveEditor();
  if (!edit) return;
  edit->paste();
  FPages.Active()->SetSaved(false);
}

void TEditCommands::Find() {
  FFindDialog->show();
  FFindDialog->raise();
  FFindDialog->activateWindow();
}

void TEditCommands::FindNextFromDialog() {
  FLastSearchReplaces = false;
  FindNext(ActiveEditor(), FFindDialog->FindText(), FFindDialog->MatchCase(), FFindDialog->Up());
}

// A selection within one line is what the user most likely wants replaced.
void TEditCommands::Replace() {
  QsciScintilla* edit = ActiveEditor();
  if (edit && edit->hasSelectedText() && !edit->selectedText().contains(u'\n'))
    FReplaceDialog->FindEdit->setText(edit->selectedText());
  FReplaceDialog->ShowMessage(QString());
  FReplaceDialog->show();
  FReplaceDialog->raise();
  FReplaceDialog->activateWindow();
}

void TEditCommands::FindAgain(bool Up) {
  QsciScintilla* edit = ActiveEditor();
  if (!edit) return;
  if (!FLastSearchReplaces) {
    FindNext(edit, FFindDialog->FindText(), FFindDialog->MatchCase(), Up);
    return;
  }
  const TTextSearch search(FReplaceDialog->Options());
  if (search.Error().isEmpty()) search.FindNext(*edit, Up);
}

// The editor a command of the replace dialog acts on; null, with the reason
// in the dialog (an invalid pattern), when there is none.
QsciScintilla* TEditCommands::ReplaceTarget(const TTextSearch& Search) {
  FLastSearchReplaces = true;
  QsciScintilla* edit = ActiveEditor();
  if (edit && Search.Error().isEmpty()) return edit;
  FReplaceDialog->ShowMessage(Search.Error());
  return nullptr;
}

void TEditCommands::ReplaceFindNext() {
  const TTextSearch search(FReplaceDialog->Options());
  QsciScintilla* edit = ReplaceTarget(search);
  if (!edit) return;
  FReplaceDialog->ShowMessage(search.FindNext(*edit, false) ? QString() : "Not found.");
}

void TEditCommands::ReplaceOne() {
  const TTextSearch search(FReplaceDialog->Options());
  QsciScintilla* edit = ReplaceTarget(search);
  if (!edit) return;
  if (edit->isReadOnly()) return;
  const bool replaced = search.Replace(*edit, FReplaceDialog->ReplaceText());
  FReplaceDialog->ShowMessage(replaced ? "Replaced 1." : QString());
}

void TEditCommands::ReplaceAll() {
  const TTextSearch search(FReplaceDialog->Options());
  QsciScintilla* edit = ReplaceTarget(search);
  if (!edit) return;
  if (edit->isReadOnly()) return;
  const int count = search.ReplaceAll(*edit, FReplaceDialog->ReplaceText());
  FReplaceDialog->ShowMessage(count == 0   ? QString("Not found.")
                              : count == 1 ? QString("Replaced 1 match.")
                                           : QString("Replaced %1 matches.").arg(count));
}

void TEditCommands::GoToLine() {
  QsciScintilla* edit = ActiveEditor();
  if (!edit || !FAskLine) return;
  int line = 0, index = 0;
  edit->getCursorPosition(&line, &index);
  ++line;
  if (FAskLine(line, edit->lines())) GoToLine(line);
}

void TEditCommands::GoToLine(int Line) {
  QsciScintilla* edit = ActiveEditor();
  if (!edit) return;
  const int line = std::clamp(Line, 1, std::max(1, edit->lines())) - 1;
  edit->setCursorPosition(line, 0);
  edit->ensureLineVisible(line);
  edit->setFocus();
}

// The menu shows the language of the page in front.
void TEditCommands::ShowLanguage() {
  TPage* page = FPages.Active();
  const int language = int(page ? page->Language() : TLanguage::None);
  for (QAction* action : FActions.LanguageGroup->actions())
    action->setChecked(action->data().toInt() == language);
}

void TEditCommands::ChooseLanguage(QAction* Action) {
  if (TPage* page = FPages.Active()) page->SetLanguage(TLanguage(Action->data().toInt()));
}

// What the active page shows decides; the check mark is only flipped (Qt did
// that already), so after a new page brought its gutter back the two may
// disagree until the next restart reads the stored value.
void TEditCommands::ToggleLineNumbers() {
  TPage* active = FPages.Active();
  if (!active) return;
  const bool show = !active->Frame()->LineNumbersVisible();
  FPages.ForEach([show](TPage* Page) { Page->Frame()->SetLineNumbersVisible(show); });
  ErrorReport::Guarded([&] { FSettings.Set(TSettingKeys::ShowLineNumbers, show); });
}

void TEditCommands::ToggleWrapLines() {
  const bool wrap = FActions.WrapLinesAction->isChecked();
  FPages.ForEach([wrap](TPage* Page) { Page->Frame()->SetWordWrap(wrap); });
  ErrorReport::Guarded([&] { FSettings.Set(TSettingKeys::WrapLongLines, wrap); });
}

// The whole font goes to every page; only its name and size are stored, so
// style and effects last until the window closes.
void TEditCommands::ChooseFont() {
  TPage* active = FPages.Active();
  QFont font = active ? active->Frame()->EditorFont() : QFont();
  if (!FAskFont(font)) return;
  // Pages with a highlighter take their text font from the shared lexers.
  FHighlighters.SetFont(font);
  FPages.ForEach([&font](TPage* Page) { Page->Frame()->SetEditorFont(font); });
  const int size = font.pointSize() > 0 ? font.pointSize() : QFontInfo(font).pointSize();
  ErrorReport::Guarded([&] {
    FSettings.Set(TSettingKeys::FontName, font.family());
    FSettings.Set(TSettingKeys::FontSize, size);
  });
}

namespace {
// Only the family and size are stored between runs, so the font's style and
// effects stay as they are.
QFont StoredFont(QFont Font, const QString& Name, int Size) {
  Font.setFamily(Name);
  Font.setPointSize(Size);
  return Font;
}
}  // namespace

void TEditCommands::SetUpPage(TPage* Page) {
  Page->SetHighlighters(&FHighlighters);
  TEditFrame* frame = Page->Frame();
  frame->SetEditorFont(StoredFont(frame->EditorFont(), FSettings.Get(TSettingKeys::FontName),
                                  FSettings.Get(TSettingKeys::FontSize)));
}

void TEditCommands::ApplyStoredView() {
  const bool lineNumbers = FSettings.Get(TSettingKeys::ShowLineNumbers);
  const bool wrap = FSettings.Get(TSettingKeys::WrapLongLines);
  const QString fontName = FSettings.Get(TSettingKeys::FontName);
  const int fontSize = FSettings.Get(TSettingKeys::FontSize);

  FActions.WrapLinesAction->setChecked(wrap);
  FActions.ViewLineNumbersAction->setChecked(lineNumbers);
  FPages.ForEach([&](TPage* Page) {
    TEditFrame* frame = Page->Frame();
    frame->SetLineNumbersVisible(lineNumbers);
    frame->SetWordWrap(wrap);
    frame->SetEditorFont(StoredFont(frame->EditorFont(), fontName, fontSize));
  });
}
