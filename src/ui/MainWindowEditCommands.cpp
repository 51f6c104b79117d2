// The main window's edit commands: clipboard, undo, find, the view and font settings, open, about.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFontDialog>
#include <QFontInfo>
#include <QMimeData>
#include <Qsci/qsciscintilla.h>

#include "core/ErrorReport.h"
#include "remote/editing/UnsavedGuard.h"
#include "store/Settings.h"
#include "ui/AboutBox.h"
#include "ui/DebugLogWindow.h"
#include "ui/EditFrame.h"
#include "ui/FindDialog.h"
#include "ui/FindNext.h"
#include "ui/Highlighters.h"
#include "ui/MainWindow.h"
#include "ui/Pages.h"

QsciScintilla* TMainWindow::FocusedEditor() {
  for (QWidget* widget = focusWidget(); widget; widget = widget->parentWidget())
    if (auto* edit = qobject_cast<QsciScintilla*>(widget)) return edit;
  return nullptr;
}

// An editor with the focus decides; without one, Cut, Copy and Paste stay
// available for their own handlers and the editor-only commands are off.
void TMainWindow::UpdateEditActions() {
  QsciScintilla* edit = FocusedEditor();
  if (!edit) {
    for (QAction* action : {CutAction, CopyAction, PasteAction}) action->setEnabled(true);
    for (QAction* action : {SelectAllAction, UndoAction, DeleteAction}) action->setEnabled(false);
    return;
  }
  const QMimeData* clipboard = QApplication::clipboard()->mimeData();
  CutAction->setEnabled(edit->hasSelectedText() && !edit->isReadOnly());
  CopyAction->setEnabled(edit->hasSelectedText());
  PasteAction->setEnabled(clipboard && clipboard->hasText());
  UndoAction->setEnabled(edit->isUndoAvailable());
  SelectAllAction->setEnabled(true);
  DeleteAction->setEnabled(true);
}

void TMainWindow::SelectAllActionExecute() {
  if (QsciScintilla* edit = FocusedEditor()) edit->selectAll();
}

void TMainWindow::UndoActionExecute() {
  if (QsciScintilla* edit = FocusedEditor()) edit->undo();
}

void TMainWindow::DeleteActionExecute() {
  if (QsciScintilla* edit = FocusedEditor()) edit->SendScintilla(QsciScintillaBase::SCI_CLEAR);
}

// The clipboard commands act on the active page whatever has the focus; the
// editor's own Ctrl+X/C/V are released to them (see TEditFrame).
void TMainWindow::CutActionExecute() {
  QsciScintilla* edit = ActiveEdit();
  if (!edit || !edit->hasSelectedText()) return;
  edit->cut();
  ActivePage()->SetSaved(false);
}

void TMainWindow::CopyActionExecute() {
  QsciScintilla* edit = ActiveEdit();
  if (edit && edit->hasSelectedText()) edit->copy();
}

// The page counts as changed even when the clipboard held nothing to paste.
void TMainWindow::PasteActionExecute() {
  QsciScintilla* edit = ActiveEdit();
  if (!edit) return;
  edit->paste();
  ActivePage()->SetSaved(false);
}

void TMainWindow::FindActionExecute() {
  FFindDialog->show();
  FFindDialog->raise();
  FFindDialog->activateWindow();
}

void TMainWindow::FindDialogFind() {
  FindNext(ActiveEdit(), FFindDialog->FindText(), FFindDialog->MatchCase(), FFindDialog->Up());
}

// What the active page shows decides; the check mark is only flipped (Qt did
// that already), so after a new page brought its gutter back the two may
// disagree until the next restart reads the stored value.
void TMainWindow::ViewLineNumbersActionExecute() {
  TPage* active = ActivePage();
  if (!active) return;
  const bool show = !active->Frame()->LineNumbersVisible();
  FPages->ForEach([show](TPage* Page) { Page->Frame()->SetLineNumbersVisible(show); });
  ErrorReport::Guarded([&] { FSettings->Set(TSettingKeys::ShowLineNumbers, show); });
}

void TMainWindow::WrapLinesActionExecute() {
  const bool wrap = WrapLinesAction->isChecked();
  FPages->ForEach([wrap](TPage* Page) { Page->Frame()->SetWordWrap(wrap); });
  ErrorReport::Guarded([&] { FSettings->Set(TSettingKeys::WrapLongLines, wrap); });
}

// The whole font goes to every page; only its name and size are stored, so
// style and effects last until the window closes.
void TMainWindow::FontActionExecute() {
  TPage* active = ActivePage();
  QFont font = active ? active->Frame()->EditorFont() : QFont();
  if (!AskFont(font)) return;
  // Pages with a highlighter take their text font from the shared lexers.
  FHighlighters->SetFont(font);
  FPages->ForEach([&font](TPage* Page) { Page->Frame()->SetEditorFont(font); });
  const int size = font.pointSize() > 0 ? font.pointSize() : QFontInfo(font).pointSize();
  ErrorReport::Guarded([&] {
    FSettings->Set(TSettingKeys::FontName, font.family());
    FSettings->Set(TSettingKeys::FontSize, size);
  });
}

bool TMainWindow::AskFont(QFont& Font) {
  bool ok = false;
  const QFont chosen = QFontDialog::getFont(&ok, Font, this, "Font", QFontDialog::MonospacedFonts);
  if (ok) Font = chosen;
  return ok;
}

void TMainWindow::ShowConnectDialogActionExecute() {
  const bool show = ShowConnectDialogAction->isChecked();
  ErrorReport::Guarded([&] { FSettings->Set(TSettingKeys::ShowConnectDialog, show); });
}

void TMainWindow::OpenActionExecute() {
  const std::optional<QString> fileName = Prompts().AskFile("Open");
  if (fileName && !fileName->isEmpty()) OpenActionAccept(*fileName);
}

// Loading a whole file is no edit: caption, remote name, highlighter and the
// saved state stay, so a page that came from the server still saves there.
void TMainWindow::OpenActionAccept(const QString& FileName) {
  TPage* page = ActivePage();
  if (!page) return;
  FUnsavedGuard->Protect(page, [this, page, FileName] {
    ErrorReport::Guarded([&] { page->LoadFromFile(FileName); });
    UpdateEditActions();
  });
}

void TMainWindow::AboutActionExecute() {
  if (FAboutForm) FAboutForm->exec();
}

void TMainWindow::ViewDebugLogActionExecute() {
  if (FDebugForm) FDebugForm->exec();
}
