#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>
#include <iterator>

#include "core/Exception.h"
#include "store/IniFile.h"

namespace {

class IniFileTest : public ::testing::Test {
 protected:
  QString Path() const { return Dir.path() + "/test.ini"; }
  void Put(const QByteArray& Text) const {
    QFile file(Path());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(Text);
  }
  QByteArray Get() const {
    QFile file(Path());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
  }
  static QString ErrorOf(const std::function<void()>& Action) {
    try {
      Action();
    } catch (const Exception& e) {
      return e.Message();
    }
    return QString();
  }

  QTemporaryDir Dir;
};

// A file as a person or another program may leave it.
const QByteArray Foreign =
    "; saved hosts\r\n"
    "Orphan=before any section\r\n"
    "\r\n"
    "  [ First ]  trailing words\r\n"
    "  hostname   =   alpha  \r\n"
    "USERNAME=ann\r\n"
    ";Password=commented out\r\n"
    "no equals sign here\r\n"
    "Quoted=\"  spaced  \"\r\n"
    "Single='x'\r\n"
    "Lone=\"\r\n"
    "Mismatch=\"x'\r\n"
    "Dup=first\r\n"
    "dup=second\r\n"
    "Empty=\r\n"
    "Eq=a=b\r\n"
    "\r\n"
    "[second]\r\n"
    "HostName=beta\r\n"
    "[FIRST]\r\n"
    "HostName=ignored: only the first section of a name counts\r\n"
    "Extra=also ignored\r\n"
    ";[Commented]\r\n"
    "[]\r\n"
    "[Third]";

TEST_F(IniFileTest, ReadsAsTheProfileFunctionsDo) {
  Put(Foreign);
  const TIniFile ini(Path());
  EXPECT_EQ(ini.ReadSections(), (QStringList{"First", "second", "Third"}));

  struct TCase {
    const char* Section;
    const char* Key;
    QByteArray Expected;
  };
  const TCase cases[] = {
      {"first", "HostName", "alpha"},  {"  FIRST ", " username ", "ann"},
      {"First", "Password", "<none>"}, {"First", "Quoted", "  spaced  "},
      {"First", "Single", "x"},        {"First", "Lone", "\""},
      {"First", "Mismatch", "\"x'"},   {"First", "DUP", "first"},
      {"First", "Empty", ""},          {"First", "Eq", "a=b"},
      {"First", "Extra", "<none>"},    {"First", "Orphan", "<none>"},
      {"Second", "hostname", "beta"},  {"Commented", "x", "<none>"},
      {"Third", "x", "<none>"},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(ini.ReadString(c.Section, c.Key, "<none>"), c.Expected) << c.Section << "/" << c.Key;
  }
  EXPECT_TRUE(ini.ValueExists("first", "empty"));
  EXPECT_FALSE(ini.ValueExists("first", "orphan"));
  EXPECT_TRUE(ini.SectionExists("THIRD"));
}

TEST_F(IniFileTest, IntegersFallBackToTheDefault) {
  Put("[s]\nA=70000\nB=-5\nC=abc\nD=\nE=12x\nF=\"8\"\nG=99999999999\n");
  const TIniFile ini(Path());
  EXPECT_EQ(ini.ReadInteger("s", "A", 22), 70000);
  EXPECT_EQ(ini.ReadInteger("s", "B", 22), -5);
  for (const char* key : {"C", "D", "E", "G", "missing"})
    EXPECT_EQ(ini.ReadInteger("s", key, 22), 22) << key;
  EXPECT_EQ(ini.ReadInteger("s", "F", 22), 8);
}

// Values come back cut to 2047 characters (not bytes), never inside one.
TEST_F(IniFileTest, LongValuesAreCutWhenRead) {
  const QByteArray x2046(2046, 'x');
  const QByteArray e = "\xC3\xA9";               // one character, two bytes
  const QByteArray smiley = "\xF0\x9F\x98\x80";  // two UTF-16 units
  Put("[s]\nLong=" + QByteArray(3000, 'y') + "\nAccent=" + x2046 + e + "zz\nWide=" + x2046 +
      smiley + "\nExact=\"" + x2046 + "z\"\n");
  const TIniFile ini(Path());
  EXPECT_EQ(ini.ReadString("s", "Long", ""), QByteArray(2047, 'y'));
  EXPECT_EQ(ini.ReadString("s", "Accent", ""), x2046 + e);
  EXPECT_EQ(ini.ReadString("s", "Wide", ""), x2046);
  EXPECT_EQ(ini.ReadString("s", "Exact", ""), x2046 + "z");
}

TEST_F(IniFileTest, WritingChangesOnlyWhatItMust) {
  Put("; hosts\n"
      "[One]\n"
      "  Key = old  \n"
      "Other=kept\n"
      "\n"
      "; leads into Two\n"
      "[Two]\n"
      "x=1\n");
  TIniFile ini(Path());
  ini.WriteString("ONE", "KEY", "new");
  ini.WriteString("one", "Added", "a");
  ini.WriteString("Three", "k", "v");
  ini.WriteString("Three", "k", "w");
  EXPECT_EQ(ini.ReadString("one", "key", ""), "new");
  EXPECT_EQ(Get().count('\n'), 8) << "the file changes only on UpdateFile";
  ini.UpdateFile();
  EXPECT_EQ(Get(),
            "; hosts\n"
            "[One]\n"
            "Key=new\n"
            "Other=kept\n"
            "Added=a\n"
            "\n"
            "; leads into Two\n"
            "[Two]\n"
            "x=1\n"
            "[Three]\n"
            "k=w\n");
}

// Every section of the name goes (a later duplicate would otherwise come
// into view), whatever its letter case; what leads into the next section stays.
TEST_F(IniFileTest, EraseSectionTakesEveryCopyAndKeepsWhatLeadsOn) {
  Put("; hosts\n"
      "[Gone]\n"
      "a=1\n"
      "; about a\n"
      "stray line\n"
      "\n"
      "; leads into Kept\n"
      "[Kept]\n"
      "b=2\n"
      "[ gone ]\n"
      "c=3\n"
      "[Last]\n"
      "d=4\n"
      "[GONE]");
  TIniFile ini(Path());
  EXPECT_TRUE(ini.EraseSection("gone"));
  EXPECT_FALSE(ini.SectionExists("Gone"));
  EXPECT_FALSE(ini.EraseSection("Gone"));
  EXPECT_FALSE(ini.EraseSection("Missing"));
  ini.UpdateFile();
  EXPECT_EQ(Get(),
            "; hosts\n"
            "\n"
            "; leads into Kept\n"
            "[Kept]\n"
            "b=2\n"
            "[Last]\n"
            "d=4\n");
}

TEST_F(IniFileTest, KeepsTheFilesLineEndsAndMark) {
  Put("\xEF\xBB\xBF[a]\r\nk=1\r\nlast line without end");
  TIniFile ini(Path());
  ini.WriteString("b", "k", "2");
  ini.UpdateFile();
  EXPECT_EQ(Get(), "\xEF\xBB\xBF[a]\r\nk=1\r\nlast line without end\r\n[b]\r\nk=2\r\n");
  EXPECT_EQ(TIniFile(Path()).ReadSections(), (QStringList{"a", "b"}));
}

// Reading trims blanks and strips matching quotes, so values that would
// lose either are quoted when written and come back as they were.
TEST_F(IniFileTest, ValuesReadBackExactlyAsWritten) {
  const QByteArray values[] = {"",
                               " lead",
                               "trail ",
                               " ",
                               "'q'",
                               "\"\"",
                               "\"",
                               "a\"b",
                               "x = y",
                               ";not a comment",
                               "[not a section]",
                               "\t",
                               "\xC3\xA9t\xC3\xA9"};
  {
    TIniFile ini(Path());
    for (size_t i = 0; i < std::size(values); ++i)
      ini.WriteString("s", QString("k%1").arg(i), values[i]);
    ini.UpdateFile();
  }
  const TIniFile ini(Path());
  EXPECT_EQ(ini.ReadSections(), QStringList{"s"});
  for (size_t i = 0; i < std::size(values); ++i)
    EXPECT_EQ(ini.ReadString("s", QString("k%1").arg(i), "<none>"), values[i]) << i;
}

TEST_F(IniFileTest, RefusesWhatWouldBreakTheFile) {
  Put("[s]\nk=1\n");
  TIniFile ini(Path());
  EXPECT_FALSE(ErrorOf([&] { ini.WriteString("s", "k", "a\n[evil]\nk=2"); }).isEmpty());
  EXPECT_FALSE(ErrorOf([&] { ini.WriteString("s", "k", "a\rb"); }).isEmpty());
  EXPECT_FALSE(ErrorOf([&] { ini.WriteString("s\nx", "k", "v"); }).isEmpty());
  EXPECT_FALSE(ErrorOf([&] { ini.WriteString("  ", "k", "v"); }).isEmpty());
  for (const char* key : {"", "a=b", ";k", "[k"})
    EXPECT_FALSE(ErrorOf([&] { ini.WriteString("s", key, "v"); }).isEmpty()) << key;
  ini.UpdateFile();
  EXPECT_EQ(Get(), "[s]\nk=1\n");
}

TEST_F(IniFileTest, NewFileAndFoldersArePrivate) {
  const QString path = Dir.path() + "/a/b/hosts.ini";
  TIniFile ini(path);
  EXPECT_TRUE(ini.ReadSections().isEmpty());
  EXPECT_FALSE(QFileInfo::exists(Dir.path() + "/a")) << "reading creates nothing";
  ini.WriteString("s", "k", "v");
  ini.UpdateFile();
  const auto folder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser |
                      QFile::WriteUser | QFile::ExeUser;
  EXPECT_EQ(QFileInfo(Dir.path() + "/a").permissions(), folder);
  EXPECT_EQ(QFileInfo(Dir.path() + "/a/b").permissions(), folder);
  EXPECT_EQ(QFileInfo(path).permissions(),
            QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);

  // A file that others could read becomes private on the next write.
  Put("[s]\n");
  QFile::setPermissions(Path(),
                        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
  TIniFile other(Path());
  other.UpdateFile();
  EXPECT_EQ(QFileInfo(Path()).permissions(),
            QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
}

TEST_F(IniFileTest, FailedWriteNamesTheFileAndKeepsTheOldOne) {
  // A file where the folder should be stops even root.
  Put("[s]\n");
  const QString blocked = Path() + "/hosts.ini";
  TIniFile ini(blocked);
  ini.WriteString("s", "k", "v");
  EXPECT_EQ(ErrorOf([&] { ini.UpdateFile(); }), "Unable to write to " + blocked);

  // A folder where the file should be cannot be read or replaced.
  QDir().mkpath(Dir.path() + "/dir.ini");
  EXPECT_EQ(ErrorOf([&] { TIniFile{Dir.path() + "/dir.ini"}; }),
            "Unable to read " + Dir.path() + "/dir.ini");

  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  TIniFile readOnly(Path());
  readOnly.WriteString("s", "k", "v");
  QFile::setPermissions(Dir.path(), QFile::ReadOwner | QFile::ExeOwner);
  EXPECT_EQ(ErrorOf([&] { readOnly.UpdateFile(); }), "Unable to write to " + Path());
  QFile::setPermissions(Dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  EXPECT_EQ(Get(), "[s]\n");
  EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files), QStringList{"test.ini"})
      << "no leftover temporary file";

  QFile::setPermissions(Path(), QFile::WriteOwner);
  EXPECT_EQ(ErrorOf([&] { TIniFile{Path()}; }), "Unable to read " + Path());
}

}  // namespace
