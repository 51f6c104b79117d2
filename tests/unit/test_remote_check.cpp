// What the check before a save reads: the time a listing line gives, when
// that time can tell a later change, psftp's "ls" of one name and its answer.
// The lines marked "psftp 0.78" were captured from psftp against the loopback
// server.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QTemporaryFile>

#include "remote/editing/RemoteFingerprint.h"
#include "remote/listing/ListingParser.h"
#include "remote/local/Sha256.h"
#include "remote/operations/StatOperation.h"

namespace {

QDateTime At(const char* Text) { return QDateTime::fromString(Text, "yyyy-MM-dd HH:mm:ss"); }

TEST(ListedTime, ReadsBothFormsOfTheLongLineAndNothingElse) {
  struct {
    const char* Month;
    const char* Day;
    const char* TimeOrYear;
    bool Valid;
  } cases[] = {
      {"Dec", "10", "00:10", true},  {"Jan", "1", "2030", true},    {"Feb", "29", "23:59", true},
      {"Dez", "10", "00:10", false},  // a server in another language
      {"dec", "10", "00:10", false}, {"Dec", "32", "00:10", false}, {"Dec", "0", "00:10", false},
      {"Dec", "10", "24:00", false}, {"Dec", "10", "12:60", false}, {"Dec", "10", "1:5", false},
      {"Dec", "10", "12:5x", false}, {"Dec", "10", "", false},      {"Dec", "100", "2020", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Month) + " " + c.Day + " " + c.TimeOrYear);
    EXPECT_EQ(TListedTime::Parse(QString(c.Month), QString(c.Day), QString(c.TimeOrYear)).IsValid(),
              c.Valid);
  }
  const TListedTime time = TListedTime::Parse(u"Dec", u"10", u"00:10");
  EXPECT_EQ(time, TListedTime::Parse(u"Dec", u"10", u"00:10"));
  EXPECT_NE(time, TListedTime::Parse(u"Dec", u"10", u"00:11"));
  EXPECT_NE(time, TListedTime::Parse(u"Dec", u"11", u"00:10"));
  EXPECT_NE(TListedTime::Parse(u"Dec", u"10", u"2020"),
            TListedTime::Parse(u"Dec", u"10", u"20:20"));

  // The parser hands the time of a real line over, and none for a line of
  // another shape.
  TListingParser::TEntry entry;
  ASSERT_TRUE(TListingParser::ParseEntry(  // psftp 0.78
      "-rw-r--r--    1 root     root           15 Jan  1  2020 axb", entry));
  EXPECT_EQ(entry.Name, "axb");
  EXPECT_EQ(entry.Size, 15);
  EXPECT_EQ(entry.Time, TListedTime::Parse(u"Jan", u"1", u"2020"));
  ASSERT_TRUE(TListingParser::ParseEntry("some other shape lf.pl", entry));
  EXPECT_FALSE(entry.Time.IsValid());
}

// Equal listing data proves the file unchanged only when a change made after
// the listing would have had to list a later time.
TEST(RemoteFingerprint, AListedTimeSettlesOnlyWhenAnyLaterChangeWouldListDifferently) {
  struct {
    const char* Name;
    const char* Time;  // month, day, time or year
    const char* ListedAt;
    bool Settles;
  } cases[] = {
      {"this minute", "Dec 10 16:05", "2026-12-10 16:05:30", false},
      {"an hour ago", "Dec 10 15:05", "2026-12-10 16:05:30", false},
      // The listing names no time zone: a day ago may be the same moment elsewhere.
      {"a day ago", "Dec  9 16:05", "2026-12-10 16:05:30", false},
      {"three days ago", "Dec  7 16:05", "2026-12-10 16:05:30", true},
      {"an old year", "Jan  1  2020", "2026-12-10 16:05:30", true},
      {"a future year", "Jan  1  2030", "2026-12-10 16:05:30", false},
      // December listed in January is last year's.
      {"last year's evening", "Dec 31 23:00", "2027-01-01 00:30:00", false},
      {"last year's December", "Dec 20 10:00", "2027-01-01 00:30:00", true},
      // A server whose clock runs ahead lists tomorrow: this year's, not last.
      {"tomorrow", "Dec 11 10:00", "2026-12-10 16:05:30", false},
      {"no time", "Dez 10 10:00", "2026-12-10 16:05:30", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const QStringList fields = QString(c.Time).split(' ', Qt::SkipEmptyParts);
    const TListedTime time = TListedTime::Parse(fields[0], fields[1], fields[2]);
    EXPECT_EQ(TRemoteFingerprint::Settles(time, At(c.ListedAt)), c.Settles);

    TRemoteFingerprint seen;
    seen.Sha256 = TFileHash::Known("x");
    seen.SetListing(15, time, false, At(c.ListedAt));
    EXPECT_EQ(seen.ListingTells(), c.Settles);
    // A link's own line tells nothing of the file it leads to.
    seen.SetListing(15, time, true, At(c.ListedAt));
    EXPECT_FALSE(seen.ListingTells());
  }
}

TEST(RemoteFingerprint, DescribesOnlyTheBytesOfItsOwnPath) {
  TRemoteFingerprint seen;
  seen.RemotePath = "/www/a.txt";
  EXPECT_FALSE(seen.Describes("/www/a.txt"));  // nothing seen yet
  QTemporaryFile file;
  ASSERT_TRUE(file.open());
  file.write("abc");
  file.close();
  seen.Sha256 = TFileHash::Known(TSha256::OfFile(file.fileName()));
  EXPECT_EQ(seen.Sha256.Digest().toHex(),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_TRUE(seen.Describes("/www/a.txt"));
  EXPECT_FALSE(seen.Describes("/www/sub/a.txt"));
  EXPECT_TRUE(TSha256::OfFile("/nonexistent/file").isEmpty());
  // A local copy that could not be read shows no bytes; one still being
  // hashed does.
  seen.Sha256 = TFileHash::Known({});
  EXPECT_FALSE(seen.Describes("/www/a.txt"));
}

// psftp 0.78 lists the part before the last "/" literally and refuses one
// with a wildcard in it; in the last part "\" takes the next byte literally,
// and one bracketed byte makes a pattern of the name.
TEST(StatOperation, TheArgumentMatchesExactlyTheOneName) {
  struct {
    QByteArray Path;
    QByteArray Argument;  // empty: psftp cannot list it alone
  } cases[] = {
      {"/www/lf.pl", "/www/[l]f.pl"},
      {"/lf.pl", "/[l]f.pl"},
      {"/www/a*b", "/www/[a]\\*b"},
      {"/www/a?b[1]", "/www/[a]\\?b\\[1\\]"},
      {"/www/x\\y", "/www/[x]\\\\y"},
      {"/www/*", "/www/[\\*]"},
      {"/www/^", "/www/[\\^]"},
      {"/www/-x", "/www/[\\-]x"},
      {"/www/]", "/www/[\\]]"},
      {"/www/a-b^c", "/www/[a]-b^c"},
      {"/www/my notes.txt", "/www/[m]y notes.txt"},
      {"/www/say \"hi\"", "/www/[s]ay \"hi\""},
      {"/www/\xc3\xa9t\xc3\xa9", "/www/[\xc3]\xa9t\xc3\xa9"},
      {"/d*ir/f.txt", ""},
      {"/d[1]/f.txt", ""},
      {"/back\\slash/f.txt", ""},
      {"relative.txt", ""},
      {"/www/", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Path.toStdString());
    EXPECT_EQ(TStatOperation::CanList(c.Path), !c.Argument.isEmpty());
    if (c.Argument.isEmpty()) continue;
    EXPECT_EQ(TStatOperation::Argument(c.Path), c.Argument);
    TRemoteCheck check;
    check.RemotePath = c.Path;
    // The quoting point doubles the quote; nothing else changes.
    QByteArray quoted = c.Argument;
    EXPECT_EQ(TStatOperation(nullptr, check).Command(),
              "ls \"" + quoted.replace("\"", "\"\"") + "\"");
  }
}

TEST(StatOperation, OnlyALineForTheAskedNameInTheAskedDirectoryCounts) {
  const QString line = "-rw-r--r--    1 root     root           17 Dec 10 16:05 ";
  struct {
    const char* Name;
    QStringList Lines;
    bool Succeeded;
    bool Missing;
    int Matches;
  } cases[] = {
      {"the one line (psftp 0.78)", {"Listing directory /www", line + "lf.pl"}, true, false, 1},
      {"no match (psftp 0.78)", {"Listing directory /www"}, true, true, 0},
      {"look-alikes",
       {"Listing directory /www", line + "lf.plx", line + "lf.pl ", line + "LF.PL",
        line + "www/lf.pl", "lf.pl"},
       true,
       true,
       0},
      {"named twice", {"Listing directory /www", line + "lf.pl", line + "lf.pl"}, true, false, 2},
      {"another directory", {"Listing directory /other", line + "lf.pl"}, false, false, 0},
      {"the directory is gone (psftp 0.78)",
       {"Listing directory /www", "Unable to open /www: no such file or directory"},
       true,
       true,
       0},
      {"the directory cannot be read",
       {"Listing directory /www", "Unable to open /www: permission denied"},
       false,
       false,
       0},
      {"a pattern psftp refused (psftp 0.78)",
       {"Multiple-level wildcards are not supported"},
       false,
       false,
       0},
      {"no answer", {}, false, false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TRemoteCheck check;
    check.RemotePath = "/www/lf.pl";
    TStatOperation stat(nullptr, check);
    for (const QString& text : c.Lines) stat.Line(text);
    EXPECT_EQ(stat.Succeeded(), c.Succeeded) << stat.Error().toStdString();
    EXPECT_EQ(stat.Missing(), c.Missing);
    EXPECT_EQ(stat.Matches(), c.Matches);
    if (c.Matches == 1) {
      EXPECT_EQ(stat.Entry().Size, 17);
      EXPECT_EQ(stat.Entry().Time, TListedTime::Parse(u"Dec", u"10", u"16:05"));
    }
  }
}

}  // namespace
