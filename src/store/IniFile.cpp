#include "store/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "core/ByteOrderMark.h"
#include "core/Exception.h"

namespace {

// The profile functions count Ctrl-Z (end-of-file mark of old DOS editors)
// as a blank too.
bool IsBlank(char C) { return C == ' ' || (C >= '\t' && C <= '\r') || C == '\x1a'; }

QByteArray Trimmed(const QByteArray& Text) {
  qsizetype first = 0;
  qsizetype last = Text.size();
  while (first < last && IsBlank(Text[first])) ++first;
  while (last > first && IsBlank(Text[last - 1])) --last;
  return Text.mid(first, last - first);
}

bool IsQuote(char C) { return C == '"' || C == '\''; }

bool Quoted(const QByteArray& Value) {
  return Value.size() >= 2 && IsQuote(Value.front()) && Value.back() == Value.front();
}

bool HoldsLineBreak(const QByteArray& Text) { return Text.contains('\n') || Text.contains('\r'); }

// GetPrivateProfileString fills a 2048-character buffer, so longer values
// come back cut. Characters are UTF-16 units there; our 8-bit text is UTF-8,
// so count a character per lead byte, two for one beyond the BMP, and
// never cut inside a character.
QByteArray CutToCharacters(const QByteArray& Value, int Max) {
  if (Value.size() <= Max) return Value;
  int units = 0;
  for (qsizetype i = 0; i < Value.size(); ++i) {
    const uchar c = uchar(Value[i]);
    if ((c & 0xC0) == 0x80) continue;
    const int width = c >= 0xF0 ? 2 : 1;
    if (units + width > Max) return Value.left(i);
    units += width;
  }
  return Value;
}

QByteArray DefaultLineEnd() {
#ifdef Q_OS_WIN
  return "\r\n";
#else
  return "\n";
#endif
}

}  // namespace

TIniFile::TIniFile(const QString& FileName) : FFileName(FileName) { Load(); }

void TIniFile::Load() {
  if (QFileInfo::exists(FFileName)) {
    QFile file(FFileName);
    if (!file.open(QIODevice::ReadOnly))
      throw Exception(QString("Unable to read %1").arg(FFileName));
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
      throw Exception(QString("Unable to read %1").arg(FFileName));
    if (data.startsWith(Utf8Mark)) {
      FByteOrderMark = true;
      data.remove(0, Utf8Mark.size());
    }
    // Lines end at LF; a CR before it belongs to the line end. New lines
    // are written with the line end the file already uses.
    qsizetype start = 0;
    while (start < data.size()) {
      const qsizetype lf = data.indexOf('\n', start);
      const qsizetype end = lf < 0 ? data.size() : lf;
      QByteArray text = data.mid(start, end - start);
      const bool crlf = text.endsWith('\r');
      if (crlf) text.chop(1);
      if (FLineEnd.isEmpty() && lf >= 0) FLineEnd = crlf ? "\r\n" : "\n";
      FLines.push_back(Parse(text));
      start = end + 1;
    }
  }
  if (FLineEnd.isEmpty()) FLineEnd = DefaultLineEnd();
}

// A header is '[' up to the last ']' on the line (text after it is
// ignored); a key line is the text before the first '=' and the value
// after it.
TIniFile::TLine TIniFile::Parse(const QByteArray& Text) {
  TLine line;
  line.Text = Text;
  const QByteArray text = Trimmed(Text);
  if (text.isEmpty()) {
    line.Kind = Blank;
  } else if (text.startsWith(';')) {
    line.Kind = Comment;
  } else if (text.startsWith('[') && text.lastIndexOf(']') > 0) {
    line.Kind = Section;
    line.Name = QString::fromLocal8Bit(Trimmed(text.mid(1, text.lastIndexOf(']') - 1)));
  } else if (const qsizetype equals = text.indexOf('='); equals >= 0) {
    line.Kind = Key;
    line.Name = QString::fromLocal8Bit(Trimmed(text.left(equals)));
    line.Value = Trimmed(text.mid(equals + 1));
  }
  return line;
}

QStringList TIniFile::ReadSections() const {
  QStringList names;
  for (const TLine& line : FLines) {
    if (line.Kind == Section && !line.Name.isEmpty() &&
        !names.contains(line.Name, Qt::CaseInsensitive))
      names << line.Name;
  }
  return names;
}

// Like the profile functions, only the first section of a name counts.
int TIniFile::FindSection(const QString& Section) const {
  const QString name = Section.trimmed();
  for (size_t i = 0; i < FLines.size(); ++i) {
    if (FLines[i].Kind == TIniFile::Section &&
        FLines[i].Name.compare(name, Qt::CaseInsensitive) == 0)
      return int(i);
  }
  return -1;
}

int TIniFile::SectionEnd(int SectionLine) const {
  size_t i = size_t(SectionLine) + 1;
  while (i < FLines.size() && FLines[i].Kind != Section) ++i;
  return int(i);
}

int TIniFile::FindKey(int SectionLine, const QString& Key) const {
  const QString name = Key.trimmed();
  const int end = SectionEnd(SectionLine);
  for (int i = SectionLine + 1; i < end; ++i) {
    if (FLines[size_t(i)].Kind == TIniFile::Key &&
        FLines[size_t(i)].Name.compare(name, Qt::CaseInsensitive) == 0)
      return i;
  }
  return -1;
}

const TIniFile::TLine* TIniFile::FindValue(const QString& Section, const QString& Key) const {
  const int section = FindSection(Section);
  if (section < 0) return nullptr;
  const int key = FindKey(section, Key);
  return key < 0 ? nullptr : &FLines[size_t(key)];
}

bool TIniFile::SectionExists(const QString& Section) const { return FindSection(Section) >= 0; }

bool TIniFile::ValueExists(const QString& Section, const QString& Key) const {
  return FindValue(Section, Key) != nullptr;
}

QByteArray TIniFile::ReadString(const QString& Section, const QString& Key,
                                const QByteArray& Default) const {
  const TLine* line = FindValue(Section, Key);
  if (!line) return Default;
  QByteArray value = line->Value;
  if (Quoted(value)) value = value.mid(1, value.size() - 2);
  return CutToCharacters(value, MaxValueLength);
}

int TIniFile::ReadInteger(const QString& Section, const QString& Key, int Default) const {
  bool ok = false;
  const int value = ReadString(Section, Key, QByteArray()).toInt(&ok, 10);
  return ok ? value : Default;
}

// Reading trims blanks and takes off matching quotes, so a value that
// would lose either is written between double quotes: it then reads back
// exactly as written, here and through the profile functions.
QByteArray TIniFile::KeyLine(const QString& Key, const QByteArray& Value) const {
  const bool protect =
      !Value.isEmpty() && (IsBlank(Value.front()) || IsBlank(Value.back()) || Quoted(Value));
  return Key.trimmed().toLocal8Bit() + '=' + (protect ? '"' + Value + '"' : Value);
}

// A line break would end the line early and the rest would be read as a
// line of its own, possibly a section header: refuse rather than corrupt.
void TIniFile::CheckWritable(const QString& Section, const QString& Key,
                             const QByteArray& Value) const {
  const QByteArray section = Section.trimmed().toLocal8Bit();
  const QByteArray key = Key.trimmed().toLocal8Bit();
  const bool badKey =
      key.isEmpty() || key.contains('=') || key.startsWith(';') || key.startsWith('[');
  if (section.isEmpty() || badKey || HoldsLineBreak(section) || HoldsLineBreak(key) ||
      HoldsLineBreak(Value)) {
    throw Exception(QString("Unable to write to %1: section \"%2\", key \"%3\": name or value not "
                            "allowed in the file")
                        .arg(FFileName, Section, Key));
  }
}

void TIniFile::WriteString(const QString& Section, const QString& Key, const QByteArray& Value) {
  CheckWritable(Section, Key, Value);
  const int section = FindSection(Section);
  if (section < 0) {
    FLines.push_back(Parse('[' + Section.trimmed().toLocal8Bit() + ']'));
    FLines.push_back(Parse(KeyLine(Key, Value)));
    return;
  }
  const int key = FindKey(section, Key);
  if (key >= 0) {
    // Keep the key's spelling as the file has it.
    FLines[size_t(key)] = Parse(KeyLine(FLines[size_t(key)].Name, Value));
    return;
  }
  // After the section's last key, so blank lines and comments that lead
  // into the next section stay with it.
  int after = section;
  const int end = SectionEnd(section);
  for (int i = section + 1; i < end; ++i) {
    if (FLines[size_t(i)].Kind == TIniFile::Key) after = i;
  }
  FLines.insert(FLines.begin() + after + 1, Parse(KeyLine(Key, Value)));
}

void TIniFile::WriteInteger(const QString& Section, const QString& Key, int Value) {
  WriteString(Section, Key, QByteArray::number(Value));
}

bool TIniFile::EraseSection(const QString& Section) {
  bool erased = false;
  for (int section = FindSection(Section); section >= 0; section = FindSection(Section)) {
    int last = section;
    const int end = SectionEnd(section);
    for (int i = section + 1; i < end; ++i) {
      const TKind kind = FLines[size_t(i)].Kind;
      if (kind != Blank && kind != Comment) last = i;
    }
    FLines.erase(FLines.begin() + section, FLines.begin() + last + 1);
    erased = true;
  }
  return erased;
}

// Only the folders missing on the way are made, each private from the
// start; folders already there (~/.config, shared by other programs) are
// left as their owner set them. The download folder is stricter on purpose
// (MakePrivateFolder in remote/TempFolder.cpp): downloads land there under
// names a server chose, so it is checked and made private again every time.
void TIniFile::MakeFolder() const {
  QStringList missing;
  QString folder = QFileInfo(FFileName).absolutePath();
  while (!QFileInfo::exists(folder)) {
    missing.prepend(folder);
    const QString parent = QFileInfo(folder).path();
    if (parent == folder) break;
    folder = parent;
  }
  const QFile::Permissions privateFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
  for (const QString& path : missing) {
    if (!QDir().mkdir(path, privateFolder) && !QFileInfo(path).isDir())
      throw Exception(QString("Unable to write to %1").arg(FFileName));
  }
}

void TIniFile::UpdateFile() {
  MakeFolder();
  QByteArray data;
  if (FByteOrderMark) data += Utf8Mark;
  for (const TLine& line : FLines) data += line.Text + FLineEnd;

  QSaveFile file(FFileName);
  const bool written = file.open(QIODevice::WriteOnly) && file.write(data) == data.size() &&
                       file.setPermissions(QFile::ReadOwner | QFile::WriteOwner) && file.commit();
  if (!written) {
    file.cancelWriting();
    throw Exception(QString("Unable to write to %1").arg(FFileName));
  }
}
