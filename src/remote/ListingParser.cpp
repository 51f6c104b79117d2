#include "remote/ListingParser.h"

#include <QRegularExpression>

namespace {
const QString kHeader = "Listing directory ";
// Fields before the name in a long listing: permissions, links, owner, group,
// size, month, day, and the time or year.
const int kFieldsBeforeName = 8;

QString WithoutLineEnd(const QString& Line) {
  QString text = Line;
  while (text.endsWith('\r') || text.endsWith('\n')) text.chop(1);
  return text;
}

// psftp prints the "longname" the server sends, which OpenSSH and most other
// servers format like "ls -l": "drwxr-xr-x    3 bob  staff  4096 Dec 10 00:10 name".
// A mode string of ten characters opens it (a trailing "+", "." or "@" marks
// ACLs or extended attributes on some servers).
bool LooksLikeMode(const QString& Field) {
  static const QRegularExpression mode("^[-dlcbpsDw?][-rwxsStTlL?]{9}[+.@]?$");
  return mode.match(Field).hasMatch();
}

bool IsNumber(const QString& Field) {
  bool ok = false;
  Field.toULongLong(&ok);
  return ok;
}

// Position where the name field of a long listing starts, or -1 when the line
// is not one. The name is everything after the eighth field and the single
// blank that follows it, so blanks inside (and at the start of) a name stay.
int NameStart(const QString& Line, QStringList& Fields) {
  int pos = 0;
  const int n = Line.size();
  for (int field = 0; field < kFieldsBeforeName; ++field) {
    while (pos < n && Line[pos] == ' ') ++pos;
    const int start = pos;
    while (pos < n && Line[pos] != ' ') ++pos;
    if (start == pos) return -1;
    Fields << Line.mid(start, pos - start);
  }
  if (pos + 1 >= n) return -1;  // no blank and name after the date
  return pos + 1;
}

// Lines of another shape: the last run of path characters after a blank.
bool ParseFallback(const QString& Line, QString& Name) {
  static const QRegularExpression tail(R"(\s([:\\/a-zA-Z0-9\.#%~_-]+)$)");
  const QRegularExpressionMatch m = tail.match(Line);
  if (!m.hasMatch()) return false;
  Name = m.captured(1);
  return true;
}
}  // namespace

bool TListingParser::ParseHeader(const QString& Line, QString& DirName) {
  const QString text = WithoutLineEnd(Line);
  if (!text.startsWith(kHeader) || text.size() == kHeader.size()) return false;
  DirName = text.mid(kHeader.size());
  return true;
}

bool TListingParser::ParseEntry(const QString& Line, QString& Name, bool& IsDirectory) {
  const QString text = WithoutLineEnd(Line);
  QStringList fields;
  const int start = NameStart(text, fields);
  QString name;
  if (start >= 0 && LooksLikeMode(fields[0]) && IsNumber(fields[1]) && IsNumber(fields[4])) {
    name = text.mid(start);
    // A symbolic link is listed as "name -> target"; the entry is the link itself.
    if (text.startsWith('l')) {
      const int arrow = name.indexOf(" -> ");
      if (arrow > 0) name.truncate(arrow);
    }
  } else if (!ParseFallback(text, name)) {
    return false;
  }
  if (name.isEmpty() || name == ".") return false;
  Name = name;
  IsDirectory = text.startsWith('d');
  return true;
}
