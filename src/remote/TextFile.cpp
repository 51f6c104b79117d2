#include "remote/TextFile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <algorithm>

#include "core/Exception.h"

// A remote file is a stranger's file: we must hand back exactly what we got,
// whatever the server stored. Every decoding below is therefore accepted only
// when encoding its result gives back the very same bytes; anything else is
// read as Latin-1, which maps each byte to one character and back.
//
// UTF-16 files with an odd trailing byte or an unpaired surrogate are such a
// case: the editor works in UTF-8 and cannot hold a lone surrogate, so the
// whole file (mark included) is shown as Latin-1 instead of losing bytes.

namespace {

const QByteArray Utf8Mark("\xEF\xBB\xBF", 3);
const QByteArray Utf16LEMark("\xFF\xFE", 2);
const QByteArray Utf16BEMark("\xFE\xFF", 2);

// Qt's decoder would drop a second mark and replace bad sequences; the
// round trip catches every such loss, ConvertInitialBom keeps a leading
// U+FEFF as a character.
bool DecodeUtf8(const QByteArray& Bytes, QString& Text) {
  QStringDecoder decoder(QStringConverter::Utf8,
                         QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
  QString text = decoder.decode(Bytes);
  if (decoder.hasError() || text.toUtf8() != Bytes) return false;
  Text = text;
  return true;
}

// Code units are taken as they are, so the only possible losses are an odd
// byte and surrogates that do not pair.
bool DecodeUtf16(const QByteArray& Bytes, bool BigEndian, QString& Text) {
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
  const auto bad = std::find_if(Text.begin(), Text.end(), [](QChar c) { return c.unicode() > 0xFF; });
  if (bad == Text.end()) return Text.toLatin1();
  const qsizetype index = bad - Text.begin();
  const QString character = Text.mid(index, bad->isHighSurrogate() ? 2 : 1);
  const char32_t code = character.toUcs4().value(0);
  throw Exception(QString("The character %1 (U+%2) on line %3 cannot be saved in Latin-1, "
                          "the encoding of this file")
                      .arg(character, QString::number(uint(code), 16).toUpper().rightJustified(4, u'0'))
                      .arg(LineAt(Text, index)));
}

QByteArray FirstLineEnd(const QString& Text) {
  for (qsizetype i = 0; i < Text.size(); ++i) {
    if (Text[i] == u'\n') return "\n";
    if (Text[i] == u'\r') return i + 1 < Text.size() && Text[i + 1] == u'\n' ? "\r\n" : "\r";
  }
  return "\n";
}

TTextFormat::TEncoding DecodeBytes(const QByteArray& Bytes, bool& Mark, QString& Text) {
  Mark = true;
  if (Bytes.startsWith(Utf16LEMark) && DecodeUtf16(Bytes.mid(2), false, Text)) return TTextFormat::Utf16LE;
  if (Bytes.startsWith(Utf16BEMark) && DecodeUtf16(Bytes.mid(2), true, Text)) return TTextFormat::Utf16BE;
  if (Bytes.startsWith(Utf8Mark) && DecodeUtf8(Bytes.mid(3), Text)) return TTextFormat::Utf8;
  Mark = false;
  if (DecodeUtf8(Bytes, Text)) return TTextFormat::Utf8;
  Text = QString::fromLatin1(Bytes);
  return TTextFormat::Latin1;
}

}  // namespace

QString TTextFile::Decode(const QByteArray& Bytes, TTextFormat& Format) {
  QString text;
  bool mark = false;
  Format.Encoding = DecodeBytes(Bytes, mark, text);
  Format.ByteOrderMark = mark;
  Format.LineEnd = FirstLineEnd(text);
  return text;
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

QString TTextFile::Load(const QString& Path, TTextFormat& Format) {
  QFile file(Path);
  if (!file.open(QIODevice::ReadOnly))
    throw Exception(QString("Unable to read %1: %2").arg(Path, file.errorString()));
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError)
    throw Exception(QString("Unable to read %1: %2").arg(Path, file.errorString()));
  return Decode(bytes, Format);
}

void TTextFile::Save(const QString& Path, const QString& Text, const TTextFormat& Format) {
  // Encode first: a text that cannot be stored must not touch the file.
  const QByteArray bytes = Encode(Text, Format);
  QSaveFile file(Path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
    throw Exception(QString("Unable to write %1: %2").arg(Path, file.errorString()));
}
