#include "ui/FindNext.h"

#include <Qsci/qsciscintilla.h>

// The search runs on the document's text as a QString rather than through
// Scintilla's own search: Scintilla here folds only ASCII letters when the
// case does not matter, so "É" would not find "é". QsciScintilla::findFirst
// has a further trap: it leaves the caret at the end of a backward match and
// starts the next backward search from the caret, finding the same match again.
namespace {

// The document's bytes and the conversions between byte positions (what
// Scintilla counts) and QString indexes (what the search counts).
class TDocumentText {
 public:
  explicit TDocumentText(QsciScintilla& Editor)
      : FUtf8(Editor.isUtf8()),
        FBytes(reinterpret_cast<const char*>(
                   Editor.SendScintilla(QsciScintillaBase::SCI_GETCHARACTERPOINTER)),
               Editor.SendScintilla(QsciScintillaBase::SCI_GETLENGTH)),
        FText(Decode(FBytes)) {}

  const QString& Text() const { return FText; }
  qsizetype IndexOf(long Position) const { return Decode(FBytes.first(Position)).size(); }
  long PositionOf(qsizetype Index) const {
    const QStringView prefix = QStringView(FText).left(Index);
    return long(FUtf8 ? prefix.toUtf8().size() : prefix.size());
  }

 private:
  QString Decode(QByteArrayView Bytes) const {
    return FUtf8 ? QString::fromUtf8(Bytes) : QString::fromLatin1(Bytes);
  }

  bool FUtf8;
  QByteArrayView FBytes;
  QString FText;
};

}  // namespace

bool FindNext(QsciScintilla* Editor, const QString& Text, bool MatchCase, bool Up) {
  if (!Editor || Text.isEmpty()) return false;
  const TDocumentText document(*Editor);
  const Qt::CaseSensitivity cs = MatchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
  // Going up starts before the selection and going down after it, so a match
  // selected by the previous search is never found again, whichever way it
  // was found.
  qsizetype found = -1;
  if (Up) {
    const qsizetype lastStart =
        document.IndexOf(Editor->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART)) -
        Text.size();
    if (lastStart >= 0) found = document.Text().lastIndexOf(Text, lastStart, cs);
  } else {
    const qsizetype from =
        document.IndexOf(Editor->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONEND));
    found = document.Text().indexOf(Text, from, cs);
  }
  if (found < 0) return false;
  // Case folding maps one UTF-16 unit to one, so the match is as long as Text.
  const long start = document.PositionOf(found), end = document.PositionOf(found + Text.size());
  // SCI_SETSEL takes the anchor first and the caret second.
  Editor->SendScintilla(QsciScintillaBase::SCI_SETSEL, Up ? end : start, Up ? start : end);
  const long line = Editor->SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION, start);
  Editor->SendScintilla(QsciScintillaBase::SCI_ENSUREVISIBLEENFORCEPOLICY, line);
  Editor->SendScintilla(QsciScintillaBase::SCI_SCROLLRANGE, Up ? end : start, Up ? start : end);
  return true;
}
