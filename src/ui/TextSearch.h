#pragma once

#include <QRegularExpression>
#include <QString>

class QsciScintilla;

// What the Replace dialog looks for.
struct TSearchOptions {
  QString Text;
  bool MatchCase = false;
  bool WholeWord = false;
  bool RegularExpression = false;
};

// Find and replace in an editor, for plain text, whole words or a regular
// expression. Every mode runs one compiled pattern over the document's text
// as a QString, so case folding covers every letter, not only ASCII ones
// (Scintilla's own search folds only those). A pattern that does not
// compile finds and changes nothing; Error() says why.
class TTextSearch {
 public:
  explicit TTextSearch(const TSearchOptions& Options);

  // Empty when the pattern is usable.
  QString Error() const;
  // Selects the next match after the selection (Up: the last one before it),
  // without wrapping around; false when there is none.
  bool FindNext(QsciScintilla& Editor, bool Up) const;
  // When the selection is exactly a match it is replaced; then the next
  // match is selected. Returns whether a replacement was made.
  bool Replace(QsciScintilla& Editor, const QString& Replacement) const;
  // Replaces every match in the text as one step of undo; returns how many.
  int ReplaceAll(QsciScintilla& Editor, const QString& Replacement) const;

 private:
  // Replacement with \1..\9 and $1..$9 filled in for a regular expression,
  // as it is for plain text.
  QString Expand(const QString& Replacement, const QRegularExpressionMatch& Match) const;

  bool FRegularExpression;
  QRegularExpression FPattern;
};
