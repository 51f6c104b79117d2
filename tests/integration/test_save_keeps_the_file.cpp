// A save keeps what the file is: its mode, a symbolic link, its hard links
// and its owner. The real psftp against the loopback server, over links,
// owners and modes the test makes real in the served folder; the served
// file is looked at directly (lstat) afterwards.
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <functional>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "DriverSessionTest.h"
#include "WaitFor.h"

namespace {

const QByteArray kTyped = "the new text\n";

class KeepTheFileTest : public DriverSessionTest {
 protected:
  FakePage* Page() { return view.Page(0); }
  void Save() {
    Page()->Text = kTyped;
    Page()->SetSaved(false);
    editing.Save(view.ActivePage());
    ASSERT_TRUE(WaitFor([&] { return !driver.Busy() && !editing.Asking(); }, 30000))
        << view.DebugText.toStdString();
  }
  // The verbs and remote names of the commands that write, our random part as R.
  QStringList Writes() const {
    QStringList commands;
    for (const QString& line : view.DebugText.split("\r\n")) {
      QString command = line.mid(line.lastIndexOf('\n') + 1);
      command.replace(QRegularExpression("quillery-[0-9a-f]{12}"), "quillery-R");
      const QString verb = command.section(' ', 0, 0);
      if (verb == "put") command = "put " + command.section(' ', 2);  // the local copy varies
      if (verb == "put" || verb == "chmod" || verb == "mv" || verb == "rm") commands << command;
    }
    return commands;
  }
  struct stat Lstat(const QString& RemotePath) const {
    struct stat info {};
    EXPECT_EQ(lstat(QFile::encodeName(server.Served(RemotePath)).constData(), &info), 0)
        << RemotePath.toStdString();
    return info;
  }
  void Chmod(const QString& RemotePath, mode_t Mode) const {
    ASSERT_EQ(chmod(QFile::encodeName(server.Served(RemotePath)).constData(), Mode), 0);
  }
  QStringList Leftovers() const {
    return QDir(server.Served("/www")).entryList({".*quillery-*"}, QDir::Files | QDir::Hidden);
  }
};

// The temporary copy takes the file's bits before it takes the name, also
// when the local copy it was made from has others.
TEST_F(KeepTheFileTest, ASwappedFileKeepsItsMode) {
  const mode_t modes[] = {0755, 0600, 04754};
  server.WriteFile("/www/a.sh", "#!/bin/sh\n");
  server.WriteFile("/www/b.sh", "#!/bin/sh\n");
  server.WriteFile("/www/c.sh", "#!/bin/sh\n");
  Chmod("/www/a.sh", modes[0]);
  Chmod("/www/b.sh", modes[1]);
  Chmod("/www/c.sh", modes[2]);
  ASSERT_NO_FATAL_FAILURE(Connect());
  const char* const names[] = {"a.sh", "b.sh", "c.sh"};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(names[i]);
    const QString path = QString("/www/") + names[i];
    const ino_t before = Lstat(path).st_ino;
    view.DebugText.clear();
    ASSERT_NO_FATAL_FAILURE(Open(Page(), names[i]));
    ASSERT_TRUE(QFile::setPermissions(Page()->Document().LocalPath,
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    Save();
    EXPECT_TRUE(Page()->Saved()) << view.Status[0].toStdString();
    EXPECT_EQ(server.ReadFile(path), kTyped);
    EXPECT_EQ(Lstat(path).st_mode & 07777, modes[i]);
    EXPECT_NE(Lstat(path).st_ino, before);  // a new file took the name
    EXPECT_TRUE(Writes().contains(QString("chmod \"%1\" \"/www/.%2.quillery-R.new\"")
                                      .arg(modes[i], 4, 8, QChar('0'))
                                      .arg(names[i])))
        << Writes().join("\n").toStdString();
  }
  EXPECT_EQ(Leftovers(), QStringList());
  EXPECT_TRUE(reported.isEmpty()) << reported.join("; ").toStdString();
}

// A copy that cannot have the file's bits would change what the file is: it
// goes, and the file keeps its text and its mode. psftp's "put" gives a new
// file the local copy's bits, and its "get" gave those the file's; a local
// copy whose bits differ makes the "chmod" ask the server.
TEST_F(KeepTheFileTest, ACopyRefusedTheFilesModeIsNotSwappedIn) {
  server.FailChmod("/www/.run.sh.quillery-*");
  server.WriteFile("/www/run.sh", "old\n");
  Chmod("/www/run.sh", 0755);
  ASSERT_NO_FATAL_FAILURE(Connect());
  ASSERT_NO_FATAL_FAILURE(Open(Page(), "run.sh"));
  ASSERT_TRUE(
      QFile::setPermissions(Page()->Document().LocalPath, QFile::ReadOwner | QFile::WriteOwner));
  Save();
  EXPECT_FALSE(Page()->Saved()) << view.DebugText.toStdString();
  EXPECT_EQ(Page()->Text, kTyped);
  EXPECT_EQ(server.ReadFile("/www/run.sh"), "old\n");
  EXPECT_EQ(Lstat("/www/run.sh").st_mode & 07777, 0755u);
  EXPECT_EQ(Leftovers(), QStringList());
  EXPECT_EQ(view.Status[0].toStdString(),
            "run.sh was not saved: the server would not give the new copy the file's "
            "permissions (permission denied). The file on the server is unchanged; your text "
            "is still here.");
  EXPECT_TRUE(view.StatusToolTip[0].startsWith("set attrs for /www/.run.sh.quillery-"))
      << view.StatusToolTip[0].toStdString();
  EXPECT_TRUE(reported.isEmpty()) << reported.join("; ").toStdString();
}

// A write in place that breaks off may cut the file short, and the message
// says so: the old words, kept for the one path where they are true.
TEST_F(KeepTheFileTest, AWriteInPlaceThatBreaksOffSaysTheFileMayBeCut) {
  server.WriteFile("/www/real.txt", "old text\n");
  ASSERT_EQ(symlink("real.txt", QFile::encodeName(server.Served("/www/link.txt"))), 0);
  // The server may know the path by the link or by its target.
  server.FailWriteAfter("/www/link.txt", 4);
  server.FailWriteAfter("/www/real.txt", 4);
  ASSERT_NO_FATAL_FAILURE(Connect());
  ASSERT_NO_FATAL_FAILURE(Open(Page(), "link.txt"));
  Save();
  EXPECT_FALSE(Page()->Saved());
  EXPECT_TRUE(Page()->Document().LastSaveCut);
  EXPECT_EQ(server.ReadFile("/www/real.txt"), kTyped.left(4));
  EXPECT_EQ(view.Status[0].toStdString(),
            "link.txt was not saved: the server could not store all of it (its disk may be "
            "full). The file on the server may be incomplete; your text is still here.");
  EXPECT_EQ(view.StatusToolTip[0], "error while writing: failure");
  EXPECT_TRUE(view.DebugText.contains("Refused: error while writing: failure"));
  EXPECT_TRUE(S_ISLNK(Lstat("/www/link.txt").st_mode));
}

}  // namespace

// A file that a swap would change is written in place, as "put" always did:
// the same inode, mode and owner afterwards, and no hidden name used.
struct TInPlaceCase {
  const char* Name;
  const char* File;  // in /www, as listed
  std::function<void(TestServer&)> Make;
  const char* Why;  // in the debug log
  QStringList Writes;
  // The text is also seen through this other name (empty for none).
  const char* AlsoAt;
};

void PrintTo(const TInPlaceCase& Case, std::ostream* Out) { *Out << Case.Name; }

namespace {
void Chown(const TestServer& Server, const QString& RemotePath, uid_t Uid) {
  ASSERT_EQ(chown(QFile::encodeName(Server.Served(RemotePath)).constData(), Uid, gid_t(-1)), 0);
}
const uid_t kNobody = 65534;
const uid_t kNameless = 54321;
}  // namespace

const TInPlaceCase kInPlaceCases[] = {
    {"SymbolicLink",
     "link.txt",
     [](TestServer& Server) {
       Server.WriteFile("/www/real.txt", "old\n");
       ASSERT_EQ(symlink("real.txt", QFile::encodeName(Server.Served("/www/link.txt"))), 0);
     },
     "/www/link.txt is written in place: it is a symbolic link",
     {"put \"/www/link.txt\""},
     "/www/real.txt"},
    {"HardLink",
     "hard.txt",
     [](TestServer& Server) {
       Server.WriteFile("/www/hard.txt", "old\n");
       ASSERT_EQ(link(QFile::encodeName(Server.Served("/www/hard.txt")),
                      QFile::encodeName(Server.Served("/www/same.txt"))),
                 0);
     },
     "/www/hard.txt is written in place: it has 2 hard links",
     {"put \"/www/hard.txt\""},
     "/www/same.txt"},
    {"AnotherOwner",
     "theirs.txt",
     [](TestServer& Server) {
       Server.WriteFile("/www/theirs.txt", "old\n");
       Chown(Server, "/www/theirs.txt", kNobody);
     },
     "/www/theirs.txt is written in place: it belongs to ",
     {"put \"/www/theirs.txt\""},
     ""},
    {"NamelessOwner",
     "nameless.txt",
     [](TestServer& Server) {
       Server.WriteFile("/www/nameless.txt", "old\n");
       Chown(Server, "/www/nameless.txt", kNameless);
     },
     "/www/nameless.txt is written in place: the listing shows its owner as the number 54321",
     {"put \"/www/nameless.txt\""},
     ""},
    // The folder takes no new file, but the file itself may be written.
    {"FolderRefusesTheCopy",
     "notes.txt",
     [](TestServer& Server) { Server.Deny("/www/.notes.txt.quillery-*"); },
     "The folder does not take .notes.txt.quillery-",
     {"put \"/www/.notes.txt.quillery-R.new\"", "put \"/www/notes.txt\""},
     ""},
};

class InPlaceTest : public KeepTheFileTest, public ::testing::WithParamInterface<TInPlaceCase> {};

TEST_P(InPlaceTest, TheFileStaysWhatItWas) {
  const TInPlaceCase& c = GetParam();
  if (geteuid() != 0 && QByteArray(c.Name).endsWith("Owner"))
    GTEST_SKIP() << "another owner needs root to make";
  if (QByteArray(c.Name) == "NamelessOwner" && getpwuid(kNameless))
    GTEST_SKIP() << "uid 54321 has a name here";
  ASSERT_NO_FATAL_FAILURE(c.Make(server));
  const QString path = QString("/www/") + c.File;
  ASSERT_NO_FATAL_FAILURE(Connect());
  const struct stat before = Lstat(path);
  ASSERT_NO_FATAL_FAILURE(Open(Page(), c.File));
  ASSERT_EQ(Page()->Caption(), c.File);
  view.DebugText.clear();
  Save();

  EXPECT_TRUE(Page()->Saved()) << view.Status[0].toStdString();
  EXPECT_EQ(view.Status[0], "Saved");
  EXPECT_TRUE(view.DebugText.contains(c.Why)) << view.DebugText.toStdString();
  EXPECT_EQ(Writes(), c.Writes);
  const struct stat after = Lstat(path);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_mode, before.st_mode);
  EXPECT_EQ(after.st_uid, before.st_uid);
  EXPECT_EQ(after.st_nlink, before.st_nlink);
  EXPECT_EQ(server.ReadFile(path), kTyped);
  if (*c.AlsoAt) {
    EXPECT_EQ(server.ReadFile(c.AlsoAt), kTyped);
  }
  EXPECT_EQ(Leftovers(), QStringList());
  EXPECT_TRUE(reported.isEmpty()) << reported.join("; ").toStdString();
}

INSTANTIATE_TEST_SUITE_P(Fallbacks, InPlaceTest, ::testing::ValuesIn(kInPlaceCases),
                         [](const ::testing::TestParamInfo<TInPlaceCase>& Info) {
                           return std::string(Info.param.Name);
                         });
