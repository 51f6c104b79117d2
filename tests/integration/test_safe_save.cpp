// A save never leaves the server without a whole copy of the file: the real
// psftp against the loopback server, through the driver and the editing
// controller, with the server made to refuse or cut off each step of the swap.
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "DriverSessionTest.h"
#include "WaitFor.h"

namespace {

const QString kTemp = "/www/.notes.txt.quillery-*.new";
const QString kBackup = "/www/.notes.txt.quillery-*.old";

class SafeSaveTest : public DriverSessionTest {
 protected:
  FakePage* Page() { return view.Page(0); }
  void OpenNotes() {
    Connect();
    Open(Page(), "notes.txt");
    ASSERT_EQ(Page()->Caption(), "notes.txt");
    old = server.ReadFile("/www/notes.txt");
    ASSERT_FALSE(old.isEmpty());
  }
  void Save(const QByteArray& Text) {
    Page()->Text = Text;
    Page()->SetSaved(false);
    editing.Save(view.ActivePage());
    ASSERT_TRUE(WaitFor([&] { return !driver.Busy() && !editing.Asking(); }, 30000))
        << view.DebugText.toStdString();
  }
  // The files of ours in /www, by what they hold: "old", "new" or "other".
  QStringList Ours() {
    QStringList found;
    const QDir www(server.Served("/www"));
    for (const QString& name :
         www.entryList({".notes.txt.quillery-*"}, QDir::Files | QDir::Hidden)) {
      const QByteArray bytes = server.ReadFile("/www/" + name);
      found << name.right(4) + "=" + (bytes == old ? "old" : bytes == typed ? "new" : "other");
    }
    return found;
  }
  // The commands written to psftp, with our random part as R.
  QStringList Commands() const {
    QStringList commands;
    for (const QString& line : view.DebugText.split("\r\n")) {
      const QString command = line.mid(line.lastIndexOf('\n') + 1);
      if (command.startsWith("put ") || command.startsWith("chmod ") || command.startsWith("mv ") ||
          command.startsWith("rm "))
        commands << QString(command).replace(QRegularExpression("quillery-[0-9a-f]{12}"),
                                             "quillery-R");
    }
    return commands;
  }
  QByteArray old;
  QByteArray typed = "the new text\n";
};

TEST_F(SafeSaveTest, SaveWritesBesideTheFileAndSwapsItIn) {
  ASSERT_NO_FATAL_FAILURE(OpenNotes());
  Save(typed);
  EXPECT_TRUE(Page()->Saved());
  EXPECT_EQ(server.ReadFile("/www/notes.txt"), typed);
  EXPECT_TRUE(Ours().isEmpty()) << Ours().join(", ").toStdString();
  const QString local = Page()->Document().LocalPath;
  EXPECT_EQ(Commands(), (QStringList{
                            "put \"" + local + "\" \"/www/.notes.txt.quillery-R.new\"",
                            "chmod \"0644\" \"/www/.notes.txt.quillery-R.new\"",
                            "mv \"/www/notes.txt\" \"/www/.notes.txt.quillery-R.old\"",
                            "mv \"/www/.notes.txt.quillery-R.new\" \"/www/notes.txt\"",
                            "rm \"/www/.notes.txt.quillery-R.old\"",
                        }));
  EXPECT_EQ(view.Status[0], "Saved");
  EXPECT_TRUE(reported.isEmpty()) << reported.join("; ").toStdString();
}

// psftp reads the names of "mv" and "rm" as patterns: a name that is one
// must touch only itself, never the files it would match.
TEST_F(SafeSaveTest, NamesThatArePatternsTouchOnlyThemselves) {
  server.WriteFile("/www/a*[b].txt", "star\n");
  server.WriteFile("/www/aX[b].txt", "neighbour X\n");
  server.WriteFile("/www/ab.txt", "neighbour b\n");
  Connect();
  Open(Page(), "a*[b].txt");
  ASSERT_EQ(Page()->Caption(), "a*[b].txt");
  Save(typed);
  EXPECT_TRUE(Page()->Saved()) << view.DebugText.toStdString();
  EXPECT_EQ(server.ReadFile("/www/a*[b].txt"), typed);
  EXPECT_EQ(server.ReadFile("/www/aX[b].txt"), "neighbour X\n");
  EXPECT_EQ(server.ReadFile("/www/ab.txt"), "neighbour b\n");
  EXPECT_EQ(QDir(server.Served("/www")).entryList({".a*"}, QDir::Files | QDir::Hidden),
            QStringList());
}

// A hidden copy of ours that an earlier save left (its connection lost,
// say) is listed as any file, and never removed or renamed by a later save,
// whatever comes of that save: only the user knows what it holds.
class LeftoverTest : public SafeSaveTest, public ::testing::WithParamInterface<bool> {};

TEST_P(LeftoverTest, HiddenCopiesThisSaveDidNotMakeAreLeftAlone) {
  const bool refused = GetParam();
  const QString earlier = "/www/.notes.txt.quillery-0123456789ab";
  server.WriteFile(earlier + ".old", "an earlier old text\n");
  server.WriteFile(earlier + ".new", "an earlier new text\n");
  if (refused) server.FailRename("/www/notes.txt");
  ASSERT_NO_FATAL_FAILURE(OpenNotes());
  EXPECT_TRUE(Page()->Items.contains(".notes.txt.quillery-0123456789ab.old"));
  Save(typed);
  EXPECT_EQ(Page()->Saved(), !refused) << view.Status[0].toStdString();
  EXPECT_EQ(server.ReadFile("/www/notes.txt"), refused ? old : typed);
  EXPECT_EQ(server.ReadFile(earlier + ".old"), "an earlier old text\n");
  EXPECT_EQ(server.ReadFile(earlier + ".new"), "an earlier new text\n");
  EXPECT_EQ(Ours().size(), 2) << Ours().join(", ").toStdString();
  EXPECT_FALSE(Commands().join("\n").contains("0123456789ab"))
      << Commands().join("\n").toStdString();
}

INSTANTIATE_TEST_SUITE_P(Saves, LeftoverTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& Info) {
                           return std::string(Info.param ? "Refused" : "Saved");
                         });

// A local file dropped on the list goes where psftp is, under its own name.
// One that replaces a file there is swapped in as a save is; the page's own
// text has nothing to do with it.
TEST_F(SafeSaveTest, ADropThatReplacesAFileIsSwappedIn) {
  ASSERT_NO_FATAL_FAILURE(OpenNotes());
  QTemporaryDir local;
  const QString dropped = local.filePath("notes.txt");
  {
    QFile file(dropped);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("dropped\n");
  }
  view.DebugText.clear();
  editing.Drop(Page(), true, {dropped});
  ASSERT_NO_FATAL_FAILURE(WaitIdle());
  EXPECT_EQ(server.ReadFile("/www/notes.txt"), "dropped\n");
  EXPECT_EQ(Commands(), (QStringList{
                            "put \"" + dropped + "\" \"/www/.notes.txt.quillery-R.new\"",
                            "chmod \"0644\" \"/www/.notes.txt.quillery-R.new\"",
                            "mv \"/www/notes.txt\" \"/www/.notes.txt.quillery-R.old\"",
                            "mv \"/www/.notes.txt.quillery-R.new\" \"/www/notes.txt\"",
                            "rm \"/www/.notes.txt.quillery-R.old\"",
                        }));
  EXPECT_TRUE(Ours().isEmpty()) << Ours().join(", ").toStdString();
  EXPECT_EQ(view.Status[0], "Saved");
  EXPECT_TRUE(Page()->Saved());
  EXPECT_EQ(Page()->Text, old);
  EXPECT_TRUE(reported.isEmpty()) << reported.join("; ").toStdString();
}

// A refused swap of a dropped file is undone as a save's is; the page's own
// text was never part of it.
TEST_F(SafeSaveTest, ARefusedDropLeavesTheFileAsItWas) {
  server.FailRename("/www/notes.txt");
  ASSERT_NO_FATAL_FAILURE(OpenNotes());
  QTemporaryDir local;
  const QString dropped = local.filePath("notes.txt");
  {
    QFile file(dropped);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("dropped\n");
  }
  editing.Drop(Page(), true, {dropped});
  ASSERT_NO_FATAL_FAILURE(WaitIdle());
  EXPECT_EQ(server.ReadFile("/www/notes.txt"), old);
  EXPECT_TRUE(Ours().isEmpty()) << Ours().join(", ").toStdString();
  EXPECT_EQ(view.Status[0].toStdString(),
            "notes.txt was not uploaded: the server refused a rename. The file on the server is "
            "unchanged.");
  EXPECT_TRUE(view.StatusToolTip[0].startsWith("mv /www/notes.txt /www/.notes.txt.quillery-"))
      << view.StatusToolTip[0].toStdString();
  EXPECT_TRUE(Page()->Saved());
  EXPECT_FALSE(Page()->Document().LastSaveFailed);
}

TEST_F(SafeSaveTest, ADroppedNewFileIsPutAsItIs) {
  ASSERT_NO_FATAL_FAILURE(Connect());
  QTemporaryDir local;
  const QString dropped = local.filePath("fresh.txt");
  {
    QFile file(dropped);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("fresh\n");
  }
  view.DebugText.clear();
  editing.Drop(Page(), true, {dropped});
  ASSERT_NO_FATAL_FAILURE(WaitIdle());
  EXPECT_EQ(server.ReadFile("/www/fresh.txt"), "fresh\n");
  // Named in full: psftp's folder may be another page's.
  EXPECT_EQ(Commands(), QStringList{"put \"" + dropped + "\" \"/www/fresh.txt\""});
  EXPECT_TRUE(Page()->Items.contains("fresh.txt"));
  EXPECT_EQ(view.Status[0], "Saved");
}

}  // namespace

// Where each text is once the save has ended: the file's own name, and our
// hidden names by their ends (".new=new": the new copy holds the page's text).
struct TStepCase {
  const char* Name;
  QStringList Refused;  // renames that fail, by their old name
  QString CutAfter;     // the rename or removal after which the connection goes
  QString Denied;       // a path whose removal the server refuses
  QByteArray InFile;    // "old", "new", or empty when no file has the name
  QStringList Ours;
  bool Saved;
  QString Message;  // with our random part as R
};

void PrintTo(const TStepCase& Case, std::ostream* Out) { *Out << Case.Name; }

const TStepCase kStepCases[] = {
    // The server refuses a step: what was done is undone.
    {"RefusedAside",
     {"/www/notes.txt"},
     "",
     "",
     "old",
     {},
     false,
     "notes.txt was not saved: the server refused a rename. The file on the server is "
     "unchanged; your text is still here."},
    {"RefusedIn",
     {kTemp},
     "",
     "",
     "old",
     {},
     false,
     "notes.txt was not saved: the server refused a rename. The file on the server is "
     "unchanged; your text is still here."},
    {"RefusedInAndBack",
     {kTemp, kBackup},
     "",
     "",
     "",
     {".new=new", ".old=old"},
     false,
     "notes.txt was not saved: the server refused a rename, and the old text could not be put "
     "back. The old text is in .notes.txt.quillery-R.old, yours in .notes.txt.quillery-R.new "
     "on the server; your text is still here."},
    // The connection goes after the server did a step, before its answer:
    // nothing more is done, nothing is guessed.
    {"CutAfterAside",
     {},
     "/www/notes.txt",
     "",
     "",
     {".new=new", ".old=old"},
     false,
     "notes.txt may not have been saved: the connection was lost while it was being replaced. "
     "The old text is in notes.txt or .notes.txt.quillery-R.old, yours in "
     ".notes.txt.quillery-R.new on the server; your text is still here."},
    {"CutAfterIn",
     {},
     kTemp,
     "",
     "new",
     {".old=old"},
     false,
     "notes.txt may not have been saved: the connection was lost while it was being replaced. "
     "The old text is in .notes.txt.quillery-R.old, yours in notes.txt or "
     ".notes.txt.quillery-R.new on the server; your text is still here."},
    // The swap was done: the file holds the page's text, so the page is
    // saved, and the old text left beside it is named.
    {"CutAfterRemovingTheOldText",
     {},
     kBackup,
     "",
     "new",
     {},
     true,
     "notes.txt was saved, but the connection was lost before its old text in "
     ".notes.txt.quillery-R.old was removed."},
    {"RemovingTheOldTextRefused",
     {},
     "",
     kBackup,
     "new",
     {".old=old"},
     true,
     "notes.txt was saved. Its old text is left beside it in .notes.txt.quillery-R.old: the "
     "server does not let you remove files there."},
};

class SafeSaveStepTest : public SafeSaveTest, public ::testing::WithParamInterface<TStepCase> {};

TEST_P(SafeSaveStepTest, AWholeCopyKeepsAName) {
  const TStepCase& c = GetParam();
  for (const QString& glob : c.Refused) server.FailRename(glob);
  if (!c.CutAfter.isEmpty()) server.DropAfterChange(c.CutAfter);
  if (!c.Denied.isEmpty()) server.Deny(c.Denied);
  ASSERT_NO_FATAL_FAILURE(OpenNotes());
  Save(typed);

  EXPECT_EQ(Page()->Saved(), c.Saved);
  EXPECT_EQ(Page()->Text, typed);
  const QString file = server.Served("/www/notes.txt");
  if (c.InFile.isEmpty())
    EXPECT_FALSE(QFile::exists(file));
  else
    EXPECT_EQ(server.ReadFile("/www/notes.txt"), c.InFile == "old" ? old : typed);
  EXPECT_EQ(Ours(), c.Ours);
  QString shown = view.Status[0];
  shown.replace(QRegularExpression("quillery-[0-9a-f]{12}"), "quillery-R");
  EXPECT_EQ(shown.toStdString(), c.Message.toStdString());
  EXPECT_FALSE(driver.UploadPending());
  EXPECT_FALSE(driver.Saving(Page()));
  EXPECT_TRUE(reported.isEmpty()) << reported.join("; ").toStdString();
}

INSTANTIATE_TEST_SUITE_P(Steps, SafeSaveStepTest, ::testing::ValuesIn(kStepCases),
                         [](const ::testing::TestParamInfo<TStepCase>& Info) {
                           return std::string(Info.param.Name);
                         });
