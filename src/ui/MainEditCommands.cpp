// The main window's edit commands: clipboard, undo, find, the view and font settings, open, about.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFontDialog>
#include <QFontInfo>
#include <QMimeData>
#include <Qsci/qsciscintilla.h>

#include "core/ErrorReport.h"
#include "store/MSettings.h"
#include "ui/FindDialog.h"
#include "ui/FindNext.h"
#include "ui/Highlighters.h"
#include "ui/Main.h"
#include "ui/Pages.h"
#include "ui/UnsavedGuard.h"
#include "ui/frmAbout.h"
#include "ui/frmDebug.h"
#include "ui/frmEdit.h"

QsciScintilla* TMainForm::FocusedEditor() {
  for (QWidget* widget = focusWidget(); widget; widget = widget->parentWidget())
    if (auto* edit = qobject_cast<QsciScintilla*>(widget)) return edit;
  return nullptr;
}

// An editor with the focus decides; without one, Cut, Copy and Paste stay
// available for their own handlers and the editor-only commands are off.
void TMainForm::UpdateEditActions() {
  QsciScintilla* edit = FocusedEditor();
  if (!edit) {
    for (QAction* action : {CutAction, CopyAction, PasteAction}) action->setEnabled(true);
    for (QAction* action : {EditSelectAll1, EditUndo1, EditDelete1}) action->setEnabled(false);
    return;
  }
  const QMimeData* clipboard = QApplication::clipboard()->mimeData();
  CutAction->setEnabled(edit->hasSelectedText() && !edit->isReadOnly());
  CopyAction->setEnabled(edit->hasSelectedText());
  PasteAction->setEnabled(clipboard && clipboard->hasText());
  EditUndo1->setEnabled(edit->isUndoAvailable());
  EditSelectAll1->setEnabled(true);
  EditDelete1->setEnabled(true);
}

void TMainForm::EditSelectAll1Execute() {
  if (QsciScintilla* edit = FocusedEditor()) edit->selectAll();
}

void TMainForm::EditUndo1Execute() {
  if (QsciScintilla* edit = FocusedEditor()) edit->undo();
}

void TMainForm::EditDelete1Execute() {
  if (QsciScintilla* edit = FocusedEditor()) edit->SendScintilla(QsciScintillaBase::SCI_CLEAR);
}

// The clipboard commands act on the active page whatever has the focus; the
// editor's own Ctrl+X/C/V are released to them (see TEditFrame).
void TMainForm::CutActionExecute() {
  QsciScintilla* edit = ActiveEdit();
  if (!edit || !edit->hasSelectedText()) return;
  edit->cut();
  ActivePage()->SetSaved(false);
}

void TMainForm::CopyActionExecute() {
  QsciScintilla* edit = ActiveEdit();
  if (edit && edit->hasSelectedText()) edit->copy();
}

// The page counts as changed even when the clipboard held nothing to paste.
void TMainForm::PasteActionExecute() {
  QsciScintilla* edit = ActiveEdit();
  if (!edit) return;
  edit->paste();
  ActivePage()->SetSaved(false);
}

void TMainForm::FindActionExecute() {
  FFindDialog->show();
  FFindDialog->raise();
  FFindDialog->activateWindow();
}

void TMainForm::FindDialogFind() {
  FindNext(ActiveEdit(), FFindDialog->FindText(), FFindDialog->MatchCase(), FFindDialog->Up());
}

// What the active page shows decides; the check mark is only flipped (Qt did
// that already), so after a new page brought its gutter back the two may
// disagree until the next restart reads the stored value.
void TMainForm::ViewLineNumbersActionExecute() {
  TPage* active = ActivePage();
  if (!active) return;
  const bool show = !active->Frame()->LineNumbersVisible();
  FPages->ForEach([show](TPage* Page) { Page->Frame()->SetLineNumbersVisible(show); });
  ErrorReport::Guarded([&] { FSettings->Set(TSettingKeys::ShowLineNumbers, show); });
}

void TMainForm::WrapLinesActionExecute() {
  const bool wrap = WrapLinesAction->isChecked();
  FPages->ForEach([wrap](TPage* Page) { Page->Frame()->SetWordWrap(wrap); });
  ErrorReport::Guarded([&] { FSettings->Set(TSettingKeys::WrapLongLines, wrap); });
}

// The whole font goes to every page; only its name and size are stored, so
// style and effects last until the window closes.
void TMainForm::FontActionExecute() {
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

bool TMainForm::AskFont(QFont& Font) {
  bool ok = false;
  const QFont chosen = QFontDialog::getFont(&ok, Font, this, "Font", QFontDialog::MonospacedFonts);
  if (ok) Font = chosen;
  return ok;
}

void TMainForm::ShowConnectDialogActionExecute() {
  const bool show = ShowConnectDialogAction->isChecked();
  ErrorReport::Guarded([&] { FSettings->Set(TSettingKeys::ShowConnectDialog, show); });
}

void TMainForm::OpenActionExecute() {
  const QString fileName = AskOpenFileName();
  if (!fileName.isEmpty()) OpenActionAccept(fileName);
}

QString TMainForm::AskOpenFileName() { return QFileDialog::getOpenFileName(this, "Open"); }

// Loading a whole file is no edit: caption, remote name, highlighter and the
// saved state stay, so a page that came from the server still saves there.
void TMainForm::OpenActionAccept(const QString& FileName) {
  TPage* page = ActivePage();
  if (!page) return;
  FUnsavedGuard->Protect(page, [this, page, FileName] {
    ErrorReport::Guarded([&] { page->LoadFromFile(FileName); });
    UpdateEditActions();
  });
}

void TMainForm::Action4Execute() {
  if (FAboutForm) FAboutForm->exec();
}

void TMainForm::ViewDebugLogActionExecute() {
  if (FDebugForm) FDebugForm->exec();
}
