#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// How a file's text was stored, so that saving gives back the same form.
struct TTextFormat {
  enum TEncoding { Utf8, Utf16LE, Utf16BE, Latin1 };
  TEncoding Encoding = Utf8;
  bool ByteOrderMark = false;
  // The file's first line end ("\n", "\r\n" or "\r"); "\n" when it has none.
  // The editor uses it for new lines; existing line ends stay in the text as they were.
  QByteArray LineEnd = "\n";
  // Some line end differs from LineEnd: the status bar says "Mixed".
  bool MixedLineEnds = false;
};

// Local copies of remote files, read and written byte for byte: the text keeps
// its line ends (LF, CR LF, CR, mixed) and final line end, and saving restores
// the encoding and byte-order mark. Bytes that are not valid UTF-8 and carry
// no mark are read as Latin-1, so no byte is lost.
class TTextFile {
 public:
  static QString Decode(const QByteArray& Bytes, TTextFormat& Format);
  static QByteArray Encode(const QString& Text, const TTextFormat& Format);
  // Throw Exception with the system's reason on failure.
  static QString Load(const QString& Path, TTextFormat& Format);
  static void Save(const QString& Path, const QString& Text, const TTextFormat& Format);

  // The same, for an editor that holds its text as UTF-8. A UTF-8 file (the
  // usual case) goes to the editor as the very bytes read and comes back
  // from the editor's own buffer, so a large file is never copied into a
  // QString on the way.
  static QByteArray DecodeToUtf8(QByteArray Bytes, TTextFormat& Format);
  static QByteArray EncodeFromUtf8(QByteArrayView Utf8, const TTextFormat& Format);
  static QByteArray LoadUtf8(const QString& Path, TTextFormat& Format);
  static void SaveUtf8(const QString& Path, QByteArrayView Utf8, const TTextFormat& Format);
};
