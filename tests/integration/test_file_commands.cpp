// The list's file commands with the real psftp against the loopback server:
// what reaches the server, what is refused before anything is sent, and how
// open pages follow their files.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "DriverSessionTest.h"
#include "WaitFor.h"
#include "remote/listing/Dir.h"
#include "remote/listing/File.h"

namespace {

class FileCommandsTest : public DriverSessionTest {
 protected:
  FileCommandsTest() { HookFileCommands(); }
  FakePage* List() { return view.Page(0); }
  TFileCommands& Files() { return driver.Files(); }
  const TFile& Entry(const QString& Name) {
    const TFile* file = List()->Dir()->FindNamed(Name);
    EXPECT_TRUE(file) << Name.toStdString();
    return *file;
  }
  // Runs Command, which must send something, and waits for its answers.
  void Run(const std::function<QString()>& Command) {
    const QString refusal = Command();
    ASSERT_TRUE(refusal.isEmpty()) << refusal.toStdString();
    WaitIdle();
  }
  // Command is refused with Refusal and writes nothing to psftp.
  void ExpectRefused(const std::function<QString()>& Command, const QString& Refusal) {
    const QString before = view.DebugText;
    EXPECT_EQ(Command(), Refusal);
    WaitIdle();
    EXPECT_EQ(view.DebugText, before);
  }
  bool OnServer(const QString& Path) { return QFileInfo::exists(server.Served(Path)); }
};

TEST_F(FileCommandsTest, NewFolderAndNewFileAppearInTheListAndTheFileOpensEmpty) {
  ASSERT_NO_FATAL_FAILURE(Connect());
  Run([&] { return Files().NewFolder(List(), "new folder"); });
  EXPECT_TRUE(QFileInfo(server.Served("/www/new folder")).isDir());
  EXPECT_TRUE(List()->Items.contains("[new folder]")) << List()->Items.join(", ").toStdString();
  EXPECT_EQ(view.Status[0], "Created new folder");

  Run([&] { return Files().NewFile(List(), "fresh's \"page\".html"); });
  EXPECT_EQ(server.ReadFile("/www/fresh's \"page\".html"), QByteArray());
  EXPECT_TRUE(List()->Items.contains("fresh's \"page\".html"));
  ASSERT_EQ(view.PageCount(), 2);
  FakePage* fresh = view.Page(1);
  EXPECT_EQ(fresh->Document().RemotePath, "/www/fresh's \"page\".html");
  EXPECT_TRUE(fresh->Saved());
  EXPECT_TRUE(fresh->Document().OnServer);
  EXPECT_EQ(fresh->Text, QByteArray());
  EXPECT_EQ(fresh->Dir(), List()->Dir());
  EXPECT_TRUE(reported.isEmpty()) << reported.join("; ").toStdString();
}

// Every command that names an entry the list already shows, or a name no
// folder can hold, is refused before psftp hears of it.
TEST_F(FileCommandsTest, NamesThatCannotBeUsedAreRefusedBeforeAnythingIsSent) {
  ASSERT_NO_FATAL_FAILURE(Connect());
  ExpectRefused([&] { return Files().NewFolder(List(), "sub"); }, "sub already exists.");
  ExpectRefused([&] { return Files().NewFile(List(), "notes.txt"); }, "notes.txt already exists.");
  ExpectRefused([&] { return Files().Rename(List(), Entry("app.js"), "index.html"); },
                "index.html already exists.");
  ExpectRefused([&] { return Files().NewFile(List(), "a/b"); }, "A name cannot contain \"/\".");
  ExpectRefused([&] { return Files().NewFolder(List(), "bad\nname"); },
                "A name cannot contain control characters.");
  ExpectRefused([&] { return Files().NewFolder(List(), ".."); },
                "\"..\" cannot be used as a name.");
  EXPECT_EQ(server.ReadFile("/www/index.html").left(6), "<html>");
}

// The list was read before the file appeared: "put" would empty it, so the
// name is looked up first and the file is left as it is.
TEST_F(FileCommandsTest, NewFileNeverEmptiesAFileThatAppearedAfterTheListing) {
  ASSERT_NO_FATAL_FAILURE(Connect());
  server.WriteFile("/www/late.txt", "someone else's\n");
  Run([&] { return Files().NewFile(List(), "late.txt"); });
  EXPECT_EQ(server.ReadFile("/www/late.txt"), "someone else's\n");
  EXPECT_EQ(view.Status[0], "late.txt already exists.");
  EXPECT_EQ(view.PageCount(), 1);
}

// psftp reads the first name of "mv" as a pattern; one that is a pattern
// must move that file alone, and the open page saves to the new name.
TEST_F(FileCommandsTest, RenameMovesExactlyThatFileAndItsPageFollows) {
  server.WriteFile("/www/st*r.txt", "starred\n");
  ASSERT_NO_FATAL_FAILURE(Connect());
  Open(List(), "st*r.txt");
  ASSERT_EQ(List()->Caption(), "st*r.txt");
  Run([&] { return Files().Rename(List(), Entry("st*r.txt"), "star.txt"); });
  EXPECT_FALSE(OnServer("/www/st*r.txt"));
  EXPECT_EQ(server.ReadFile("/www/star.txt"), "starred\n");
  EXPECT_TRUE(OnServer("/www/style.css"));
  EXPECT_EQ(List()->Document().RemotePath, "/www/star.txt");
  EXPECT_EQ(List()->Caption(), "star.txt");
  EXPECT_TRUE(List()->Items.contains("star.txt"));

  List()->Text = "saved under the new name\n";
  List()->SetSaved(false);
  editing.Save(List());
  WaitIdle();
  EXPECT_TRUE(List()->Saved());
  EXPECT_EQ(server.ReadFile("/www/star.txt"), "saved under the new name\n");
  EXPECT_FALSE(OnServer("/www/st*r.txt"));
  EXPECT_TRUE(prompts.Choices.isEmpty()) << prompts.Choices.join("; ").toStdString();
}

TEST_F(FileCommandsTest, RenamedFolderMovesThePagesOpenBelowIt) {
  ASSERT_NO_FATAL_FAILURE(Connect());
  FakePage* inner = view.AddPage();
  inner->SetDir(List()->Dir());
  Open(inner, "[sub]");
  Open(inner, "inner.txt");
  ASSERT_EQ(inner->Document().RemotePath, "/www/sub/inner.txt");
  Run([&] { return Files().Rename(List(), Entry("sub"), "moved"); });
  EXPECT_EQ(server.ReadFile("/www/moved/inner.txt"), "inside\n");
  EXPECT_EQ(inner->Document().RemotePath, "/www/moved/inner.txt");
  ASSERT_TRUE(inner->Dir());
  EXPECT_EQ(inner->Dir()->Name(), "/www/moved") << view.DebugText.toStdString();
  EXPECT_TRUE(List()->Items.contains("[moved]"));
}

// A deleted file's page keeps its text, and its next save asks first.
TEST_F(FileCommandsTest, DeletedFileKeepsItsPageAndTheSaveAsksBeforePuttingItBack) {
  ASSERT_NO_FATAL_FAILURE(Connect());
  Open(List(), "notes.txt");
  Run([&] { return Files().Delete(List(), {&Entry("notes.txt")}); });
  EXPECT_FALSE(OnServer("/www/notes.txt"));
  EXPECT_FALSE(List()->Items.contains("notes.txt"));
  EXPECT_EQ(List()->Text, "first line\nsecond line\n");
  EXPECT_EQ(view.Status[0], "Deleted notes.txt");

  List()->Type("more\n");
  List()->SetSaved(false);
  prompts.ChoiceAnswers = {"No"};
  EXPECT_FALSE(editing.Save(List()));
  WaitIdle();
  EXPECT_FALSE(OnServer("/www/notes.txt"));
  prompts.ChoiceAnswers = {"Yes"};
  editing.Save(List());
  WaitIdle();
  EXPECT_EQ(prompts.Choices, QStringList({"notes.txt is no longer on the server. Save it there "
                                          "again?",
                                          "notes.txt is no longer on the server. Save it there "
                                          "again?"}));
  EXPECT_EQ(server.ReadFile("/www/notes.txt"), "first line\nsecond line\nmore\n");
  EXPECT_TRUE(List()->Saved());
}

// A folder is removed only when empty: known to hold something, nothing is
// sent; not yet listed, the server's refusal says the same.
TEST_F(FileCommandsTest, FoldersAreDeletedOnlyWhenEmpty) {
  QDir().mkpath(server.Served("/www/empty"));
  ASSERT_NO_FATAL_FAILURE(Connect());
  Run([&] { return Files().Delete(List(), {&Entry("sub")}); });
  EXPECT_EQ(view.Status[0], "sub is not empty.");
  EXPECT_EQ(server.ReadFile("/www/sub/inner.txt"), "inside\n");

  FakePage* other = view.AddPage();
  other->SetDir(List()->Dir());
  Open(other, "[sub]");
  ExpectRefused([&] { return Files().Delete(List(), {&Entry("sub")}); }, "sub is not empty.");

  Run([&] { return Files().Delete(List(), {&Entry("empty")}); });
  EXPECT_FALSE(OnServer("/www/empty"));
  EXPECT_FALSE(List()->Items.contains("[empty]"));
}

TEST_F(FileCommandsTest, RefreshShowsNewFilesAndGoToFolderTakesEveryForm) {
  ASSERT_NO_FATAL_FAILURE(Connect());
  server.WriteFile("/www/appeared.txt", "new\n");
  EXPECT_FALSE(List()->Items.contains("appeared.txt"));
  Run([&] { return Files().Refresh(List()); });
  EXPECT_TRUE(List()->Items.contains("appeared.txt"));

  const struct {
    QString Typed;
    QString Folder;
  } cases[] = {
      {"sub", "/www/sub"},
      {"..", "/www"},
      {"/www/sub/", "/www/sub"},
      {"~", "/"},
  };
  for (const auto& c : cases) {
    Run([&] { return Files().GoToFolder(List(), c.Typed); });
    ASSERT_TRUE(List()->Dir());
    EXPECT_EQ(List()->Dir()->Name(), c.Folder) << c.Typed.toStdString();
  }
  EXPECT_EQ(Files().GoToFolder(List(), "  "), "Type a folder.");
  Run([&] { return Files().GoToFolder(List(), "/no/such/folder"); });
  EXPECT_EQ(List()->Dir()->Name(), "/");
  EXPECT_TRUE(view.Status[0].contains("folder")) << view.Status[0].toStdString();
}

TEST_F(FileCommandsTest, DownloadACopyReplacesTheLocalFileOnlyWhenWhole) {
  ASSERT_NO_FATAL_FAILURE(Connect());
  QTemporaryDir local;
  const QString target = local.filePath("copy of notes.txt");
  Run([&] { return Files().DownloadCopy(List(), Entry("notes.txt"), target); });
  QFile copy(target);
  ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
  EXPECT_EQ(copy.readAll(), "first line\nsecond line\n");
  EXPECT_EQ(view.PageCount(), 1);
  EXPECT_EQ(List()->Caption(), "Untitled");
}

// psftp's folder is the last one any page entered; a file dropped on a list
// goes to the folder that list shows, and that list shows it.
TEST_F(FileCommandsTest, UploadGoesToTheFolderOfTheListItWasDroppedOn) {
  ASSERT_NO_FATAL_FAILURE(Connect());
  FakePage* other = view.AddPage();
  other->SetDir(List()->Dir());
  Open(other, "[sub]");
  ASSERT_EQ(driver.CurrentDir(), "/www/sub");
  QTemporaryDir local;
  const QString dropped = local.filePath("dropped.txt");
  QFile file(dropped);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("dropped\n");
  file.close();
  MakeActive(List());
  editing.Drop(List(), true, {dropped});
  WaitIdle();
  EXPECT_EQ(server.ReadFile("/www/dropped.txt"), "dropped\n");
  EXPECT_FALSE(OnServer("/www/sub/dropped.txt"));
  EXPECT_TRUE(List()->Items.contains("dropped.txt"));
}

TEST(FileCommandPaths, ResolveFollowAndCheckName) {
  const struct {
    QString Current, Typed, Expected;
  } resolved[] = {
      {"/www", "sub", "/www/sub"},    {"/www", "/etc/", "/etc"},     {"/www", "..", "/"},
      {"/www", "~", "/home/u"},       {"/www", "~/x", "/home/u/x"},  {"/", "../..", "/"},
      {"/www", "./a/../b", "/www/b"}, {"/www", " sub ", "/www/sub"},
  };
  for (const auto& c : resolved)
    EXPECT_EQ(TFileCommands::Resolve(c.Current, "/home/u", c.Typed), c.Expected)
        << c.Typed.toStdString();

  EXPECT_EQ(TFileCommands::Follow("/a/b", "/a/b", "/a/c"), "/a/c");
  EXPECT_EQ(TFileCommands::Follow("/a/b/x.txt", "/a/b", "/a/c"), "/a/c/x.txt");
  EXPECT_EQ(TFileCommands::Follow("/a/bb/x.txt", "/a/b", "/a/c"), "");
  EXPECT_EQ(TFileCommands::Follow("/a", "/a/b", "/a/c"), "");

  for (const QString& good : QStringList{"a.txt", ".htaccess", "name with blanks", "ünï*?[].txt"})
    EXPECT_EQ(TFileCommands::CheckName(good), "") << good.toStdString();
  for (const QString& bad :
       QStringList{"", " ", ".", "..", "a/b", "a\rb", QString("a") + QChar(0x7f)})
    EXPECT_NE(TFileCommands::CheckName(bad), "") << bad.toStdString();
}

}  // namespace
