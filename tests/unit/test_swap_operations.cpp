// The answers of "mv", "rm" and "chmod" as psftp 0.78 prints them against an SFTP
// server (recorded against the loopback server), read by the operations a
// save's swap is made of.
#include <gtest/gtest.h>

#include "remote/listing/Directories.h"
#include "remote/listing/ListingParser.h"
#include "remote/operations/ChmodOperation.h"
#include "remote/operations/MoveOperation.h"
#include "remote/operations/PsftpCommand.h"
#include "remote/operations/RemoveOperation.h"
#include "remote/session/SwapChoice.h"

TEST(SwapOperations, PatternArgumentsMatchOnlyThemselves) {
  struct Case {
    QByteArray path;
    QByteArray expected;
  } cases[] = {
      {"/www/a.txt", "/www/a.txt"},
      {"/www/st*r", "/www/st\\*r"},
      {"/www/[x]?.txt", "/www/\\[x\\]\\?.txt"},
      {"/www/back\\slash", "/www/back\\\\slash"},
      {"/www/caf\xc3\xa9 (1).txt", "/www/caf\xc3\xa9 (1).txt"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TPsftpCommand::LiteralPattern(c.path), c.expected) << c.path.constData();
  // Only the source of "mv" is a pattern; its destination is taken as it is.
  EXPECT_EQ(TMoveOperation(nullptr, "/www/a*b", "/www/.a*b.x", QString()).Command(),
            "mv \"/www/a\\*b\" \"/www/.a*b.x\"");
  EXPECT_EQ(TRemoveOperation(nullptr, "/www/a\"*", QString()).Command(), "rm \"/www/a\"\"\\*\"");
}

TEST(SwapOperations, MoveCountsOnlyItsOwnNamesInOneFolder) {
  struct Case {
    QStringList lines;
    bool succeeded;
    bool sourceMissing;
  } cases[] = {
      {{"/www/a.txt -> /www/.a.old"}, true, false},
      // The folder as the server resolves it, the same on both sides.
      {{"/srv/www/a.txt -> /srv/www/.a.old"}, true, false},
      {{"/srv/www/a.txt -> /www/.a.old"}, false, false},
      {{"/www/b.txt -> /www/.a.old"}, false, false},
      {{"/www/a.txt -> /www/.a.old", "/www/a.txt -> /www/.a.old"}, false, false},
      {{"mv /www/a.txt /www/.a.old: failure"}, false, false},
      {{"mv /www/a.txt /www/.a.old: permission denied"}, false, false},
      {{"mv /www/a.txt /www/.a.old: no such file or directory"}, false, true},
      {{}, false, false},
  };
  for (const Case& c : cases) {
    TMoveOperation move(nullptr, "/www/a.txt", "/www/.a.old", "/www/a.txt");
    for (const QString& line : c.lines) move.Line(line);
    EXPECT_EQ(move.Succeeded(), c.succeeded) << c.lines.join(" | ").toStdString();
    EXPECT_EQ(move.SourceMissing(), c.sourceMissing) << c.lines.join(" | ").toStdString();
    if (!c.succeeded) {
      EXPECT_FALSE(move.Error().isEmpty());
    }
  }
}

TEST(SwapOperations, RemoveCountsOnlyOkForItsOwnName) {
  struct Case {
    QStringList lines;
    bool succeeded;
  } cases[] = {
      {{"rm /www/.a.old: OK"}, true},
      {{"rm /srv/www/.a.old: OK"}, true},
      {{"rm /www/b.a.old: OK"}, false},
      {{"rm /www/.a.old: no such file or directory"}, false},
      {{"rm /www/.a.old: OK", "rm /www/.a.old: OK"}, false},
      {{"Listing directory /www", "rm /www/.a.old: OK"}, false},
      {{}, false},
  };
  for (const Case& c : cases) {
    TRemoveOperation remove(nullptr, "/www/.a.old", "/www/a.txt");
    for (const QString& line : c.lines) remove.Line(line);
    EXPECT_EQ(remove.Succeeded(), c.succeeded) << c.lines.join(" | ").toStdString();
  }
}

// psftp prints nothing when the bits were right already, and one line when
// it changed them; a refusal names the step that failed.
TEST(SwapOperations, ChmodCountsOnlyItsOwnChangeOrNone) {
  struct Case {
    QStringList lines;
    bool succeeded;
  } cases[] = {
      {{}, true},
      {{"/www/.a.new: 0644 -> 0755"}, true},
      {{"/srv/www/.a.new: 0600 -> 0755"}, true},
      {{"/www/.a.new: 0644 -> 0644"}, false},  // not the bits asked for
      {{"/www/.b.new: 0644 -> 0755"}, false},
      {{"/www/x.a.new: 0644 -> 0755"}, false},
      {{"/www/.a.new: 0644 -> 0755", "/www/.a.new: 0644 -> 0755"}, false},
      {{"/www/.a.new: 06x4 -> 0755"}, false},
      {{"get attrs for /www/.a.new: no such file or directory"}, false},
      {{"set attrs for /www/.a.new: permission denied"}, false},
  };
  for (const Case& c : cases) {
    TChmodOperation chmod(nullptr, "/www/.a.new", 0755, "/www/a");
    for (const QString& line : c.lines) chmod.Line(line);
    EXPECT_EQ(chmod.Succeeded(), c.succeeded) << c.lines.join(" | ").toStdString();
  }
  EXPECT_EQ(TChmodOperation(nullptr, "/www/[a].new", 04755, "").Command(),
            "chmod \"4755\" \"/www/\\[a\\].new\"");
  EXPECT_EQ(TChmodOperation::Octal(0600), "0600");
}

// What the cached listing shows decides between a swap and a write in
// place; anything it cannot tell keeps the file as "put" always wrote it.
TEST(SwapOperations, TheSwapIsChosenOnlyWhenItKeepsWhatTheFileIs) {
  const QStringList lines = {
      "-rwxr-xr-x    1 tester   www              6 Dec 11 05:31 script.sh",
      "-rw-r-----    1 tester   www              6 Dec 11 05:31 private.txt",
      "lrwxrwxrwx    1 tester   www              5 Dec 11 05:31 link.txt",
      "-rw-r--r--    2 tester   www              6 Dec 11 05:31 hard.txt",
      "-rw-r--r--    1 nobody   www              2 Dec 11 05:31 theirs.txt",
      "-rw-r--r--    1 1000     1000             2 Dec 11 05:31 numeric.txt",
      "drwxr-xr-x    2 tester   www           4096 Dec 11 05:31 folder",
      "-rw-r--?--    1 tester   www              2 Dec 11 05:31 odd.txt",
      "odd-server-format 2024 bare.txt",
  };
  TDir listed;
  for (const QString& line : lines) {
    TListingParser::TEntry entry;
    ASSERT_TRUE(TListingParser::ParseEntry(line, entry)) << line.toStdString();
    auto file = std::make_unique<TFile>(entry.Name);
    file->SetIsDirectory(entry.IsDirectory);
    file->SetIsLink(entry.IsLink);
    file->SetPermissions(entry.Permissions);
    file->SetLinks(entry.Links);
    listed.AddFile(std::move(file), entry.Owner);
  }
  TDirectories cached;
  cached.Store("/www", listed, QDateTime::currentDateTime());
  using TWay = TSwapChoice::TWay;
  struct Case {
    QByteArray target;
    QByteArray user;
    TWay way;
    int permissions;
    const char* why;  // a part of it
  } cases[] = {
      {"/www/script.sh", "tester", TWay::Swap, 0755, ""},
      {"/www/private.txt", "tester", TWay::Swap, 0640, ""},
      {"/www/new.txt", "tester", TWay::New, -1, ""},
      {"/www/link.txt", "tester", TWay::InPlace, -1, "symbolic link"},
      {"/www/hard.txt", "tester", TWay::InPlace, -1, "2 hard links"},
      {"/www/theirs.txt", "tester", TWay::InPlace, -1, "belongs to nobody"},
      {"/www/numeric.txt", "tester", TWay::InPlace, -1, "as the number 1000"},
      {"/www/numeric.txt", "1000", TWay::Swap, 0644, ""},
      {"/www/script.sh", "", TWay::InPlace, -1, "owner cannot be told"},
      {"/www/script.sh", "other", TWay::InPlace, -1, "belongs to tester"},
      {"/www/folder", "tester", TWay::InPlace, -1, "folder"},
      {"/www/odd.txt", "tester", TWay::InPlace, -1, "does not show its mode"},
      {"/www/bare.txt", "tester", TWay::InPlace, -1, "does not show its mode"},
      {"/elsewhere/a.txt", "tester", TWay::InPlace, -1, "has not been listed"},
      {"a.txt", "tester", TWay::InPlace, -1, "folder is not known"},
      {"/www/" + QByteArray(240, 'x'), "tester", TWay::InPlace, -1, "too long"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target.constData());
    SCOPED_TRACE(c.user.constData());
    const TSwapChoice choice = TSwapChoice::For(c.target, cached, c.user);
    EXPECT_EQ(int(choice.Way()), int(c.way)) << choice.Why().toStdString();
    if (c.way == TWay::Swap) {
      EXPECT_EQ(choice.Permissions(), c.permissions);
    }
    EXPECT_TRUE(choice.Why().contains(c.why)) << choice.Why().toStdString();
  }
}
