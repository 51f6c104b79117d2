#include "remote/File.h"

#include "remote/PerlRegEx.h"

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
// The extension the classification looks at: from the last period on, none
// when a backslash or colon follows that period; ASCII letters lower-cased.
QString ClassifiedExtension(const QString& Name) {
  const int dot = Name.lastIndexOf('.');
  if (dot < 0 || qMax(Name.lastIndexOf('\\'), Name.lastIndexOf(':')) > dot) return QString();
  QString ext = Name.mid(dot);
  for (QChar& c : ext)
    if (c >= 'A' && c <= 'Z') c = QChar(c.unicode() + ('a' - 'A'));
  return ext;
}

bool Matches(TPerlRegEx& Regex, const QString& Pattern, const QString& Subject) {
  if (Subject.isEmpty()) return false;
  Regex.SetRegEx(Pattern);
  Regex.SetSubject(Subject);
  return Regex.Match();
}
}  // namespace

TFile::TFile(const QString& ARemoteName) : FRemoteName(ARemoteName) {}

QString TFile::RemoteShortName() const { return ExtractShortName(FRemoteName); }

// Both tests run once per entry and are remembered: the list draws every
// entry on each repaint. The patterns are compiled once for all entries.
bool TFile::IsBinaryFile() const {
  if (!FIsBinaryFileHasBeenStored) {
    static TPerlRegEx regex;
    FIsBinaryFile = Matches(regex, "\\.(zip|jpe?g|7z|dll|exe|cab|com|bin|png|gif|class|pdf)",
                            ClassifiedExtension(FRemoteName));
    FIsBinaryFileHasBeenStored = true;
  }
  return FIsBinaryFile;
}

bool TFile::IsTextFile() const {
  if (!FIsTextFileHasBeenStored) {
    static TPerlRegEx regex;
    FIsTextFile = Matches(regex,
                          "\\.(txt|jsp|s?html?|php|cfg|js|css|xml|cgi|htaccess|sh|pl|perl)[$_~]?",
                          ClassifiedExtension(FRemoteName));
    FIsTextFileHasBeenStored = true;
  }
  return FIsTextFile;
}
