#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/resource.h>

#include "core/Exception.h"
#include "remote/local/TextFile.h"

namespace {

QByteArray Bytes(const char* Data, size_t Size) { return QByteArray(Data, qsizetype(Size)); }
#define B(literal) Bytes(literal, sizeof(literal) - 1)

struct TCase {
  const char* Name;
  QByteArray Data;
  TTextFormat::TEncoding Encoding;
  bool Mark;
  QByteArray LineEnd;
  QString Text;  // the decoded text; null to skip the check
};

std::ostream& operator<<(std::ostream& os, const TCase& c) { return os << c.Name; }

class RoundTripTest : public ::testing::TestWithParam<TCase> {};

TEST_P(RoundTripTest, DecodesAndEncodesBackByteForByte) {
  const TCase& c = GetParam();
  TTextFormat format;
  const QString text = TTextFile::Decode(c.Data, format);
  EXPECT_EQ(format.Encoding, c.Encoding);
  EXPECT_EQ(format.ByteOrderMark, c.Mark);
  EXPECT_EQ(format.LineEnd, c.LineEnd);
  if (!c.Text.isNull()) {
    EXPECT_EQ(text, c.Text);
  }
  EXPECT_EQ(TTextFile::Encode(text, format).toHex(' '), c.Data.toHex(' '));
}

// The editor's path: UTF-8 bytes in and out, with the same format found.
TEST_P(RoundTripTest, GivesTheEditorUtf8AndTakesItBackByteForByte) {
  const TCase& c = GetParam();
  TTextFormat format;
  const QByteArray utf8 = TTextFile::DecodeToUtf8(c.Data, format);
  EXPECT_EQ(format.Encoding, c.Encoding);
  EXPECT_EQ(format.ByteOrderMark, c.Mark);
  EXPECT_EQ(format.LineEnd, c.LineEnd);
  if (!c.Text.isNull()) {
    EXPECT_EQ(utf8.toHex(' '), c.Text.toUtf8().toHex(' '));
  }
  EXPECT_TRUE(QByteArrayView(utf8).isValidUtf8());
  EXPECT_EQ(TTextFile::EncodeFromUtf8(utf8, format).toHex(' '), c.Data.toHex(' '));
}

const QString Euro = QString::fromUtf8("\xE2\x82\xAC");

INSTANTIATE_TEST_SUITE_P(
    Forms, RoundTripTest,
    ::testing::Values(
        TCase{"empty", QByteArray(), TTextFormat::Utf8, false, "\n", ""},
        TCase{"ascii_no_line_end", B("abc"), TTextFormat::Utf8, false, "\n", "abc"},
        TCase{"lf_final", B("a\nb\n"), TTextFormat::Utf8, false, "\n", "a\nb\n"},
        TCase{"crlf_no_final", B("a\r\nb"), TTextFormat::Utf8, false, "\r\n", "a\r\nb"},
        TCase{"cr_only", B("a\rb\r"), TTextFormat::Utf8, false, "\r", "a\rb\r"},
        TCase{"mixed_first_cr", B("a\rb\r\nc\nd"), TTextFormat::Utf8, false, "\r", "a\rb\r\nc\nd"},
        TCase{"mixed_first_lf", B("a\nb\r\n\r\r\n"), TTextFormat::Utf8, false, "\n",
              "a\nb\r\n\r\r\n"},
        TCase{"lone_cr_at_end", B("a\r\nb\r"), TTextFormat::Utf8, false, "\r\n", "a\r\nb\r"},
        TCase{"only_cr", B("\r"), TTextFormat::Utf8, false, "\r", "\r"},
        TCase{"utf8_no_mark", B("\xE2\x82\xAC 1\n"), TTextFormat::Utf8, false, "\n", Euro + " 1\n"},
        TCase{"utf8_mark", B("\xEF\xBB\xBF\xE2\x82\xAC\r\n"), TTextFormat::Utf8, true, "\r\n",
              Euro + "\r\n"},
        TCase{"utf8_mark_only", B("\xEF\xBB\xBF"), TTextFormat::Utf8, true, "\n", ""},
        // A second mark is text, not a mark: it must survive as a character.
        TCase{"utf8_two_marks", B("\xEF\xBB\xBF\xEF\xBB\xBFx"), TTextFormat::Utf8, true, "\n",
              QString(QChar(0xFEFF)) + "x"},
        TCase{"utf8_nul", B("a\0b"), TTextFormat::Utf8, false, "\n", QString("a") + QChar(0) + "b"},
        TCase{"latin1_high_bytes", B("caf\xE9\r\n\xFF\x80"), TTextFormat::Latin1, false, "\r\n",
              QString::fromLatin1("caf\xE9\r\n\xFF\x80")},
        TCase{"latin1_truncated_utf8", B("x\xE2\x82"), TTextFormat::Latin1, false, "\n", QString()},
        TCase{"latin1_overlong", B("\xC0\xAF"), TTextFormat::Latin1, false, "\n", QString()},
        TCase{"latin1_encoded_surrogate", B("\xED\xA0\x80"), TTextFormat::Latin1, false, "\n",
              QString()},
        TCase{"latin1_after_utf8_mark", B("\xEF\xBB\xBF\xE9\n"), TTextFormat::Latin1, false, "\n",
              QString::fromLatin1("\xEF\xBB\xBF\xE9\n")},
        TCase{"utf16le",
              B("\xFF\xFE"
                "a\0\r\0\n\0\xAC\x20"),
              TTextFormat::Utf16LE, true, "\r\n", "a\r\n" + Euro},
        TCase{"utf16be",
              B("\xFE\xFF"
                "\0a\0\n\0b\0\r"),
              TTextFormat::Utf16BE, true, "\n", "a\nb\r"},
        TCase{"utf16le_mark_only", B("\xFF\xFE"), TTextFormat::Utf16LE, true, "\n", ""},
        TCase{"utf16le_surrogate_pair", B("\xFF\xFE\x3D\xD8\x00\xDE"), TTextFormat::Utf16LE, true,
              "\n", QString::fromUtf8("\xF0\x9F\x98\x80")},
        // Not losslessly UTF-16: the whole file, mark included, is read as Latin-1.
        TCase{"utf16le_odd_byte",
              B("\xFF\xFE"
                "a\0b"),
              TTextFormat::Latin1, false, "\n",
              QString::fromLatin1("\xFF\xFE"
                                  "a\0b",
                                  5)},
        TCase{"utf16le_lone_high_surrogate",
              B("\xFF\xFE\x3D\xD8"
                "a\0"),
              TTextFormat::Latin1, false, "\n", QString()},
        TCase{"utf16be_lone_low_surrogate", B("\xFE\xFF\xDE\x00"), TTextFormat::Latin1, false, "\n",
              QString()}),
    [](const ::testing::TestParamInfo<TCase>& info) { return std::string(info.param.Name); });

// Encoded bytes of Text in the given form, for building expectations.
QByteArray Utf16LE(const QString& Text) {
  return QByteArray(reinterpret_cast<const char*>(Text.utf16()), Text.size() * 2);
}

TEST(TextFileEdit, ChangesOnlyTheEditedText) {
  const QString before = "one\r\ntwo\nthree\r";
  const QByteArray file = B("\xFF\xFE") + Utf16LE(before);
  TTextFormat format;
  QString text = TTextFile::Decode(file, format);
  text.replace("two", "2" + Euro);
  EXPECT_EQ(TTextFile::Encode(text, format),
            B("\xFF\xFE") + Utf16LE("one\r\n2" + Euro + "\nthree\r"));
}

TEST(TextFileEdit, Latin1KeepsOtherHighBytesWhenEdited) {
  TTextFormat format;
  QString text = TTextFile::Decode(B("\xE9t\xE9\n"), format);
  text.append(QChar(0xFC));
  EXPECT_EQ(TTextFile::Encode(text, format), B("\xE9t\xE9\n\xFC"));
}

TEST(TextFileEdit, Latin1RefusesCharactersItCannotHold) {
  TTextFormat format;
  QString text = TTextFile::Decode(B("\xE9\r\nx\ry\n"), format);
  text.append(Euro);
  try {
    TTextFile::Encode(text, format);
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(),
              "The character " + Euro +
                  " (U+20AC) on line 4 cannot be saved in Latin-1, the encoding of this file");
  }
}

TEST(TextFileEdit, NewFormatDefaultsToUtf8WithoutMark) {
  EXPECT_EQ(TTextFile::Encode("a" + Euro + "\n", TTextFormat()), B("a\xE2\x82\xAC\n"));
}

class TTextFileDisk : public ::testing::Test {
 protected:
  QTemporaryDir Dir;
  QString PathOf(const QString& Name) const { return Dir.filePath(Name); }
  QByteArray Contents(const QString& Path) const {
    QFile f(Path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
  }
  void WriteFile(const QString& Path, const QByteArray& Data) {
    QFile f(Path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(Data);
  }
};

TEST_F(TTextFileDisk, LoadAndSaveUnchangedGiveBackTheFile) {
  const QByteArray data = B("\xEF\xBB\xBFline\r\nnext\rlast");
  const QString path = PathOf("a.txt");
  WriteFile(path, data);
  const auto privateMode = QFile::ReadOwner | QFile::WriteOwner;
  QFile::setPermissions(path, privateMode);
  TTextFormat format;
  const QString text = TTextFile::Load(path, format);
  EXPECT_EQ(format.LineEnd, "\r\n");
  TTextFile::Save(path, text, format);
  EXPECT_EQ(Contents(path), data);
  // The copy is replaced, not rewritten, yet stays private.
  const QFile::Permissions others =
      QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
  EXPECT_EQ(QFile::permissions(path) & (privateMode | others), privateMode);
}

TEST_F(TTextFileDisk, Utf8LoadAndSaveKeepNulBytesAndTheMark) {
  const QByteArray data =
      B("\xEF\xBB\xBF"
        "a\0b\r\n\0");
  const QString path = PathOf("nul.txt");
  WriteFile(path, data);
  TTextFormat format;
  const QByteArray utf8 = TTextFile::LoadUtf8(path, format);
  EXPECT_EQ(utf8, B("a\0b\r\n\0"));
  TTextFile::SaveUtf8(path, utf8, format);
  EXPECT_EQ(Contents(path), data);
  // A Latin-1 file refuses a character it cannot hold and is left alone.
  WriteFile(path, B("\xE9"));
  EXPECT_EQ(TTextFile::LoadUtf8(path, format), B("\xC3\xA9"));
  EXPECT_THROW(TTextFile::SaveUtf8(path, B("\xE2\x82\xAC"), format), Exception);
  EXPECT_EQ(Contents(path), B("\xE9"));
}

// A server name may use every byte a name can hold; the copy of a file with
// such a name is saved all the same, because the temporary file written
// beside it has a short name of its own, not the copy's name made longer.
TEST_F(TTextFileDisk, NamesOfTheLongestLengthSave) {
  for (int length : {249, 252, 255}) {
    SCOPED_TRACE(length);
    const QString path = PathOf(QString(length - 4, 'n') + ".txt");
    WriteFile(path, "old\n");
    TTextFormat format;
    const QString text = TTextFile::Load(path, format);
    TTextFile::Save(path, "new\n", format);
    EXPECT_EQ(Contents(path), "new\n");
    EXPECT_EQ(QDir(QFileInfo(path).path()).entryList(QDir::Files).size(), 1);
    QFile::remove(path);
  }
}

TEST_F(TTextFileDisk, LoadOfMissingFileGivesTheSystemReason) {
  TTextFormat format;
  try {
    TTextFile::Load(PathOf("missing.txt"), format);
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_TRUE(e.Message().startsWith("Unable to read " + PathOf("missing.txt") + ": "))
        << e.what();
    EXPECT_TRUE(e.Message().contains("No such file", Qt::CaseInsensitive)) << e.what();
  }
}

TEST_F(TTextFileDisk, SaveIntoMissingFolderThrows) {
  const QString path = PathOf("no/such/folder/a.txt");
  try {
    TTextFile::Save(path, "x", TTextFormat());
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_TRUE(e.Message().startsWith("Unable to write " + path + ": ")) << e.what();
    EXPECT_GT(e.Message().size(), QString("Unable to write " + path + ": ").size());
  }
}

// Files written while it lives may grow to Bytes; a write beyond fails with
// EFBIG, as on a full disk, instead of ending the process.
class TFileSizeLimit {
 public:
  explicit TFileSizeLimit(rlim_t Bytes) {
    getrlimit(RLIMIT_FSIZE, &FSaved);
    FOldHandler = signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = FSaved;
    limited.rlim_cur = Bytes;
    setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~TFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &FSaved);
    signal(SIGXFSZ, FOldHandler);
  }

 private:
  struct rlimit FSaved;
  void (*FOldHandler)(int);
};

// A write that stops part way must neither replace the file with what got
// written, nor leave the user with Qt's "Unknown error" for a reason.
TEST_F(TTextFileDisk, WriteCutShortKeepsTheFileAndGivesTheSystemsReason) {
  struct Case {
    const char* name;
    qsizetype size;
  } cases[] = {
      {"small: held in the buffer until the commit", 100},
      {"large: written past the buffer", 200 * 1024},
  };
  const QString path = PathOf("limited.txt");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(path, "old text\n");
    const QByteArray text(c.size, 'x');
    QString message;
    {
      TFileSizeLimit limit(16);
      try {
        TTextFile::SaveUtf8(path, text, TTextFormat());
      } catch (const Exception& e) {
        message = e.Message();
      }
    }
    EXPECT_EQ(
        message.toStdString(),
        ("Unable to write " + path + ": " + QString::fromLocal8Bit(strerror(EFBIG))).toStdString());
    EXPECT_EQ(Contents(path).toStdString(), "old text\n");
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"limited.txt"});
  }
}

TEST_F(TTextFileDisk, RefusedLatin1SaveLeavesTheFileAlone) {
  const QString path = PathOf("l.txt");
  WriteFile(path, B("caf\xE9\n"));
  TTextFormat format;
  const QString text = TTextFile::Load(path, format);
  EXPECT_THROW(TTextFile::Save(path, text + Euro, format), Exception);
  EXPECT_EQ(Contents(path), B("caf\xE9\n"));
  EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files), QStringList{"l.txt"});
}

}  // namespace
