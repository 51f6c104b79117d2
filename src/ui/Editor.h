#pragma once

#include <Qsci/qsciscintilla.h>

// The editor of a page. QsciScintilla restyles the whole document whenever a
// lexer is set or changed; on a file of tens of megabytes that takes seconds
// of the user-interface thread. Here a large document is only marked as
// unstyled from the given position: Scintilla styles what it paints (and the
// text before it) when it paints it.
class TEditor : public QsciScintilla {
  Q_OBJECT
 public:
  // Documents up to this many bytes are styled at once, as QsciScintilla
  // itself does: at that size it costs little, and scrolling never shows
  // text that is not coloured yet.
  static constexpr long EagerStylingLimit = 1024 * 1024;

  using QsciScintilla::QsciScintilla;

  void recolor(int start = 0, int end = -1) override;
};
