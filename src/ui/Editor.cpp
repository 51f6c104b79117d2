#include "ui/Editor.h"

#include "ui/EditorAccessibility.h"

namespace {
// Scintilla's notices after a change and the flags that come with them. A
// notice reaches the editor when any of its bits is in the event mask, so
// the flags go too; the notices before a change keep their own bits.
constexpr long kAfterChange =
    QsciScintillaBase::SC_MOD_INSERTTEXT | QsciScintillaBase::SC_MOD_DELETETEXT |
    QsciScintillaBase::SC_PERFORMED_USER | QsciScintillaBase::SC_PERFORMED_UNDO |
    QsciScintillaBase::SC_PERFORMED_REDO | QsciScintillaBase::SC_MULTISTEPUNDOREDO |
    QsciScintillaBase::SC_LASTSTEPINUNDOREDO | QsciScintillaBase::SC_MULTILINEUNDOREDO |
    QsciScintillaBase::SC_STARTACTION;
constexpr int kBeforeChange =
    QsciScintillaBase::SC_MOD_BEFOREINSERT | QsciScintillaBase::SC_MOD_BEFOREDELETE;
}  // namespace

TEditor::TEditor(QWidget* Parent) : QsciScintilla(Parent) {
  TEditorAccessibility::Install();
  connect(this, &QsciScintillaBase::SCN_MODIFIED, this,
          [this](int, int Type, const char*, int, int, int, int, int, int, int) {
            if (Type & kBeforeChange) FChanging = true;
          });
}

void TEditor::recolor(int start, int end) {
  const long length = SendScintilla(SCI_GETLENGTH);
  const long stop = end < 0 || end > length ? length : end;
  if (stop - start <= EagerStylingLimit) {
    QsciScintilla::recolor(start, end);
    return;
  }
  // Moving the styled mark back is all a restyle needs: painting styles from
  // the mark up to the last line shown.
  if (start < SendScintilla(SCI_GETENDSTYLED))
    SendScintilla(SCI_STARTSTYLING, static_cast<unsigned long>(start), 0L);
  viewport()->update();
}

void TEditor::Hold(bool Held) {
  if (Held == FHeld) return;
  if (Held) FReadOnlyWanted = isReadOnly();
  FHeld = Held;
  QsciScintilla::setReadOnly(Held || FReadOnlyWanted);
}

void TEditor::setReadOnly(bool ReadOnly) {
  FReadOnlyWanted = ReadOnly;
  if (!FHeld) QsciScintilla::setReadOnly(ReadOnly);
}

// With an assistive technology listening, every change is told to it as
// QsciScintilla tells it, whatever it costs.
void TEditor::keyPressEvent(QKeyEvent* Event) {
  if (TEditorAccessibility::Listening()) {
    QsciScintilla::keyPressEvent(Event);
    return;
  }
  const long mask = SendScintilla(SCI_GETMODEVENTMASK);
  const int lines = this->lines();
  FChanging = false;
  SendScintilla(SCI_SETMODEVENTMASK, static_cast<unsigned long>(mask & ~kAfterChange));
  QsciScintilla::keyPressEvent(Event);
  SendScintilla(SCI_SETMODEVENTMASK, static_cast<unsigned long>(mask));
  if (!FChanging) return;
  FChanging = false;
  emit textChanged();
  if (this->lines() != lines) emit linesChanged();
}
