#include "remote/listing/File.h"

#include "remote/listing/PerlRegEx.h"

QStringView ExtractShortNameView(QStringView Name) {
  for (qsizetype i = Name.size() - 1; i >= 0; --i)
    if (Name[i] == u'/' || Name[i] == u'\\') return Name.mid(i + 1);
  return Name;
}

QString ExtractShortName(const QString& Name) {
  const QStringView shortName = ExtractShortNameView(Name);
  return shortName.size() == Name.size() ? Name : shortName.toString();
}

namespace {
const QString kBinaryPattern = "\\.(zip|jpe?g|7z|dll|exe|cab|com|bin|png|gif|class|pdf)";
const QString kTextPattern =
    "\\.(txt|jsp|s?html?|php|cfg|js|css|xml|cgi|htaccess|sh|pl|perl)[$_~]?";

// A listed name's extension, as both the classification and the binary
// question see it: from the last period on, none when a backslash or colon
// follows that period. Those are Windows' path separators, taken as such on
// every system so that a name is classified alike wherever Quillery runs.
// The tab's highlighter reads its local file name by another rule (see
// Highlighters.cpp).
QString ExtractFileExt(const QString& Name) {
  const qsizetype dot = Name.lastIndexOf(u'.');
  if (dot < 0 || qMax(Name.lastIndexOf(u'\\'), Name.lastIndexOf(u':')) > dot) return QString();
  return Name.mid(dot);
}

// Only ASCII letters are lower-cased, so "DATA.JSON" is text while a
// non-ASCII capital is left as it is.
QString ClassifiedExtension(const QString& Name) {
  QString ext = ExtractFileExt(Name);
  for (QChar& c : ext)
    if (c >= u'A' && c <= u'Z') c = QChar(c.unicode() + (u'a' - u'A'));
  return ext;
}

// The expression object stays alive, and keeps its compiled pattern, for
// the life of the thread: the list draws every entry, and 50,000 entries
// must not mean 50,000 compilations. One per thread, because the object holds
// the subject and match of its last use.
bool MatchesExtension(const QString& Pattern, const QString& Extension) {
  if (Extension.isEmpty()) return false;  // no extension: neither text nor binary
  thread_local TPerlRegEx regex;
  regex.SetRegEx(Pattern);
  regex.SetSubject(Extension);
  return regex.Match();
}
}  // namespace

TFile::TFile(const QString& ARemoteName) : FRemoteName(ARemoteName) {}

QString TFile::RemoteShortName() const { return ExtractShortName(FRemoteName); }

// The name never changes after construction, so a stored answer never goes stale.
bool TFile::IsBinaryFile() const {
  if (!FIsBinaryFileHasBeenStored) {
    FIsBinaryFile = MatchesExtension(kBinaryPattern, ClassifiedExtension(FRemoteName));
    FIsBinaryFileHasBeenStored = true;
  }
  return FIsBinaryFile;
}

bool TFile::IsTextFile() const {
  if (!FIsTextFileHasBeenStored) {
    FIsTextFile = MatchesExtension(kTextPattern, ClassifiedExtension(FRemoteName));
    FIsTextFileHasBeenStored = true;
  }
  return FIsTextFile;
}

// The question before a download and the list's colours answer different
// things, so each has its own list and matching (see File.h); only the
// extension's bounds are shared.
bool TFile::MayBeBinary() const {
  if (FRemoteName == "..") return false;
  const QString ext = ExtractFileExt(FRemoteName);
  return !ext.isEmpty() && QStringLiteral(".exe.png.gif.jpg.jpeg.dll.bmp").contains(ext);
}
