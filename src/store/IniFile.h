#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

// An INI file read and written the way the Windows profile functions
// (GetPrivateProfileString, WritePrivateProfileString) treat one, so that a
// file edited by hand or by another tool reads the same here as there:
// - section and key names are matched without regard to letter case, and
//   blanks around names and values do not count;
// - lines starting with ';' are comments; a value between matching quotes
//   comes back without them; at most 2047 characters of a value come back;
// - a new key goes to the end of its section, a new section to the end of
//   the file, an existing key is changed where it stands; every other line
//   (other sections, unknown keys, comments, blank lines) is kept.
// Bytes are the system's 8-bit text. The whole file is read at construction;
// writes change the copy in memory until UpdateFile replaces the file.
class TIniFile {
 public:
  // Reads the file when it exists; throws "Unable to read %s" when it
  // exists but cannot be read (writing it later would lose its contents).
  explicit TIniFile(const QString& FileName);

  const QString& FileName() const { return FFileName; }

  // Section names in file order, each once.
  QStringList ReadSections() const;
  bool SectionExists(const QString& Section) const;
  bool ValueExists(const QString& Section, const QString& Key) const;
  QByteArray ReadString(const QString& Section, const QString& Key,
                        const QByteArray& Default) const;
  // Decimal text; Default when the key is missing or not an integer.
  int ReadInteger(const QString& Section, const QString& Key, int Default) const;

  // Throws when a name or value holds a line break (it would break the
  // file's structure) or a name cannot be a section or key name.
  void WriteString(const QString& Section, const QString& Key, const QByteArray& Value);
  void WriteInteger(const QString& Section, const QString& Key, int Value);
  // Takes out every section of that name with its keys; blank lines and
  // comments after its last key lead into what follows and stay. Returns
  // whether there was such a section.
  bool EraseSection(const QString& Section);

  // Writes the whole file anew and renames it over the old one, so a failed
  // save leaves the old file intact. The file is private to the user (0600),
  // a missing folder is created private (0700). Throws "Unable to write to %s".
  void UpdateFile();

  // Longest value text that reading gives back, in characters.
  static constexpr int MaxValueLength = 2047;

 private:
  enum TKind { Blank, Comment, Section, Key, Other };
  struct TLine {
    QByteArray Text;  // as in the file, without the line end
    TKind Kind = Other;
    QString Name;      // section or key name, trimmed
    QByteArray Value;  // key value, trimmed, quotes still on
  };

  static TLine Parse(const QByteArray& Text);
  void Load();
  int FindSection(const QString& Section) const;
  int SectionEnd(int SectionLine) const;
  int FindKey(int SectionLine, const QString& Key) const;
  const TLine* FindValue(const QString& Section, const QString& Key) const;
  QByteArray KeyLine(const QString& Key, const QByteArray& Value) const;
  void CheckWritable(const QString& Section, const QString& Key, const QByteArray& Value) const;
  void MakeFolder() const;

  QString FFileName;
  std::vector<TLine> FLines;
  QByteArray FLineEnd;
  bool FByteOrderMark = false;
};
