#include "ui/TextSearch.h"

#include <Qsci/qsciscintilla.h>

namespace {

QRegularExpression Compile(const TSearchOptions& Options) {
  QString pattern =
      Options.RegularExpression ? Options.Text : QRegularExpression::escape(Options.Text);
  // \b would misjudge a word that starts or ends with a sign; a word here is
  // text with no word character touching either end.
  if (Options.WholeWord) pattern = "(?<!\\w)(?:" + pattern + ")(?!\\w)";
  QRegularExpression::PatternOptions options = QRegularExpression::UseUnicodePropertiesOption;
  if (!Options.MatchCase) options |= QRegularExpression::CaseInsensitiveOption;
  if (Options.Text.isEmpty()) return QRegularExpression();
  QRegularExpression compiled(pattern, options);
  compiled.optimize();
  return compiled;
}

// The editor counts bytes of UTF-8; the search counts UTF-16 units.
class TDocument {
 public:
  explicit TDocument(QsciScintilla& Editor)
      : FBytes(reinterpret_cast<const char*>(
                   Editor.SendScintilla(QsciScintillaBase::SCI_GETCHARACTERPOINTER)),
               Editor.SendScintilla(QsciScintillaBase::SCI_GETLENGTH)),
        FText(QString::fromUtf8(FBytes)) {}

  const QString& Text() const { return FText; }
  qsizetype IndexOf(long Position) const {
    return QString::fromUtf8(FBytes.first(Position)).size();
  }
  long PositionOf(qsizetype Index) const {
    return long(QStringView(FText).left(Index).toUtf8().size());
  }

 private:
  QByteArrayView FBytes;
  QString FText;
};

long SelectionStart(QsciScintilla& Editor) {
  return Editor.SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART);
}
long SelectionEnd(QsciScintilla& Editor) {
  return Editor.SendScintilla(QsciScintillaBase::SCI_GETSELECTIONEND);
}

// The anchor first, the caret second; the match is brought into view.
void Select(QsciScintilla& Editor, long Anchor, long Caret) {
  Editor.SendScintilla(QsciScintillaBase::SCI_SETSEL, Anchor, Caret);
  const long line = Editor.SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION, Caret);
  Editor.SendScintilla(QsciScintillaBase::SCI_ENSUREVISIBLEENFORCEPOLICY, line);
  Editor.SendScintilla(QsciScintillaBase::SCI_SCROLLRANGE, Anchor, Caret);
}

// Text in place of the bytes from Start to End, as one change.
void ReplaceRange(QsciScintilla& Editor, long Start, long End, const QByteArray& Text) {
  Editor.SendScintilla(QsciScintillaBase::SCI_SETTARGETSTART, Start);
  Editor.SendScintilla(QsciScintillaBase::SCI_SETTARGETEND, End);
  Editor.SendScintilla(QsciScintillaBase::SCI_REPLACETARGET,
                       static_cast<unsigned long>(Text.size()), Text.constData());
}

}  // namespace

TTextSearch::TTextSearch(const TSearchOptions& Options)
    : FRegularExpression(Options.RegularExpression), FPattern(Compile(Options)) {}

QString TTextSearch::Error() const {
  if (FPattern.pattern().isEmpty()) return "There is no text to look for.";
  if (FPattern.isValid()) return QString();
  return QString("The regular expression is not valid: %1 (at character %2).")
      .arg(FPattern.errorString())
      .arg(FPattern.patternErrorOffset() + 1);
}

// An empty match (a pattern such as "x*") selects nothing and would be found
// again at the same place, so matches must hold at least one character.
bool TTextSearch::FindNext(QsciScintilla& Editor, bool Up) const {
  if (!Error().isEmpty()) return false;
  const TDocument document(Editor);
  const QString& text = document.Text();
  QRegularExpressionMatch found;
  if (Up) {
    // Over the whole text, so that what follows a match still counts for
    // its lookahead (a whole word ends where the word ends, not at the caret).
    const qsizetype before = document.IndexOf(SelectionStart(Editor));
    for (const QRegularExpressionMatch& match : FPattern.globalMatch(text)) {
      if (match.capturedEnd() > before) break;
      if (match.capturedLength() > 0) found = match;
    }
  } else {
    const qsizetype from = document.IndexOf(SelectionEnd(Editor));
    found = FPattern.match(text, from);
    while (found.hasMatch() && found.capturedLength() == 0)
      found = FPattern.match(text, found.capturedStart() + 1);
  }
  if (!found.hasMatch()) return false;
  const long start = document.PositionOf(found.capturedStart());
  const long end = document.PositionOf(found.capturedEnd());
  Select(Editor, Up ? end : start, Up ? start : end);
  return true;
}

bool TTextSearch::Replace(QsciScintilla& Editor, const QString& Replacement) const {
  if (!Error().isEmpty()) return false;
  bool replaced = false;
  const long start = SelectionStart(Editor), end = SelectionEnd(Editor);
  if (start != end) {
    const TDocument document(Editor);
    const qsizetype from = document.IndexOf(start), to = document.IndexOf(end);
    const QRegularExpressionMatch match =
        FPattern.match(document.Text(), from, QRegularExpression::NormalMatch,
                       QRegularExpression::AnchorAtOffsetMatchOption);
    if (match.hasMatch() && match.capturedEnd() == to) {
      const QByteArray text = Expand(Replacement, match).toUtf8();
      ReplaceRange(Editor, start, end, text);
      Editor.SendScintilla(QsciScintillaBase::SCI_SETSEL, start + long(text.size()),
                           start + long(text.size()));
      replaced = true;
    }
  }
  FindNext(Editor, false);
  return replaced;
}

// One change from the first match to the end of the last: one undo step,
// and one insertion for the editor to account for, however many matches.
int TTextSearch::ReplaceAll(QsciScintilla& Editor, const QString& Replacement) const {
  if (!Error().isEmpty()) return 0;
  const TDocument document(Editor);
  const QString& text = document.Text();
  QString result;
  qsizetype first = -1, done = 0;
  int count = 0;
  for (const QRegularExpressionMatch& match : FPattern.globalMatch(text)) {
    if (match.capturedLength() == 0) continue;
    if (first < 0) first = done = match.capturedStart();
    result += QStringView(text).sliced(done, match.capturedStart() - done);
    result += Expand(Replacement, match);
    done = match.capturedEnd();
    ++count;
  }
  if (count == 0) return 0;
  ReplaceRange(Editor, document.PositionOf(first), document.PositionOf(done), result.toUtf8());
  return count;
}

QString TTextSearch::Expand(const QString& Replacement,
                            const QRegularExpressionMatch& Match) const {
  if (!FRegularExpression) return Replacement;
  QString expanded;
  for (qsizetype i = 0; i < Replacement.size(); ++i) {
    const QChar c = Replacement[i];
    const bool reference =
        (c == u'\\' || c == u'$') && i + 1 < Replacement.size() && Replacement[i + 1].isDigit();
    if (reference) {
      expanded += Match.captured(Replacement[++i].digitValue());
    } else if (c == u'\\' && i + 1 < Replacement.size() && Replacement[i + 1] == u'\\') {
      expanded += u'\\';
      ++i;
    } else {
      expanded += c;
    }
  }
  return expanded;
}
