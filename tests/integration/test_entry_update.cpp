// After a save, a drop and the list's file commands, the folder's list takes
// the change of the entries touched, learnt from a listing of each one name
// or from what the command knows, and never from a listing of the whole
// folder: the real psftp against the loopback server, through the driver.
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

#include "DriverSessionTest.h"
#include "WaitFor.h"
#include "remote/listing/Dir.h"
#include "remote/listing/File.h"

namespace {

class EntryUpdateTest : public DriverSessionTest {
 protected:
  EntryUpdateTest() { HookFileCommands(); }
  FakePage* List() { return view.Page(0); }

  // Everything the list knows of each entry, in the order it shows them.
  QStringList Entries() {
    QStringList entries;
    const TDir* dir = List()->Dir();
    for (int i = 0; i < dir->Count(); ++i) {
      const TFile* file = dir->Files(i);
      const QDateTime time = file->ListedTime().Latest(dir->ListedAt(*file));
      entries << QString("%1%2 size=%3 time=%4 mode=%5 links=%6 owner=%7")
                     .arg(file->IsDirectory() ? "[dir] " : "", file->RemoteName())
                     .arg(file->Size())
                     .arg(time.toString("yyyy-MM-dd hh:mm"))
                     .arg(file->Permissions(), 0, 8)
                     .arg(file->Links())
                     .arg(dir->Owner(*file));
    }
    return entries;
  }
  // The commands written to psftp since Mark.
  QStringList CommandsSince(qsizetype Mark) const {
    QStringList commands;
    for (const QString& line : view.DebugText.mid(Mark).split("\r\n"))
      commands << line.mid(line.lastIndexOf('\n') + 1);
    commands.removeAll(QString());
    return commands;
  }
  // No command listed a whole folder or entered one.
  static bool NoFolderListed(const QStringList& Commands) {
    for (const QString& command : Commands)
      if (command == "ls" || command.startsWith("cd ")) return false;
    return true;
  }
  // The list as it stands against a listing of the whole folder made now.
  void ExpectAsListed(const QStringList& Updated) {
    ASSERT_TRUE(driver.Files().Refresh(List()).isEmpty());
    WaitIdle();
    EXPECT_EQ(Updated, Entries());
  }
};

TEST_F(EntryUpdateTest, ASaveShowsTheNewSizeAndTimeWithoutAListingOfTheFolder) {
  ASSERT_NO_FATAL_FAILURE(Connect());
  ASSERT_NO_FATAL_FAILURE(Open(List(), "notes.txt"));
  ASSERT_TRUE(List()->Select("style.css"));
  const TFile* before = List()->Dir()->FindNamed("notes.txt");
  ASSERT_TRUE(before);
  const qsizetype mark = view.DebugText.size();
  List()->Text = QByteArray(5000, 'n');
  List()->SetSaved(false);
  editing.Save(List());
  WaitIdle();
  ASSERT_TRUE(List()->Saved()) << view.DebugText.toStdString();

  const QStringList commands = CommandsSince(mark);
  EXPECT_TRUE(NoFolderListed(commands)) << commands.join(" | ").toStdString();
  EXPECT_TRUE(commands.contains("ls \"/www/[n]otes.txt\"")) << commands.join(" | ").toStdString();
  const TFile* after = List()->Dir()->FindNamed("notes.txt");
  ASSERT_TRUE(after);
  EXPECT_EQ(after->Size(), 5000);
  EXPECT_TRUE(after->ListedTime().IsValid());
  EXPECT_TRUE(List()->Items.contains("notes.txt"));
  // The page still has the entry it had selected.
  ASSERT_TRUE(List()->SelectedFile());
  EXPECT_EQ(List()->SelectedFile()->RemoteName(), "style.css");
  ExpectAsListed(Entries());
  EXPECT_TRUE(reported.isEmpty()) << reported.join("; ").toStdString();
}

// Each command, then the list against a fresh listing of the folder.
TEST_F(EntryUpdateTest, FileCommandsLeaveTheListAsAListingWouldShowIt) {
  // psftp strips the control character: both show as "twin.txt".
  server.WriteFile("/www/twin.txt", "one\n");
  server.WriteFile("/www/tw\x01in.txt", "two!\n");
  server.WriteFile("/www/[x]*.txt", "glob\n");
  ASSERT_NO_FATAL_FAILURE(Connect());
  QTemporaryDir local;
  auto drop = [&](const QString& Name, const QByteArray& Bytes) {
    const QString path = local.filePath(Name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(Bytes);
    file.close();
    editing.Drop(List(), true, {path});
    return QString();
  };
  auto entry = [&](const QString& Name) -> const TFile& { return *List()->Dir()->FindNamed(Name); };
  // Of two entries that show one name, psftp's listing of that one name
  // shows only the one whose name it is: the folder is listed then.
  struct TCase {
    const char* What;
    std::function<QString()> Command;
    bool Relists = false;
  };
  const TCase cases[] = {
      {"a new folder", [&] { return driver.Files().NewFolder(List(), "made [1]"); }},
      {"a new file", [&] { return driver.Files().NewFile(List(), "it's \"new\"?.txt"); }},
      {"a rename", [&] { return driver.Files().Rename(List(), entry("app.js"), "app*.js"); }},
      {"a rename of a pattern",
       [&] { return driver.Files().Rename(List(), entry("[x]*.txt"), "plain.txt"); }},
      {"a refused rename onto a name the list does not show yet",
       [&] {
         server.WriteFile("/www/late.txt", "late\n");
         return driver.Files().Rename(List(), entry("style.css"), "late.txt");
       }},
      {"a delete", [&] { return driver.Files().Delete(List(), {&entry("plain.txt")}); }},
      {"a delete of one of two names shown alike",
       [&] {
         const TFile* first = List()->Dir()->Files(0);
         for (int i = 0; i < List()->Dir()->Count(); ++i)
           if (List()->Dir()->Files(i)->RemoteName() == "twin.txt") first = List()->Dir()->Files(i);
         return driver.Files().Delete(List(), {first});
       },
       true},
      {"a refused delete of a folder that is not empty",
       [&] { return driver.Files().Delete(List(), {&entry("sub")}); }},
      {"a dropped new file", [&] { return drop("dropped [new].txt", "dropped\n"); }},
      {"a dropped file that replaces one", [&] { return drop("notes.txt", "longer notes\n"); }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    const qsizetype mark = view.DebugText.size();
    ASSERT_TRUE(c.Command().isEmpty());
    WaitIdle();
    const QStringList commands = CommandsSince(mark);
    EXPECT_EQ(NoFolderListed(commands), !c.Relists) << commands.join(" | ").toStdString();
    QStringList items = List()->Items;
    ExpectAsListed(Entries());
    EXPECT_EQ(items, List()->Items);
  }
  EXPECT_EQ(server.ReadFile("/www/notes.txt"), "longer notes\n");
  EXPECT_TRUE(List()->Items.contains("[made [1]]"));
  EXPECT_EQ(List()->Dir()->CountNamed("twin.txt"), 1);
  EXPECT_EQ(List()->Dir()->FindNamed("app*.js")->Size(), 27);
}

}  // namespace
