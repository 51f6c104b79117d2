#include "remote/ListingParser.h"

#include <QRegularExpression>
#include <QStringView>

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
bool IsOneOf(QChar c, const char16_t* Set) {
  for (; *Set; ++Set)
    if (c.unicode() == *Set) return true;
  return false;
}

bool LooksLikeMode(QStringView Field) {
  if (Field.size() < 10 || Field.size() > 11) return false;
  if (!IsOneOf(Field[0], u"-dlcbpsDw?")) return false;
  for (int i = 1; i < 10; ++i)
    if (!IsOneOf(Field[i], u"-rwxsStTlL?")) return false;
  return Field.size() == 10 || IsOneOf(Field[10], u"+.@");
}

bool IsNumber(QStringView Field) {
  for (QChar c : Field)
    if (c < '0' || c > '9') return false;
  return !Field.isEmpty();
}

struct TFields {
  QStringView Field[kFieldsBeforeName];
  int NameStart = -1;
};

// Splits off the eight fields before the name. The name is everything after
// the eighth field and the single blank that follows it, so blanks inside
// (and at the start of) a name stay. NameStart is -1 when there is no name.
TFields SplitFields(QStringView Line) {
  TFields fields;
  int pos = 0;
  const int n = int(Line.size());
  for (int field = 0; field < kFieldsBeforeName; ++field) {
    while (pos < n && Line[pos] == ' ') ++pos;
    const int start = pos;
    while (pos < n && Line[pos] != ' ') ++pos;
    if (start == pos) return fields;
    fields.Field[field] = Line.mid(start, pos - start);
  }
  if (pos + 1 < n) fields.NameStart = pos + 1;
  return fields;
}

bool IsLongListing(const TFields& Fields) {
  return Fields.NameStart >= 0 && LooksLikeMode(Fields.Field[0]) && IsNumber(Fields.Field[1]) &&
         IsNumber(Fields.Field[4]);
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
  const TFields fields = SplitFields(text);
  QString name;
  if (IsLongListing(fields)) {
    name = text.mid(fields.NameStart);
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
