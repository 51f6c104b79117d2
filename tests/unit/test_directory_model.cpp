// Remote directory entries, their classification and order, and the cache of
// listed directories.
#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QStringList>
#include <algorithm>
#include <memory>

#include "remote/listing/Directories.h"

namespace {

QString Utf8(const char* Text) { return QString::fromUtf8(Text); }

TEST(File, ClassifiesByTheLowerCasedExtension) {
  struct {
    const char* Name;
    bool Text;
    bool Binary;
  } cases[] = {
      {"index.html", true, false},
      {"INDEX.HTM", true, false},
      {"data.JSON", true, false},  // lower-cased it begins with "js"
      {"a.shtml", true, false},
      {"run.sh", true, false},
      {".htaccess", true, false},
      {"a.php5", true, false},
      {"script.pl~", true, false},
      {"photo.jpg.txt", true, false},  // only the last period counts
      {"x.combined", false, true},     // begins with "com"
      {"a.JPEG", false, true},
      {"lib.class", false, true},
      {"archive.zip", false, true},
      {"setup.EXE", false, true},
      {"a.7z", false, true},
      {"README", false, false},  // no period: neither
      {"ends.", false, false},   // a lone period is no known extension
      {"archive.tar.gz", false, false},
      {"a.b\\c", false, false},  // a backslash after the period: no extension
      {"dir.txt:stream", false, false},
      {"c:file", false, false},
      {"/www/sub.d/plain", false, false},  // a slash does not end the extension...
      {"/www/sub.d/a.txt", true, false},
      // Only A to Z are lower-cased: a dotted capital I is no "i".
      {"x.B\xc4\xb0N", false, false},
      {"x.BIN", false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const TFile file(Utf8(c.Name));
    EXPECT_EQ(file.IsTextFile(), c.Text);
    EXPECT_EQ(file.IsBinaryFile(), c.Binary);
    EXPECT_EQ(file.IsTextFile(), c.Text);  // the stored answer
    EXPECT_EQ(file.IsBinaryFile(), c.Binary);
  }
}

TEST(File, ShortNameIsThePartAfterTheLastSeparator) {
  const std::pair<const char*, const char*> cases[] = {
      {"/www/sub/a.txt", "a.txt"},
      {"dir\\b.txt", "b.txt"},
      {"a/b\\c", "c"},
      {"plain", "plain"},
      {"/www/", ""},
      {"..", ".."},
      {" leading blank", " leading blank"},
  };
  for (const auto& [name, shortName] : cases) {
    EXPECT_EQ(TFile(name).RemoteShortName(), shortName) << name;
    EXPECT_EQ(ExtractShortName(name), shortName) << name;
  }
}

std::unique_ptr<TFile> Entry(const QString& Name, bool Directory) {
  auto file = std::make_unique<TFile>(Name);
  file->SetIsDirectory(Directory);
  return file;
}

QStringList Names(const TDir& Dir) {
  QStringList names;
  for (int i = 0; i < Dir.Count(); ++i) names << Dir.Files(i)->RemoteName();
  return names;
}

TEST(Dir, SortsDirectoriesFirstThenShortNamesIgnoringAsciiCase) {
  TDir dir;
  const std::pair<const char*, bool> entries[] = {
      {"b.txt", false},
      {"Zeta", true},
      {"a.txt", false},
      {"..", true},
      {"B", false},
      {"alpha", true},
      {"_x", false},
      {"ab", false},
      {"/other/Aa", false},
      {"\xc3\xa9t\xc3\xa9", false},
      {"Z", false},
      // Names alike in their first eight characters.
      {"abcdefgh", false},
      {"ABCDEFGHi", false},
      {"abcdefgH.", false},
      {"abcdefg", false},
  };
  for (const auto& [name, folder] : entries) dir.AddFile(Entry(Utf8(name), folder));
  dir.Sort();
  // '_' sorts after the letters (they compare as capitals), a proper prefix
  // first, a non-ASCII letter after all of ASCII; a path sorts by its short name.
  EXPECT_EQ(Names(dir), (QStringList{"..", "alpha", "Zeta", "a.txt", "/other/Aa", "ab", "abcdefg",
                                     "abcdefgh", "abcdefgH.", "ABCDEFGHi", "B", "b.txt", "Z", "_x",
                                     Utf8("\xc3\xa9t\xc3\xa9")}));

  // Relisting clears and refills the same object.
  dir.Clear();
  EXPECT_EQ(dir.Count(), 0);
  dir.AddFile(Entry("new.txt", false));
  dir.AddFile(Entry("..", true));
  dir.Sort();
  EXPECT_EQ(Names(dir), (QStringList{"..", "new.txt"}));
}

// Many random names against a plain comparison of the folded short names.
TEST(Dir, SortAgreesWithAPlainComparisonOnManyNames) {
  const QString alphabet = Utf8("aAbB_.-~ 0\xc3\xa9z");
  QRandomGenerator random(7);
  TDir dir;
  for (int i = 0; i < 3000; ++i) {
    // Half share their first characters, so comparisons reach past them.
    QString name = random.bounded(2) ? "Report_202" : "";
    const int length = random.bounded(name.isEmpty() ? 14 : 4);
    for (int j = 0; j < length; ++j) name += alphabet[random.bounded(int(alphabet.size()))];
    if (random.bounded(5) == 0) name = "/p/" + name;
    dir.AddFile(Entry(name, random.bounded(4) == 0));
  }
  dir.Sort();
  auto key = [](const TFile* file) {
    QString folded = file->RemoteShortName();
    for (QChar& c : folded)
      if (c >= u'a' && c <= u'z') c = QChar(c.unicode() - 32);
    return std::make_pair(!file->IsDirectory(), folded);
  };
  for (int i = 1; i < dir.Count(); ++i) {
    const auto previous = key(dir.Files(i - 1));
    const auto current = key(dir.Files(i));
    ASSERT_FALSE(current < previous) << i << " " << dir.Files(i - 1)->RemoteName().toStdString()
                                     << " before " << dir.Files(i)->RemoteName().toStdString();
  }
}

std::unique_ptr<TDir> Named(const QString& Name) {
  auto dir = std::make_unique<TDir>();
  dir->SetName(Name);
  return dir;
}

TEST(Directories, CachesOneDirectoryPerExactName) {
  TDirectories cache;
  EXPECT_EQ(cache.Find("/www"), nullptr);
  TDir* www = cache.Add(Named("/www"));
  TDir* upper = cache.Add(Named("/WWW"));  // differs only in case: another directory
  TDir* slash = cache.Add(Named("/www/"));
  EXPECT_NE(www, upper);
  EXPECT_NE(www, slash);
  EXPECT_EQ(cache.Count(), 3);

  // Adding a name already cached keeps the first object.
  www->AddFile(Entry("kept.txt", false));
  EXPECT_EQ(cache.Add(Named("/www")), www);
  EXPECT_EQ(cache.Count(), 3);
  EXPECT_EQ(cache.Find("/www"), www);
  EXPECT_EQ(cache.Find("/www")->Count(), 1);
  EXPECT_EQ(cache.Find("/WWW"), upper);
  EXPECT_EQ(cache.Find("/Www"), nullptr);
  EXPECT_EQ(cache.Find(""), nullptr);
}

// Pages hold the cached object, so a relisting refills it in place.
TEST(Directories, StoresAListingInTheCachedObjectOrANewOne) {
  TDirectories cache;
  const QDateTime first(QDate(2024, 3, 1), QTime(10, 0));
  const QDateTime second = first.addSecs(60);
  TDir listed;
  listed.AddFile(Entry("a.txt", false));
  TDir* www = cache.Store("/www", listed, first);
  EXPECT_EQ(cache.Find("/www"), www);
  EXPECT_EQ(www->Name(), "/www");
  EXPECT_EQ(Names(*www), QStringList{"a.txt"});
  EXPECT_EQ(www->ListedAt(), first);
  EXPECT_EQ(listed.Count(), 0);

  TDir relisted;
  relisted.AddFile(Entry("b.txt", false));
  relisted.AddFile(Entry("c.txt", false));
  EXPECT_EQ(cache.Store("/www", relisted, second), www);
  EXPECT_EQ(Names(*www), (QStringList{"b.txt", "c.txt"}));
  EXPECT_EQ(www->ListedAt(), second);
  EXPECT_EQ(Names(relisted), QStringList{"a.txt"});  // the old entries, to be freed with it
  EXPECT_EQ(cache.Count(), 1);
}

// A directory keeps each owner's name once; its entries name theirs through
// it, also after a relisting has swapped the entries of two directories.
TEST(Dir, EntriesKeepTheirOwnersThroughARelisting) {
  TDirectories cache;
  TDir listed;
  listed.AddFile(Entry("mine.txt", false), "tester");
  listed.AddFile(Entry("theirs.txt", false), "nobody");
  listed.AddFile(Entry("also-mine.txt", false), "tester");
  listed.AddFile(Entry("unknown.txt", false));
  TDir* www = cache.Store("/www", listed, QDateTime::currentDateTime());
  auto ownerOf = [&](const QString& Name) {
    const TFile* file = www->FindNamed(Name);
    return file ? www->Owner(*file) : QString("(no entry)");
  };
  EXPECT_EQ(ownerOf("mine.txt"), "tester");
  EXPECT_EQ(ownerOf("theirs.txt"), "nobody");
  EXPECT_EQ(ownerOf("also-mine.txt"), "tester");
  EXPECT_EQ(ownerOf("unknown.txt"), "");
  EXPECT_EQ(ownerOf("absent.txt"), "(no entry)");

  TDir relisted;
  relisted.AddFile(Entry("theirs.txt", false), "www-data");
  EXPECT_EQ(cache.Store("/www", relisted, QDateTime::currentDateTime()), www);
  EXPECT_EQ(ownerOf("theirs.txt"), "www-data");
  EXPECT_EQ(ownerOf("mine.txt"), "(no entry)");
  // The old entries went with their own owners' table.
  const TFile* old = relisted.FindNamed("mine.txt");
  ASSERT_NE(old, nullptr);
  EXPECT_EQ(relisted.Owner(*old), "tester");
}

// psftp shows two names alike when they differ in control characters only:
// such a name finds no entry, so nothing is decided for the wrong file.
TEST(Dir, FindNamedTakesOnlyAnEntryWhoseNameIsItsOwn) {
  TDir dir;
  dir.AddFile(Entry("a.txt", false));
  dir.AddFile(Entry("twice.txt", false));
  dir.AddFile(Entry("twice.txt", false));
  ASSERT_NE(dir.FindNamed("a.txt"), nullptr);
  EXPECT_EQ(dir.FindNamed("a.txt")->RemoteName(), "a.txt");
  EXPECT_EQ(dir.FindNamed("twice.txt"), nullptr);
  EXPECT_EQ(dir.FindNamed("A.txt"), nullptr);
}

}  // namespace
