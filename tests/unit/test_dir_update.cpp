// One entry of a listed directory replaced, added or removed in its sorted
// place, as a listing of that one name showed it, without a new sort.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QRandomGenerator>
#include <QStringList>
#include <algorithm>
#include <memory>
#include <vector>

#include "remote/listing/Dir.h"

namespace {

QString Utf8(const char* Text) { return QString::fromUtf8(Text); }

// "d:NAME" is a directory, anything else a file; "NAME=SIZE" gives a size.
struct TEntryText {
  QString Name;
  bool Directory = false;
  qint64 Size = -1;
};

TEntryText Parse(const char* Text) {
  QString text = Utf8(Text);
  TEntryText entry;
  entry.Directory = text.startsWith("d:");
  if (entry.Directory) text = text.mid(2);
  const qsizetype equals = text.lastIndexOf('=');
  if (equals > 0) {
    entry.Size = text.mid(equals + 1).toLongLong();
    text = text.left(equals);
  }
  entry.Name = text;
  return entry;
}

std::unique_ptr<TFile> FileOf(const TEntryText& Text) {
  auto file = std::make_unique<TFile>(Text.Name);
  file->SetIsDirectory(Text.Directory);
  file->SetSize(Text.Size);
  return file;
}

// Each entry as "d:NAME=SIZE", in the order the directory shows them.
QStringList Shown(const TDir& Dir) {
  QStringList shown;
  for (int i = 0; i < Dir.Count(); ++i) {
    const TFile* file = Dir.Files(i);
    shown << QString("%1%2=%3")
                 .arg(file->IsDirectory() ? "d:" : "", file->RemoteName())
                 .arg(file->Size());
  }
  return shown;
}

QString Normal(const char* Entry) {
  const TEntryText entry = Parse(Entry);
  return QString("%1%2=%3").arg(entry.Directory ? "d:" : "", entry.Name).arg(entry.Size);
}

// Directories first, then the short name with ASCII letters folded.
std::pair<bool, QString> Key(const TFile* File) {
  QString folded = File->RemoteShortName();
  for (QChar& c : folded)
    if (c >= u'a' && c <= u'z') c = QChar(c.unicode() - 32);
  return std::make_pair(!File->IsDirectory(), folded);
}

bool InOrder(const TDir& Dir) {
  for (int i = 1; i < Dir.Count(); ++i)
    if (Key(Dir.Files(i)) < Key(Dir.Files(i - 1))) return false;
  return true;
}

struct TUpdateCase {
  const char* What;
  std::vector<const char*> Before;
  const char* Name;
  std::vector<const char*> Listed;
  std::vector<const char*> After;
};

TEST(DirUpdate, PutsTheListedEntriesOfOneNameInTheirSortedPlace) {
  const TUpdateCase cases[] = {
      {"a saved file takes its new size in place",
       {"d:sub=0", "a=1", "b=1", "c=1"},
       "b",
       {"b=5"},
       {"d:sub=0", "a=1", "b=5", "c=1"}},
      {"a new name between two", {"a=1", "c=1"}, "b", {"b=2"}, {"a=1", "b=2", "c=1"}},
      {"a new name first among files, after the folders",
       {"d:z=0", "m=1"},
       "a",
       {"a=2"},
       {"d:z=0", "a=2", "m=1"}},
      {"a new name last", {"a=1", "m=1"}, "zz", {"zz=2"}, {"a=1", "m=1", "zz=2"}},
      {"a new folder among the folders",
       {"d:x=0", "a=1"},
       "m",
       {"d:m=0"},
       {"d:m=0", "d:x=0", "a=1"}},
      {"a file that became a folder moves up",
       {"d:x=0", "m=1", "z=1"},
       "m",
       {"d:m=0"},
       {"d:m=0", "d:x=0", "z=1"}},
      {"a name the listing does not show goes", {"a=1", "b=1", "c=1"}, "b", {}, {"a=1", "c=1"}},
      {"the last entry goes", {"a=1"}, "a", {}, {}},
      {"a name never listed stays away", {"a=1"}, "b", {}, {"a=1"}},
      {"two entries shown alike become the one listed",
       {"a=1", "ab=1", "ab=2", "c=1"},
       "ab",
       {"ab=9"},
       {"a=1", "ab=9", "c=1"}},
      {"one entry becomes two shown alike",
       {"a=1", "c=1"},
       "ab",
       {"ab=3", "ab=4"},
       {"a=1", "ab=3", "ab=4", "c=1"}},
      {"a line of another name is no answer", {"b=1", "c=1"}, "b", {"c=7"}, {"c=1"}},
      {"glob characters and quotes are names",
       {"[a]=1", "*=1", "it's \"x\"=1"},
       "?x*",
       {"?x*=2"},
       {"*=1", "?x*=2", "[a]=1", "it's \"x\"=1"}},
      {"a name with a backslash sorts by its short name beside another",
       {"b=1", "c=1"},
       "a\\b",
       {"a\\b=2"},
       {"b=1", "a\\b=2", "c=1"}},
      {"names alike in their first eight characters",
       {"abcdefgh1=1", "abcdefgh3=1"},
       "abcdefgh2",
       {"abcdefgh2=1"},
       {"abcdefgh1=1", "abcdefgh2=1", "abcdefgh3=1"}},
      {"a non-ASCII name after ASCII",
       {"z=1", "\xc3\xa9t\xc3\xa9=1"},
       "\xc3\xa9t\xc3\xa9",
       {"\xc3\xa9t\xc3\xa9=4"},
       {"z=1", "\xc3\xa9t\xc3\xa9=4"}},
  };
  const QDateTime listedAt(QDate(2026, 1, 1), QTime(0, 0));
  const QDateTime updatedAt(QDate(2026, 1, 2), QTime(0, 0));
  for (const TUpdateCase& c : cases) {
    SCOPED_TRACE(c.What);
    TDir dir;
    for (const char* entry : c.Before) dir.AddFile(FileOf(Parse(entry)), "alice");
    dir.Sort();
    dir.SetListedAt(listedAt);
    std::vector<TDir::TListed> listed;
    for (const char* entry : c.Listed) listed.push_back({FileOf(Parse(entry)), "bob"});
    dir.Update(Utf8(c.Name), std::move(listed), updatedAt);

    QStringList after, expected;
    for (const char* entry : c.After) {
      after << Parse(entry).Name;
      expected << Normal(entry);
    }
    QStringList shown = Shown(dir);
    EXPECT_TRUE(InOrder(dir)) << shown.join(", ").toStdString();
    shown.sort();
    expected.sort();
    EXPECT_EQ(shown, expected);
    // Every entry is found by its own name, with its owner and the time its
    // line was listed at.
    for (int i = 0; i < dir.Count(); ++i) {
      const TFile* file = dir.Files(i);
      const bool updated = file->RemoteName() == Utf8(c.Name);
      EXPECT_EQ(dir.CountNamed(file->RemoteName()), int(after.count(file->RemoteName())));
      EXPECT_EQ(dir.Owner(*file), updated ? "bob" : "alice") << file->RemoteName().toStdString();
      EXPECT_EQ(dir.ListedAt(*file), updated ? updatedAt : listedAt);
      if (after.count(file->RemoteName()) == 1) {
        EXPECT_EQ(dir.FindNamed(file->RemoteName()), file);
      }
    }
    EXPECT_EQ(dir.CountNamed(Utf8(c.Name)), int(after.count(Utf8(c.Name))));
  }
}

TEST(DirUpdate, RemoveTakesEveryEntryOfTheNameAndOnlyThose) {
  TDir dir;
  for (const char* entry : {"d:a", "a", "A", "b", "b"}) dir.AddFile(FileOf(Parse(entry)));
  dir.Sort();
  EXPECT_EQ(dir.Remove("b"), 2);
  EXPECT_EQ(dir.Remove("b"), 0);
  EXPECT_EQ(dir.Remove("a"), 2);  // the folder and the file
  EXPECT_EQ(dir.Count(), 1);
  EXPECT_EQ(dir.Files(0)->RemoteName(), "A");
  EXPECT_EQ(dir.FindNamed("a"), nullptr);
  EXPECT_EQ(dir.CountNamed("b"), 0);
  // A relisting brings everything back as the server lists it.
  TDir listed;
  listed.AddFile(FileOf(Parse("b")));
  listed.Sort();
  dir.SwapEntries(listed);
  EXPECT_EQ(Shown(dir), QStringList{"b=-1"});
  EXPECT_EQ(dir.CountNamed("A"), 0);
}

// Many random updates of names that share their first characters and
// differ in case, each checked against a plain comparison of the folded
// short names, and the entries counted by name against a plain tally.
TEST(DirUpdate, ManyUpdatesKeepTheOrderAndTheCounts) {
  const QString alphabet = "aAbB_.";
  QRandomGenerator random(11);
  auto randomName = [&] {
    QString name = random.bounded(2) ? "Report_20" : "";
    const int length = 1 + random.bounded(3);
    for (int j = 0; j < length; ++j) name += alphabet[random.bounded(int(alphabet.size()))];
    return name;
  };
  TDir dir;
  std::vector<std::pair<QString, bool>> tally;  // every entry's name and kind
  for (int i = 0; i < 500; ++i) {
    const QString name = randomName();
    const bool folder = random.bounded(4) == 0;
    dir.AddFile(FileOf(TEntryText{name, folder, 0}));
    tally.push_back({name, folder});
  }
  dir.Sort();
  for (int round = 0; round < 400; ++round) {
    const QString name = randomName();
    std::vector<TDir::TListed> listed;
    const int count = random.bounded(10) < 3 ? 0 : random.bounded(10) < 8 ? 1 : 2;
    tally.erase(std::remove_if(tally.begin(), tally.end(),
                               [&](const auto& each) { return each.first == name; }),
                tally.end());
    for (int i = 0; i < count; ++i) {
      const bool folder = random.bounded(4) == 0;
      listed.push_back({FileOf(TEntryText{name, folder, round}), QString()});
      tally.push_back({name, folder});
    }
    dir.Update(name, std::move(listed), QDateTime::currentDateTime());
    ASSERT_EQ(dir.Count(), int(tally.size())) << round;
    ASSERT_TRUE(InOrder(dir)) << round;
    const auto expected = std::count_if(tally.begin(), tally.end(),
                                        [&](const auto& each) { return each.first == name; });
    ASSERT_EQ(dir.CountNamed(name), int(expected)) << round;
  }
}

}  // namespace
