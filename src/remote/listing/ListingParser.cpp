#include "remote/listing/ListingParser.h"

#include <QStringView>
#include <limits>

#include "remote/listing/PerlRegEx.h"

// What psftp prints for "ls": first "Listing directory <path>", then one line
// per entry, which is the "longname" the server sent with the entry, printed
// as it came except that psftp drops control characters from it (a name
// holding a tab or CR shows without it). OpenSSH's sftp-server and asyncssh
// both make the longname like "ls -l" does:
//   drwxr-xr-x    3 root     root         4096 Dec 10 00:10 sub
//   -rw-r--r--    1 12345    54321           2 Jan  1  2030 future.txt
// psftp prints everything, its own messages included, on standard output,
// and its lines may reach us with the CR of a CR LF line end still on them.

const QString TListingParser::Header = QStringLiteral("Listing directory ");

namespace {
// Permissions, links, owner, group, size, month, day, and the time or year.
constexpr int kFieldsBeforeName = 8;

// psftp's own messages that can stand among the lines of an "ls" answer: the
// directory could not be opened (right after the header), reading it failed
// part way, or it held too many names to sort. None names an entry, though
// the last word of each would pass for one.
const QString kPsftpMessages[] = {"Unable to open ", "Reading directory ",
                                  "Directory is too large to sort"};

// A line of another shape cannot be split into its fields, so its name is
// taken to be the last run of path characters after a blank, up to the end
// of the line: a guess that needs nothing of the line's layout.
const QString kFallbackPattern = R"(\s([:\\/a-zA-Z0-9\.#%~_-]+)$)";

QStringView WithoutLineEnd(QStringView Line) {
  while (!Line.isEmpty() && (Line.back() == u'\r' || Line.back() == u'\n')) Line.chop(1);
  return Line;
}

bool IsBlank(QChar c) { return c == u' ' || c == u'\t'; }

bool IsOneOf(QChar c, const char16_t* Set) {
  for (; *Set; ++Set)
    if (c.unicode() == *Set) return true;
  return false;
}

bool IsDigits(QStringView Field, qsizetype MinLength, qsizetype MaxLength) {
  if (Field.size() < MinLength || Field.size() > MaxLength) return false;
  for (QChar c : Field)
    if (c < u'0' || c > u'9') return false;
  return true;
}

// Ten characters: the kind, then three rwx triplets (s, S, t, T for the
// set-id and sticky bits). Servers that mimic GNU ls may add "+", "." or "@"
// for ACLs and extended attributes.
bool LooksLikeMode(QStringView Field) {
  if (Field.size() < 10 || Field.size() > 11) return false;
  if (!IsOneOf(Field[0], u"-dlcbpsDw?")) return false;
  for (int i = 1; i < 10; ++i)
    if (!IsOneOf(Field[i], u"-rwxsStTlL?")) return false;
  return Field.size() == 10 || IsOneOf(Field[10], u"+.@");
}

// "00:10" for a recent entry, a year (with two blanks before it, which the
// field split absorbs) for an old or future one.
bool LooksLikeTimeOrYear(QStringView Field) {
  const qsizetype colon = Field.indexOf(u':');
  if (colon < 0) return IsDigits(Field, 4, 5);
  return IsDigits(Field.left(colon), 1, 2) && IsDigits(Field.mid(colon + 1), 2, 2);
}

struct TFields {
  QStringView Field[kFieldsBeforeName];
  qsizetype NameStart = -1;
};

// Splits off the eight fields before the name. The name is everything after
// the eighth field and the one blank that follows it: "ls -l" style
// longnames put exactly one blank there, so blanks inside a name, several in
// a row, and at its start or end all belong to it. NameStart stays -1 when
// the line has no such name.
TFields SplitFields(QStringView Line) {
  TFields fields;
  qsizetype pos = 0;
  const qsizetype n = Line.size();
  for (QStringView& field : fields.Field) {
    while (pos < n && IsBlank(Line[pos])) ++pos;
    const qsizetype start = pos;
    while (pos < n && !IsBlank(Line[pos])) ++pos;
    if (start == pos) return fields;
    field = Line.mid(start, pos - start);
  }
  if (pos + 1 < n) fields.NameStart = pos + 1;
  return fields;
}

// Checking the numeric fields and the date keeps a line whose owner or group
// holds a blank, or whose date has another form, from being split in the
// wrong place: such a line goes to the fallback rule instead.
bool IsLongListing(const TFields& Fields) {
  return Fields.NameStart >= 0 && LooksLikeMode(Fields.Field[0]) &&
         IsDigits(Fields.Field[1], 1, 10) && IsDigits(Fields.Field[4], 1, 20) &&
         IsDigits(Fields.Field[6], 1, 2) && LooksLikeTimeOrYear(Fields.Field[7]);
}

// Servers that mimic "ls -l" fully list a symbolic link as "name -> target"
// (OpenSSH and asyncssh give the bare name). The entry is the link itself, so
// the name ends at the first " -> ". A link whose own name holds " -> " is
// cut short there: the line cannot tell which arrow separates the target.
QStringView LinkName(QStringView Name) {
  const qsizetype arrow = Name.indexOf(u" -> ");
  return arrow > 0 ? Name.left(arrow) : Name;
}

// "x", "s" and "t" set the execute bit (with the set-id or sticky bit for
// the last two), "S" and "T" the special bit alone; "l" and "L" are older
// systems' mandatory locking, the set-group-id bit without execute.
bool AddPermission(QChar C, int Triplet, int& Bits) {
  const int special = Triplet == 0 ? 04000 : Triplet == 1 ? 02000 : 01000;
  const int shift = 3 * (2 - Triplet);
  switch (C.unicode()) {
    case u'-':
      return true;
    case u'x':
      Bits |= 1 << shift;
      return true;
    case u's':
    case u't':
      Bits |= (1 << shift) | special;
      return true;
    case u'S':
    case u'T':
    case u'l':
    case u'L':
      Bits |= special;
      return true;
    default:
      return false;
  }
}

bool IsPsftpMessage(QStringView Line) {
  for (const QString& message : kPsftpMessages)
    if (Line.startsWith(message)) return true;
  return false;
}

bool ParseFallback(QStringView Line, QString& Name) {
  // Parsing runs on one thread at a time per object; one object per thread
  // keeps the compiled pattern without sharing the match state.
  thread_local TPerlRegEx regex;
  regex.SetRegEx(kFallbackPattern);
  regex.SetSubject(Line.toString());
  if (!regex.Match()) return false;
  Name = regex.Groups(1);
  return true;
}
}  // namespace

// psftp canonifies the path and prints it whole, blanks and non-ASCII letters
// included, up to the end of the line. The header is looked for anywhere in
// the line, so a "psftp> " prompt left in front of it does no harm.
bool TListingParser::ParseHeader(const QString& Line, QString& DirName) {
  const QStringView text = WithoutLineEnd(Line);
  const qsizetype at = text.indexOf(Header);
  if (at < 0 || at + Header.size() == text.size()) return false;
  DirName = text.mid(at + Header.size()).toString();
  return true;
}

int TListingParser::PermissionsOf(QStringView Mode) {
  if (!LooksLikeMode(Mode)) return -1;
  int bits = 0;
  for (int triplet = 0; triplet < 3; ++triplet) {
    const QStringView rwx = Mode.mid(1 + 3 * triplet, 3);
    const int shift = 3 * (2 - triplet);
    if (rwx[0] == u'r')
      bits |= 4 << shift;
    else if (rwx[0] != u'-')
      return -1;
    if (rwx[1] == u'w')
      bits |= 2 << shift;
    else if (rwx[1] != u'-')
      return -1;
    if (!AddPermission(rwx[2], triplet, bits)) return -1;
  }
  return bits;
}

bool TListingParser::ParseEntry(const QString& Line, QString& Name, bool& IsDirectory) {
  bool isLink = false;
  return ParseEntry(Line, Name, IsDirectory, isLink);
}

bool TListingParser::ParseEntry(const QString& Line, QString& Name, bool& IsDirectory,
                                bool& IsLink) {
  qint64 size = -1;
  return ParseEntry(Line, Name, IsDirectory, IsLink, size);
}

bool TListingParser::ParseEntry(const QString& Line, QString& Name, bool& IsDirectory, bool& IsLink,
                                qint64& Size) {
  TEntry entry;
  if (!ParseEntry(Line, entry)) return false;
  Name = entry.Name;
  IsDirectory = entry.IsDirectory;
  IsLink = entry.IsLink;
  Size = entry.Size;
  return true;
}

bool TListingParser::ParseEntry(const QString& Line, TEntry& Entry) {
  const QStringView text = WithoutLineEnd(Line);
  const TFields fields = SplitFields(text);
  QString name;
  qint64 size = -1;
  TListedTime time;
  int permissions = -1;
  int links = 0;
  QString owner;
  if (IsLongListing(fields)) {
    permissions = PermissionsOf(fields.Field[0]);
    links = int(qMin<qint64>(fields.Field[1].toLongLong(), std::numeric_limits<int>::max()));
    owner = fields.Field[2].toString();
    size = fields.Field[4].toLongLong();
    time = TListedTime::Parse(fields.Field[5], fields.Field[6], fields.Field[7]);
    QStringView field = text.mid(fields.NameStart);
    if (text.startsWith(u'l')) field = LinkName(field);
    name = field.toString();
  } else if (IsPsftpMessage(text) || !ParseFallback(text, name)) {
    return false;
  }
  // Servers list the directory itself as "." (nothing to open) and its parent
  // as "..", which is how the user goes up.
  if (name.isEmpty() || name == u".") return false;
  Entry.Name = name;
  Entry.IsDirectory = text.startsWith(u'd');
  Entry.IsLink = text.startsWith(u'l');
  Entry.Size = size;
  Entry.Time = time;
  Entry.Permissions = permissions;
  Entry.Links = links;
  Entry.Owner = owner;
  return true;
}
