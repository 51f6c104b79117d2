#include "remote/local/TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "core/ByteOrderMark.h"
#include "core/Exception.h"
#include "remote/session/PlainMessages.h"

// A remote file is a stranger's file: we must hand back exactly what we got,
// whatever the server stored. Every decoding below is therefore accepted only
// when encoding its result gives back the very same bytes; anything else is
// read as Latin-1, which maps each byte to one character and back.
//
// UTF-16 files with an odd trailing byte or an unpaired surrogate are such a
// case: the editor works in UTF-8 and cannot hold a lone surrogate, so the
// whole file (mark included) is shown as Latin-1 instead of losing bytes.

namespace {

const QByteArray Utf16LEMark("\xFF\xFE", 2);
const QByteArray Utf16BEMark("\xFE\xFF", 2);

// Qt's decoder would drop a leading mark; ConvertInitialBom keeps a U+FEFF
// that follows the file's own mark as a character. Only called on bytes
// already known to be valid UTF-8, so nothing is replaced.
QString Utf8ToString(QByteArrayView Bytes) {
  QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless |
                                                     QStringConverter::Flag::ConvertInitialBom);
  return decoder.decode(Bytes);
}

// Strict: overlong forms, encoded surrogates and code points beyond U+10FFFF
// are refused, as they would not come back as the same bytes.
bool IsUtf8(QByteArrayView Bytes) { return Bytes.isValidUtf8(); }

// Code units are taken as they are, so the only possible losses are an odd
// byte and surrogates that do not pair.
bool DecodeUtf16(QByteArrayView Bytes, bool BigEndian, QString& Text) {
  if (Bytes.size() % 2 != 0) return false;
  QString text(Bytes.size() / 2, Qt::Uninitialized);
  const auto* data = reinterpret_cast<const uchar*>(Bytes.constData());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const uchar first = data[2 * i], second = data[2 * i + 1];
    text[i] = QChar(BigEndian ? char16_t(first << 8 | second) : char16_t(second << 8 | first));
  }
  if (!QStringView(text).isValidUtf16()) return false;
  Text = text;
  return true;
}

QByteArray EncodeUtf16(const QString& Text, bool BigEndian) {
  QByteArray bytes;
  bytes.reserve(Text.size() * 2);
  for (const QChar c : Text) {
    const char high = char(c.unicode() >> 8), low = char(c.unicode() & 0xFF);
    bytes.append(BigEndian ? high : low);
    bytes.append(BigEndian ? low : high);
  }
  return bytes;
}

// 1-based line of the character at Index; CR LF, LF and CR each end a line.
int LineAt(const QString& Text, qsizetype Index) {
  int line = 1;
  for (qsizetype i = 0; i < Index; ++i)
    if (Text[i] == u'\n' || (Text[i] == u'\r' && Text[i + 1] != u'\n')) ++line;
  return line;
}

// Typed characters beyond U+00FF have no Latin-1 byte; writing '?' in their
// place would silently damage the file, so saving is refused instead.
QByteArray EncodeLatin1(const QString& Text) {
  const auto bad =
      std::find_if(Text.begin(), Text.end(), [](QChar c) { return c.unicode() > 0xFF; });
  if (bad == Text.end()) return Text.toLatin1();
  const qsizetype index = bad - Text.begin();
  const QString character = Text.mid(index, bad->isHighSurrogate() ? 2 : 1);
  const char32_t code = character.toUcs4().value(0);
  throw Exception(
      QString("The character %1 (U+%2) on line %3 cannot be saved in Latin-1, "
              "the encoding of this file")
          .arg(character, QString::number(uint(code), 16).toUpper().rightJustified(4, u'0'))
          .arg(LineAt(Text, index)));
}

// CR and LF never occur inside a UTF-8 sequence, so the bytes tell.
QByteArray FirstLineEnd(QByteArrayView Utf8) {
  for (qsizetype i = 0; i < Utf8.size(); ++i) {
    if (Utf8[i] == '\n') return "\n";
    if (Utf8[i] == '\r') return i + 1 < Utf8.size() && Utf8[i + 1] == '\n' ? "\r\n" : "\r";
  }
  return "\n";
}

// Whether any line end differs from the first. Counting runs over the
// whole text, so it uses the library's vectorised count and visits CRs one
// by one only in a file that holds both CR and LF.
bool HasMixedLineEnds(QByteArrayView Utf8) {
  const char* begin = Utf8.data();
  const char* end = begin + Utf8.size();
  const auto lfs = std::count(begin, end, '\n');
  const auto crs = std::count(begin, end, '\r');
  if (lfs == 0 || crs == 0) return false;
  if (lfs != crs) return true;
  for (const char* cr = begin; (cr = static_cast<const char*>(std::memchr(cr, '\r', end - cr)));
       ++cr)
    if (cr + 1 == end || cr[1] != '\n') return true;
  return false;
}

// Each byte is the character of the same number; those from 0x80 take two
// bytes in UTF-8.
QByteArray Latin1ToUtf8(QByteArrayView Bytes) {
  const qsizetype high =
      std::count_if(Bytes.begin(), Bytes.end(), [](char c) { return uchar(c) >= 0x80; });
  QByteArray utf8(Bytes.size() + high, Qt::Uninitialized);
  char* out = utf8.data();
  for (const char c : Bytes) {
    const uchar byte = uchar(c);
    if (byte < 0x80) {
      *out++ = c;
    } else {
      *out++ = char(0xC0 | byte >> 6);
      *out++ = char(0x80 | (byte & 0x3F));
    }
  }
  return utf8;
}

// A write that stops part way (a full disk, a file size limit) returns the
// short count and records no error; only the next attempt is refused with
// the system's reason.
bool WriteAll(QFile& File, QByteArrayView Bytes) {
  while (!Bytes.isEmpty()) {
    const qint64 written = File.write(Bytes.data(), Bytes.size());
    if (written <= 0) return false;
    Bytes = Bytes.sliced(written);
  }
  return true;
}

// The text goes to a new file beside the old one, which replaces the old one
// only once every byte is written and flushed: a failure leaves the old file
// as it was. The new file's name is short and its own, because the old name
// may already be as long as a name can be (QSaveFile adds to it), and it
// takes the old file's permissions, so a private copy stays private.
void WriteFile(const QString& Path, std::initializer_list<QByteArrayView> Pieces) {
  const QString folder = QFileInfo(Path).absolutePath();
  QFile file(folder + "/.save-" + QString::number(QRandomGenerator::system()->generate64(), 36));
  errno = 0;
  bool written = file.open(QIODevice::NewOnly | QIODevice::WriteOnly);
  for (const QByteArrayView piece : Pieces) written = written && WriteAll(file, piece);
  written = written && file.flush();
  const int systemError = errno;
  const QFileDevice::FileError error = file.error();
  const QString errorString = file.errorString();
  file.close();
  if (written && QFile::exists(Path)) file.setPermissions(QFile::permissions(Path));
#ifdef Q_OS_WIN
  if (written) QFile::remove(Path);  // rename does not replace a file there
#endif
  if (written && std::rename(QFile::encodeName(file.fileName()).constData(),
                             QFile::encodeName(Path).constData()) != 0) {
    const int renameError = errno;
    file.remove();
    throw Exception(
        QString("Unable to write %1: %2").arg(Path, QString::fromLocal8Bit(strerror(renameError))));
  }
  if (!written) {
    file.remove();
    throw Exception(TPlainMessages::LocalWriteError(Path, error, errorString, systemError));
  }
}

}  // namespace

QByteArray TTextFile::DecodeToUtf8(QByteArray Bytes, TTextFormat& Format) {
  QString text;
  Format.ByteOrderMark = true;
  const QByteArrayView view(Bytes);
  if (Bytes.startsWith(Utf16LEMark) && DecodeUtf16(view.sliced(2), false, text)) {
    Format.Encoding = TTextFormat::Utf16LE;
    Bytes = text.toUtf8();
  } else if (Bytes.startsWith(Utf16BEMark) && DecodeUtf16(view.sliced(2), true, text)) {
    Format.Encoding = TTextFormat::Utf16BE;
    Bytes = text.toUtf8();
  } else if (Bytes.startsWith(Utf8Mark) && IsUtf8(view.sliced(3))) {
    Format.Encoding = TTextFormat::Utf8;
    Bytes.remove(0, Utf8Mark.size());  // in place when the caller gave up its copy
  } else {
    Format.ByteOrderMark = false;
    if (IsUtf8(view)) {
      Format.Encoding = TTextFormat::Utf8;
    } else {
      Format.Encoding = TTextFormat::Latin1;
      Bytes = Latin1ToUtf8(view);
    }
  }
  Format.LineEnd = FirstLineEnd(Bytes);
  Format.MixedLineEnds = HasMixedLineEnds(Bytes);
  return Bytes;
}

QByteArray TTextFile::EncodeFromUtf8(QByteArrayView Utf8, const TTextFormat& Format) {
  if (Format.Encoding != TTextFormat::Utf8) return Encode(Utf8ToString(Utf8), Format);
  return (Format.ByteOrderMark ? Utf8Mark : QByteArray()) + Utf8.toByteArray();
}

QString TTextFile::Decode(const QByteArray& Bytes, TTextFormat& Format) {
  return Utf8ToString(DecodeToUtf8(Bytes, Format));
}

QByteArray TTextFile::Encode(const QString& Text, const TTextFormat& Format) {
  switch (Format.Encoding) {
    case TTextFormat::Utf16LE:
      return (Format.ByteOrderMark ? Utf16LEMark : QByteArray()) + EncodeUtf16(Text, false);
    case TTextFormat::Utf16BE:
      return (Format.ByteOrderMark ? Utf16BEMark : QByteArray()) + EncodeUtf16(Text, true);
    case TTextFormat::Latin1:
      return EncodeLatin1(Text);
    case TTextFormat::Utf8:
      break;
  }
  return (Format.ByteOrderMark ? Utf8Mark : QByteArray()) + Text.toUtf8();
}

QByteArray TTextFile::LoadUtf8(const QString& Path, TTextFormat& Format) {
  QFile file(Path);
  if (!file.open(QIODevice::ReadOnly))
    throw Exception(QString("Unable to read %1: %2").arg(Path, file.errorString()));
  QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError)
    throw Exception(QString("Unable to read %1: %2").arg(Path, file.errorString()));
  return DecodeToUtf8(std::move(bytes), Format);
}

QString TTextFile::Load(const QString& Path, TTextFormat& Format) {
  return Utf8ToString(LoadUtf8(Path, Format));
}

void TTextFile::Save(const QString& Path, const QString& Text, const TTextFormat& Format) {
  // Encode first: a text that cannot be stored must not touch the file.
  WriteFile(Path, {Encode(Text, Format)});
}

void TTextFile::SaveUtf8(const QString& Path, QByteArrayView Utf8, const TTextFormat& Format) {
  if (Format.Encoding != TTextFormat::Utf8) {
    WriteFile(Path, {EncodeFromUtf8(Utf8, Format)});
    return;
  }
  // The editor's own bytes are the file's text: written as they are, after the mark.
  WriteFile(Path, {Format.ByteOrderMark ? QByteArrayView(Utf8Mark) : QByteArrayView(), Utf8});
}
