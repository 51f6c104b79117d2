#pragma once

#include <Qsci/qsciscintilla.h>

// The editor of a page. QsciScintilla restyles the whole document whenever a
// lexer is set or changed; on a file of tens of megabytes that takes seconds
// of the user-interface thread. Here a large document is only marked as
// unstyled from the given position: Scintilla styles what it paints (and the
// text before it) when it paints it.
//
// QsciScintilla also tells the accessibility layer of every insertion and
// removal as a character offset, which it finds by counting the characters
// from the start of the text: in the middle of a 20 MB file that count is
// nearly all of a key press's time. While no assistive technology listens
// (see TEditorAccessibility), a key press is handled without Scintilla's
// after-change notices, and the editor tells the change itself once the key
// is handled: textChanged, and linesChanged when the number of lines moved.
class TEditor : public QsciScintilla {
  Q_OBJECT
 public:
  // Documents up to this many bytes are styled at once, as QsciScintilla
  // itself does: at that size it costs little, and scrolling never shows
  // text that is not coloured yet.
  static constexpr long EagerStylingLimit = 1024 * 1024;

  explicit TEditor(QWidget* Parent = nullptr);

  void recolor(int start = 0, int end = -1) override;

  // While a file goes into it over several turns of the event loop, the
  // editor takes no typing, whatever setReadOnly asks meanwhile; what was
  // asked last applies once it is let go.
  void Hold(bool Held);
  bool Held() const { return FHeld; }
  void setReadOnly(bool ReadOnly) override;

 protected:
  void keyPressEvent(QKeyEvent* Event) override;

 private:
  // Set by Scintilla's notice before a change while a key is handled.
  bool FChanging = false;
  bool FHeld = false;
  bool FReadOnlyWanted = false;
};
