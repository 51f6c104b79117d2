#pragma once

#include <QString>

class QsciScintilla;

// Plain-text search from the caret towards the end (or, with Up, the start)
// without wrapping around. A match is selected with the caret at its end going
// down and at its start going up, so the next search in the same direction
// continues past it. An empty Text or a miss changes nothing; returns whether
// a match was found.
bool FindNext(QsciScintilla* Editor, const QString& Text, bool MatchCase, bool Up);
