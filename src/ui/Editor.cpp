#include "ui/Editor.h"

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
