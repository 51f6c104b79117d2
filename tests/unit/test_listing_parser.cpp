// Reading psftp's answer to "ls". The lines marked "psftp 0.78" were captured
// from psftp talking to the loopback test server (asyncssh) and to OpenSSH
// 9.2's sftp-server over a served folder holding these names; both servers
// gave the same longnames, byte for byte.
#include <gtest/gtest.h>

#include <QStringList>
#include <memory>

#include "remote/listing/Dir.h"
#include "remote/listing/ListingParser.h"

namespace {

QString Utf8(const char* Text) { return QString::fromUtf8(Text); }

struct TEntryCase {
  const char* Line;
  const char* Name;  // nullptr: the line names no entry
  bool Directory;
};

void ExpectEntries(const std::vector<TEntryCase>& Cases) {
  for (const TEntryCase& c : Cases) {
    SCOPED_TRACE(c.Line);
    QString name;
    bool directory = false;
    const bool parsed = TListingParser::ParseEntry(Utf8(c.Line), name, directory);
    ASSERT_EQ(parsed, c.Name != nullptr) << name.toStdString();
    if (!parsed) continue;
    EXPECT_EQ(name, Utf8(c.Name));
    EXPECT_EQ(directory, c.Directory);
  }
}

TEST(ListingParser, RealLongnamesGiveTheWholeName) {
  ExpectEntries({
      // psftp 0.78
      {"drwxr-xr-x    5 root     root         4096 Dec 10 01:22 .", nullptr, false},
      {"drwxr-xr-x    3 root     root         4096 Dec 10 01:22 ..", "..", true},
      {"drwxr-xr-x    2 root     root         4096 Dec 10 01:22 sub", "sub", true},
      {"-rw-r--r--    1 root     root            3 Dec 10 01:22 index.html", "index.html", false},
      {"-rw-r--r--    1 root     root            2 Dec 10 01:22 my notes.txt", "my notes.txt",
       false},
      {"-rw-r--r--    1 root     root            2 Dec 10 01:22 two  blanks.txt", "two  blanks.txt",
       false},
      {"drwxr-xr-x    2 root     root         4096 Dec 10 01:22 dir with blanks", "dir with blanks",
       true},
      {"-rw-r--r--    1 root     root            2 Dec 10 01:22 caf\xc3\xa9+(1).txt",
       "caf\xc3\xa9+(1).txt", false},
      {"-rw-r--r--    1 root     root            2 Dec 10 01:22 bob@host (copy).txt",
       "bob@host (copy).txt", false},
      {"-rw-r--r--    1 root     root            2 Dec 10 01:22 say \"hi\".txt", "say \"hi\".txt",
       false},
      {"-rw-r--r--    1 root     root            2 Dec 10 01:22 it's.txt", "it's.txt", false},
      {"drwxr-xr-x    2 root     root         4096 Dec 10 01:22 \xc3\x9cn\xc3\xaf"
       "code dir",
       "\xc3\x9cn\xc3\xaf"
       "code dir",
       true},
      {"-rw-r--r--    1 root     root            2 Dec 10 01:22 \xf0\x9f\x98\x80 emoji",
       "\xf0\x9f\x98\x80 emoji", false},
      {"-rw-r--r--    1 root     root            2 Dec 10 01:22 -dash", "-dash", false},
      {"-rw-r--r--    1 root     root            2 Dec 10 01:22 ends.", "ends.", false},
      // Blanks at either end of a name are part of it.
      {"-rw-r--r--    1 root     root            2 Dec 10 01:22  leading blank", " leading blank",
       false},
      {"-rw-r--r--    1 root     root            2 Dec 10 01:22 trailing blank ", "trailing blank ",
       false},
      // Years instead of times, large sizes, numeric owners, special modes.
      {"-rw-r--r--    1 root     root            0 May  3  2019 old.txt", "old.txt", false},
      {"-rw-r--r--    1 root     root            2 Jan  1  2030 future.txt", "future.txt", false},
      {"-rw-r--r--    1 root     root     99999999999 Dec 10 01:22 big.iso", "big.iso", false},
      {"-rwsr-xr-x    1 12345    54321           2 Dec 10 01:24 numeric.txt", "numeric.txt", false},
      {"drwxrwxrwt    2 root     root         4096 Dec 10 01:24 tmp", "tmp", true},
      {"prw-r--r--    1 root     root            0 Dec 10 01:24 fifo", "fifo", false},
      // A file whose name reads like one of psftp's messages is still a file.
      {"-rw-r--r--    1 root     root            2 Dec 10 01:22 Unable to open me",
       "Unable to open me", false},
      // Only a lower-case "d" first marks a directory.
      {"Drwxr-xr-x    2 root     root         4096 Dec 10 01:22 door", "door", false},
  });
}

TEST(ListingParser, SymbolicLinksShowTheirOwnName) {
  ExpectEntries({
      // psftp 0.78: these servers give the bare link name; the target of
      // "arrow link" is "/nowhere/x -> y" and does not show.
      {"lrwxrwxrwx    1 root     root           10 Dec 10 01:22 link", "link", false},
      {"lrwxrwxrwx    1 root     root           15 Dec 10 01:22 arrow link", "arrow link", false},
      // Servers that append the target, "ls -l" style.
      {"lrwxrwxrwx    1 bob  bob   11 Jan  1  2023 link -> target", "link", false},
      {"lrwxrwxrwx    1 bob      bob            11 Jan  1  2023 my link -> /a b/c -> d", "my link",
       false},
      {"lrwxrwxrwx    1 bob      bob            11 Jan  1  2023  -> odd", " -> odd", false},
      // A link named "a -> b" cannot be told from a link "a" to "b": cut at
      // the first arrow.
      {"lrwxrwxrwx    1 bob      bob            11 Jan  1  2023 a -> b -> c", "a", false},
      // Only a link line is cut: a file may have an arrow in its name (psftp 0.78).
      {"-rw-r--r--    1 root     root            2 Dec 10 01:22 a -> b", "a -> b", false},
      // GNU ls marks ACLs and extended attributes after the mode.
      {"drwxr-xr-x+   2 bob      bob          4096 Jan  1  2023 acl dir", "acl dir", true},
      {"-rw-r--r--@   1 bob      staff           5 Jan  1  2023 xattr file", "xattr file", false},
  });
}

// What a swap must keep of a file: its permission bits (set-id and sticky
// bits included), its link count and its owner, as the line gives them.
TEST(ListingParser, ModeLinksAndOwnerAreReadFromTheLine) {
  struct TCase {
    const char* Line;
    int Permissions;
    int Links;
    const char* Owner;
  } const cases[] = {
      // psftp 0.78 against the loopback server
      {"-rw-r--r--    1 tester   root            6 Dec 11 05:31 a.txt", 0644, 1, "tester"},
      {"-rwxr-xr-x    2 root     root            6 Dec 11 05:31 hard.txt", 0755, 2, "root"},
      {"lrwxrwxrwx    1 root     root            5 Dec 11 05:31 link.txt", 0777, 1, "root"},
      {"-rwsr-xr-x    1 54321    root            2 Dec 11 05:31 num.txt", 04755, 1, "54321"},
      {"-rwxrwxrwt    1 nobody   root            2 Dec 11 05:31 other.txt", 01777, 1, "nobody"},
      {"-rw-------    1 bob      bob             2 Dec 11 05:31 private", 0600, 1, "bob"},
      // Special bits without execute, and old systems' mandatory locking.
      {"-rwSr-Sr-T    1 bob      bob             2 Dec 11 05:31 odd", 07644, 1, "bob"},
      {"-rw-r-lr--    1 bob      bob             2 Dec 11 05:31 locked", 02644, 1, "bob"},
      {"-rw-rw-r--+ 300 bob      www-data        2 Dec 11 05:31 acl", 0664, 300, "bob"},
      // A mode that cannot be read gives none; the rest of the line still counts.
      {"-rw-r--?--    1 bob      bob             2 Dec 11 05:31 unknown", -1, 1, "bob"},
      // A line of another shape tells nothing of the file.
      {"some-server-format 2024 notes.txt", -1, 0, ""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Line);
    TListingParser::TEntry entry;
    ASSERT_TRUE(TListingParser::ParseEntry(QString::fromUtf8(c.Line), entry));
    EXPECT_EQ(entry.Permissions, c.Permissions);
    EXPECT_EQ(entry.Links, c.Links);
    EXPECT_EQ(entry.Owner, QString::fromUtf8(c.Owner));
  }
}

TEST(ListingParser, LineEndsAreNotPartOfTheName) {
  ExpectEntries({
      {"-rw-r--r--    1 root     root            2 Dec 10 01:22 my notes.txt\r", "my notes.txt",
       false},
      {"-rw-r--r--    1 root     root            2 Dec 10 01:22 trailing blank \r\n",
       "trailing blank ", false},
      {"drwxr-xr-x    2 root     root         4096 Dec 10 01:22 .\r", nullptr, false},
      {"some shape ending in name.txt\r", "name.txt", false},
  });
}

TEST(ListingParser, OtherShapesFallBackToTheLastRunOfPathCharacters) {
  ExpectEntries({
      {"some other shape: name.txt", "name.txt", false},
      {"d other dir", "dir", true},
      {"total 12", "12", false},
      {"x /abs/path_to~file#1%.txt", "/abs/path_to~file#1%.txt", false},
      // An owner or group with a blank, or a date of another form, moves the
      // fields: the line is not split there but falls back, which keeps only
      // the name's last word.
      {"-rw-r--r--    1 bob      Domain Users    5 Jan  1  2023 my report.txt", "report.txt",
       false},
      {"-rw-r--r--    1 bob      bob             5 2023-01-01 12:00 my report.txt", "report.txt",
       false},
      // A name that ends in characters outside the path class yields nothing.
      {"weird line ending in caf\xc3\xa9", nullptr, false},
      {"x (copy)", nullptr, false},
      // Short lines, and long lines with nothing after the date.
      {"", nullptr, false},
      {"nothing-after-a-blank", nullptr, false},
      {" ", nullptr, false},
      {"-rw-r--r--    1 root     root            2 Dec 10 01:22", "01:22", false},
      {"-rw-r--r--    1 root     root            2 Dec 10 01:22 ", nullptr, false},
      {"x .", nullptr, false},
  });
}

TEST(ListingParser, PsftpsOwnMessagesNameNoEntry) {
  // psftp prints these on standard output inside the "ls" answer; the last
  // word of each would otherwise become an entry.
  ExpectEntries({
      // psftp 0.78, "ls /nonexistent"
      {"Unable to open /nonexistent: no such file or directory", nullptr, false},
      {"Unable to open /www/secret: permission denied\r", nullptr, false},
      {"Reading directory /www: failure", nullptr, false},
      {"Directory is too large to sort; writing file names unsorted", nullptr, false},
  });
}

TEST(ListingParser, HeaderNamesTheDirectoryToTheEndOfTheLine) {
  const std::pair<const char*, const char*> cases[] = {
      {"Listing directory /www", "/www"},
      {"Listing directory /", "/"},
      {"Listing directory /www/my site\r", "/www/my site"},
      {"Listing directory /www/dir  with (two) blanks+@\r\n", "/www/dir  with (two) blanks+@"},
      {"Listing directory /www/\xc3\x9cn\xc3\xaf"
       "code dir",
       "/www/\xc3\x9cn\xc3\xaf"
       "code dir"},
      {"Listing directory /www/ends in blank ", "/www/ends in blank "},
      // As psftp writes it right after its prompt.
      {"psftp> Listing directory /www", "/www"},
      {"Listing directory /a/Listing directory b", "/a/Listing directory b"},
  };
  for (const auto& [line, path] : cases) {
    SCOPED_TRACE(line);
    QString name;
    ASSERT_TRUE(TListingParser::ParseHeader(Utf8(line), name));
    EXPECT_EQ(name, Utf8(path));
  }
  for (const char* line : {"Listing directory ", "Listing directory \r", "listing directory /www",
                           "Unable to open /x: no such file or directory", "", "Listing"}) {
    SCOPED_TRACE(line);
    QString name = "unchanged";
    EXPECT_FALSE(TListingParser::ParseHeader(Utf8(line), name));
  }
}

// The whole answer psftp 0.78 gave for "ls /www", parsed and sorted as the
// driver does it.
TEST(ListingParser, ARealListingBecomesASortedDirectory) {
  const QStringList response = {
      "Listing directory /www",
      "-rw-r--r--    1 root     root            2 Dec 10 01:22  leading blank",
      "-rw-r--r--    1 root     root            2 Dec 10 01:22 -dash",
      "drwxr-xr-x    5 root     root         4096 Dec 10 01:22 .",
      "drwxr-xr-x    3 root     root         4096 Dec 10 01:22 ..",
      "-rw-r--r--    1 root     root            2 Dec 10 01:22 JSON.JSON",
      "-rw-r--r--    1 root     root            2 Dec 10 01:22 a -> b",
      "lrwxrwxrwx    1 root     root           15 Dec 10 01:22 arrow link",
      "-rw-r--r--    1 root     root     99999999999 Dec 10 01:22 big.iso",
      Utf8("-rw-r--r--    1 root     root            2 Dec 10 01:22 caf\xc3\xa9+(1).txt"),
      "drwxr-xr-x    2 root     root         4096 Dec 10 01:22 dir with blanks",
      "-rw-r--r--    1 root     root            0 May  3  2019 old.txt",
      "drwxr-xr-x    2 root     root         4096 Dec 10 01:22 sub",
      "-rw-r--r--    1 root     root            2 Dec 10 01:22 two  blanks.txt",
      Utf8("drwxr-xr-x    2 root     root         4096 Dec 10 01:22 \xc3\x9cn\xc3\xaf"
           "code dir"),
  };
  QString path;
  ASSERT_TRUE(TListingParser::ParseHeader(response[0], path));
  EXPECT_EQ(path, "/www");
  TDir dir;
  dir.SetName(path);
  for (int i = 1; i < response.size(); ++i) {
    QString name;
    bool isDirectory = false;
    if (!TListingParser::ParseEntry(response[i], name, isDirectory)) continue;
    auto file = std::make_unique<TFile>(name);
    file->SetIsDirectory(isDirectory);
    dir.AddFile(std::move(file));
  }
  dir.Sort();
  QStringList shown;
  for (int i = 0; i < dir.Count(); ++i)
    shown << (dir.Files(i)->IsDirectory() ? "[" + dir.Files(i)->RemoteName() + "]"
                                          : dir.Files(i)->RemoteName());
  EXPECT_EQ(shown,
            (QStringList{"[..]", "[dir with blanks]", "[sub]",
                         Utf8("[\xc3\x9cn\xc3\xaf"
                              "code dir]"),
                         " leading blank", "-dash", "a -> b", "arrow link", "big.iso",
                         Utf8("caf\xc3\xa9+(1).txt"), "JSON.JSON", "old.txt", "two  blanks.txt"}));
}

}  // namespace
