// The answers of "mv" and "rm" as psftp 0.78 prints them against an SFTP
// server (recorded against the loopback server), read by the operations a
// save's swap is made of.
#include <gtest/gtest.h>

#include "remote/operations/MoveOperation.h"
#include "remote/operations/PsftpCommand.h"
#include "remote/operations/RemoveOperation.h"

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
