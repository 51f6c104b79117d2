#include "process/CommandLine.h"

namespace {

bool IsSeparator(QChar C) { return C == u' ' || C == u'\t'; }

int CountBackslashes(const QString& Line, int From) {
  int End = From;
  while (End < Line.size() && Line[End] == u'\\') ++End;
  return End - From;
}

// Consumes the backslashes at Pos; they matter only in front of a double
// quote. Returns the position of the next character to look at.
int TakeBackslashes(const QString& Line, int Pos, QString& Word) {
  const int Count = CountBackslashes(Line, Pos);
  Pos += Count;
  const bool BeforeQuote = Pos < Line.size() && Line[Pos] == u'"';
  if (!BeforeQuote) {
    Word += QString(Count, u'\\');
    return Pos;
  }
  Word += QString(Count / 2, u'\\');
  if (Count % 2 == 0) return Pos;  // the quote toggles quoting in the next step
  Word += u'"';
  return Pos + 1;
}

// Consumes the double quote at Pos.
int TakeQuote(const QString& Line, int Pos, bool& InQuotes, QString& Word) {
  const bool Doubled = Pos + 1 < Line.size() && Line[Pos + 1] == u'"';
  if (InQuotes && Doubled) {
    Word += u'"';
    return Pos + 2;
  }
  InQuotes = !InQuotes;
  return Pos + 1;
}

bool NeedsQuotes(const QString& Argument) {
  if (Argument.isEmpty()) return true;
  for (QChar C : Argument)
    if (IsSeparator(C) || C == u'"') return true;
  return false;
}

}  // namespace

QStringList SplitCommandLine(const QString& Line) {
  QStringList Words;
  QString Word;
  bool InWord = false;
  bool InQuotes = false;
  int Pos = 0;
  while (Pos < Line.size()) {
    const QChar C = Line[Pos];
    if (!InQuotes && IsSeparator(C)) {
      if (InWord) Words << Word;
      Word.clear();
      InWord = false;
      ++Pos;
      continue;
    }
    InWord = true;
    if (C == u'\\')
      Pos = TakeBackslashes(Line, Pos, Word);
    else if (C == u'"')
      Pos = TakeQuote(Line, Pos, InQuotes, Word);
    else
      Word += Line[Pos++];
  }
  if (InWord) Words << Word;
  return Words;
}

QString QuoteCommandLineArgument(const QString& Argument) {
  if (!NeedsQuotes(Argument)) return Argument;
  QString Result = QStringLiteral("\"");
  int Pos = 0;
  while (Pos < Argument.size()) {
    const int Count = CountBackslashes(Argument, Pos);
    Pos += Count;
    if (Pos == Argument.size()) {
      // They stand before the closing quote: double them.
      Result += QString(2 * Count, u'\\');
    } else if (Argument[Pos] == u'"') {
      Result += QString(2 * Count + 1, u'\\');
      Result += u'"';
      ++Pos;
    } else {
      Result += QString(Count, u'\\');
      Result += Argument[Pos];
      ++Pos;
    }
  }
  Result += u'"';
  return Result;
}
