// The regular-expression object, the listing parser and the directory model.
#include <gtest/gtest.h>

#include "core/Exception.h"
#include "remote/Directories.h"
#include "remote/ListingParser.h"
#include "remote/PerlRegEx.h"

namespace {

TEST(PerlRegEx, CompileAndMatchSettings) {
  TPerlRegEx regex;
  regex.SetOptions(preMultiLine);
  // "^"/"$" at inner line starts and ends; "$" before CR LF; "." stops at CR.
  regex.SetRegEx("^Remote directory is now (.*)$");
  regex.SetSubject("first\r\nRemote directory is now /www\r\npsftp> ");
  ASSERT_TRUE(regex.Match());
  EXPECT_EQ(regex.Groups(1), "/www");
  EXPECT_EQ(regex.GroupCount(), 1);

  // Without multiline mode "^" holds only at the subject's start.
  TPerlRegEx plain;
  plain.SetRegEx("^Remote");
  plain.SetSubject("x\nRemote");
  EXPECT_FALSE(plain.Match());

  // Any line end counts: a lone CR ends a line too.
  regex.SetRegEx("^b$");
  regex.SetSubject("a\rb\rc");
  EXPECT_TRUE(regex.Match());

  // UTF-8 groups come back decoded.
  regex.SetRegEx("name: (.+)$");
  regex.SetSubject(QString::fromUtf8("name: café+(1).txt"));
  ASSERT_TRUE(regex.Match());
  EXPECT_EQ(regex.Groups(1), QString::fromUtf8("café+(1).txt"));

  // Empty matches are refused: "x*" finds the non-empty run, not the empty start.
  regex.SetRegEx("x*");
  regex.SetSubject("abxx");
  ASSERT_TRUE(regex.Match());
  EXPECT_EQ(regex.Groups(0), "xx");
  regex.SetSubject("abc");
  EXPECT_FALSE(regex.Match());

  regex.SetRegEx("(unclosed");
  EXPECT_THROW(regex.Match(), Exception);
}

struct EntryCase {
  const char* line;
  bool parsed;
  QString name;
  bool directory;
};

TEST(ListingParser, TakesTheWholeNameField) {
  const std::vector<EntryCase> cases = {
      // psftp against asyncssh and OpenSSH: ls -l style long names.
      {"drwxr-xr-x    3 root     root         4096 Dec 10 00:10 sub", true, "sub", true},
      {"-rw-r--r--    1 root     root            6 Dec 10 00:10 a.txt", true, "a.txt", false},
      {"-rw-r--r--    1 root     root            2 Dec 10 00:10 my notes.txt", true,
       "my notes.txt", false},
      {"-rw-r--r--    1 root     root            2 Dec 10 00:10 two  blanks", true,
       "two  blanks", false},
      {"-rw-r--r--    1 root     root            2 Dec 10 00:10 caf\xc3\xa9+(1).txt", true,
       QString::fromUtf8("caf\xc3\xa9+(1).txt"), false},
      {"-rw-r--r--    1 bob      staff           2 Jan  1  2023 bob@host (copy).txt", true,
       "bob@host (copy).txt", false},
      {"-rw-r--r--    1 bob      staff           2 Jan  1  2023 say \"hi\".txt", true,
       "say \"hi\".txt", false},
      {"-rw-r--r--    1 bob      staff           2 Jan  1  2023  leading blank", true,
       " leading blank", false},
      {"-rw-r--r--    1 bob      staff  99999999999 Jan  1  2023 big.iso", true, "big.iso",
       false},
      {"-rw-r--r--    1 1000     1000            2 Jan  1 12:00 numeric.txt\r", true,
       "numeric.txt", false},
      {"lrwxrwxrwx    1 bob      bob            11 Jan  1  2023 link -> target", true, "link",
       false},
      {"lrwxrwxrwx    1 bob      bob            11 Jan  1  2023 my link -> /a b/c", true,
       "my link", false},
      {"-rw-r--r--    1 bob      bob             1 Jan  1  2023 a -> b", true, "a -> b", false},
      {"drwxr-xr-x+   2 bob      bob          4096 Jan  1  2023 acl dir", true, "acl dir", true},
      {"drwxr-xr-x    2 root     root         4096 Dec 10 00:10 ..", true, "..", true},
      {"drwxr-xr-x    2 root     root         4096 Dec 10 00:10 .", false, "", false},
      {"Drwxr-xr-x    2 root     root         4096 Dec 10 00:10 upper", true, "upper", false},
      // Other shapes: the last run of path characters after a blank.
      {"some other shape: name.txt", true, "name.txt", false},
      {"d other dir", true, "dir", true},
      {"total 12", true, "12", false},
      {"nothing-after-a-blank", false, "", false},
      {"", false, "", false},
      {"weird line ending in café", false, "", false},
  };
  for (const EntryCase& c : cases) {
    SCOPED_TRACE(c.line);
    QString name;
    bool directory = false;
    ASSERT_EQ(TListingParser::ParseEntry(QString::fromUtf8(c.line), name, directory), c.parsed);
    if (!c.parsed) continue;
    EXPECT_EQ(name, c.name);
    EXPECT_EQ(directory, c.directory);
  }
}

TEST(ListingParser, HeaderNamesTheDirectory) {
  QString name;
  EXPECT_TRUE(TListingParser::ParseHeader("Listing directory /www/my site\r", name));
  EXPECT_EQ(name, "/www/my site");
  EXPECT_FALSE(TListingParser::ParseHeader("Listing directory ", name));
  EXPECT_FALSE(TListingParser::ParseHeader("listing directory /www", name));
}

TEST(File, ClassifiesByExtension) {
  struct Case {
    const char* name;
    bool text;
    bool binary;
  } cases[] = {
      {"index.html", true, false}, {"INDEX.HTM", true, false},  {"data.JSON", true, false},
      {"a.shtml", true, false},    {"run.sh", true, false},     {".htaccess", true, false},
      {"x.combined", false, true}, {"a.JPEG", false, true},     {"lib.class", false, true},
      {"archive.zip", false, true}, {"README", false, false},   {"ends.", false, false},
      {"a.b\\c", false, false},    {"c:file", false, false},    {"x.gz", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TFile file(c.name);
    EXPECT_EQ(file.IsTextFile(), c.text);
    EXPECT_EQ(file.IsBinaryFile(), c.binary);
    EXPECT_EQ(file.IsTextFile(), c.text);  // remembered, same answer
  }
  EXPECT_EQ(TFile("/www/sub/a.txt").RemoteShortName(), "a.txt");
  EXPECT_EQ(TFile("dir\\b.txt").RemoteShortName(), "b.txt");
  EXPECT_EQ(TFile("plain").RemoteShortName(), "plain");
}

TEST(Dir, SortsFoldersFirstThenNamesIgnoringAsciiCase) {
  TDir dir;
  const std::pair<const char*, bool> entries[] = {
      {"b.txt", false}, {"Zeta", true}, {"a.txt", false}, {"..", true},
      {"B", false},     {"alpha", true}, {"_x", false},   {"ab", false}};
  for (const auto& [name, folder] : entries) {
    auto file = std::make_unique<TFile>(name);
    file->SetIsDirectory(folder);
    dir.AddFile(std::move(file));
  }
  dir.Sort();
  QStringList order;
  for (int i = 0; i < dir.Count(); ++i) order << dir.Files(i)->RemoteName();
  // ".." < "alpha" < "Zeta"; files: "a.txt" < "ab" < "B" < "b.txt" < "_x" ('_' after letters).
  EXPECT_EQ(order, (QStringList{"..", "alpha", "Zeta", "a.txt", "ab", "B", "b.txt", "_x"}));
}

TEST(Directories, CachesOneDirectoryPerExactName) {
  TDirectories cache;
  auto make = [](const QString& name) {
    auto dir = std::make_unique<TDir>();
    dir->SetName(name);
    return dir;
  };
  TDir* www = cache.Add(make("/www"));
  TDir* upper = cache.Add(make("/WWW"));
  EXPECT_NE(www, upper);
  EXPECT_EQ(cache.Add(make("/www")), www);  // the first one stays
  EXPECT_EQ(cache.Count(), 2);
  EXPECT_EQ(cache.Find("/www"), www);
  EXPECT_EQ(cache.Find("/nope"), nullptr);
}

}  // namespace
