// Work that overlaps: two pages whose files share a name, typing while a
// transfer runs, a second save while the first uploads. The loopback server
// holds a transfer part way until the test releases it, so each overlap
// happens on purpose; every case checks the server's bytes and the page.
#include <QDir>
#include <QFile>
#include <QTest>
#include <gtest/gtest.h>

#include "DriverSessionTest.h"
#include "WaitFor.h"
#include "remote/listing/Dir.h"

namespace {

QByteArray Lines(int Count, const QByteArray& Tag) {
  QByteArray text;
  for (int i = 0; i < Count; ++i) text += Tag + " line " + QByteArray::number(i) + "\n";
  return text;
}

class OverlapTest : public DriverSessionTest {
 protected:
  // What the window does when the user types: a new text, unsaved.
  static void Edit(FakePage* Page, const QByteArray& Typed) {
    Page->Type(Typed);
    Page->SetSaved(false);
  }
  // Connects to Server, a server of the case's own, and opens notes.txt
  // into the first page; psftp of an earlier case is ended first.
  FakePage* ConnectAndOpenNotes(TestServer& Server) {
    if (redirector.Running()) {
      redirector.Kill();
      EXPECT_TRUE(WaitFor([&] { return !redirector.Running(); }));
    }
    EXPECT_TRUE(Server.Start());
    view.Values.Port = Server.Port();
    view.HostKeyRequests.clear();
    view.Page(0)->Items.clear();
    view.ConnectAction(driver);
    EXPECT_TRUE(WaitFor([&] { return !view.HostKeyRequests.empty(); }));
    driver.AnswerHostKey(THostKeyAnswer::Once);
    EXPECT_TRUE(
        WaitFor([&] { return view.Page(0)->Items.contains("notes.txt") && !driver.Busy(); }));
    FakePage* page = view.Page(0);
    Open(page, "notes.txt");
    return page;
  }
  // Opens big.txt into Page and returns once the server holds its download
  // part way.
  void StartHeldDownload(FakePage* Page) {
    server.WriteFile("/www/big.txt", Lines(5000, "big"));
    server.HoldReadAfter("/www/big.txt", 1000);
    Connect();
    ASSERT_TRUE(Page->Select("big.txt"));
    editing.OpenSelected(Page);
    ASSERT_TRUE(server.WaitUntilHeld());
  }
  // A second page showing the folder the first page showed at the start.
  FakePage* PageBeside(TDir* Dir) {
    FakePage* page = view.AddPage();
    page->SetDir(Dir);
    return page;
  }
};

// Both files are called config.txt; each page must send its own bytes to its
// own file, whatever the order of the saves and their answers.
TEST_F(OverlapTest, PagesWhoseFilesShareANameSaveTheirOwnText) {
  server.WriteFile("/www/a/config.txt", Lines(20000, "a"));
  server.WriteFile("/www/b/config.txt", "b\n");
  Connect();
  FakePage* a = view.Page(0);
  FakePage* b = PageBeside(a->Dir());
  Open(a, "[a]");
  Open(a, "config.txt");
  Open(b, "[b]");
  Open(b, "config.txt");
  ASSERT_NE(a->Document().LocalPath, b->Document().LocalPath);

  const struct {
    const char* name;
    bool aFirst;
    bool waitBetween;
  } cases[] = {{"A, answered, then B", true, true},
               {"B, answered, then A", false, true},
               {"A then B at once", true, false},
               {"B then A at once", false, false}};
  int round = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QByteArray tag = "-" + QByteArray::number(++round);
    Edit(a, "EDIT-A" + tag);
    Edit(b, "EDIT-B" + tag);
    FakePage* first = c.aFirst ? a : b;
    FakePage* second = c.aFirst ? b : a;
    editing.Save(first);
    if (c.waitBetween) WaitIdle();
    editing.Save(second);
    WaitIdle();
    EXPECT_EQ(server.ReadFile("/www/a/config.txt"), a->Text);
    EXPECT_EQ(server.ReadFile("/www/b/config.txt"), b->Text);
    EXPECT_TRUE(a->Saved());
    EXPECT_TRUE(b->Saved());
  }
  EXPECT_TRUE(prompts.Choices.isEmpty()) << prompts.Choices.join("; ").toStdString();
  EXPECT_TRUE(reported.isEmpty()) << reported.join("; ").toStdString();
}

// Text typed while the upload runs is not on the server, so the page stays
// unsaved; the next save is checked against the bytes that did go, and asks
// nothing, whether it is asked for during the upload or after it.
TEST_F(OverlapTest, TypingDuringAnUploadKeepsThePageUnsaved) {
  for (const bool saveAgainDuring : {false, true}) {
    SCOPED_TRACE(saveAgainDuring ? "saved again during the upload" : "saved again after it");
    TestServer held;
    held.HoldWriteAfter("/www/.notes.txt.quillery-*", 0);
    FakePage* page = ConnectAndOpenNotes(held);
    Edit(page, "SENT\n");
    const QByteArray sent = page->Text;
    editing.Save(page);
    ASSERT_TRUE(held.WaitUntilHeld()) << view.DebugText.toStdString();
    Edit(page, "TYPED-DURING-UPLOAD\n");
    if (saveAgainDuring) editing.Save(page);
    held.ReleaseHeld();
    WaitIdle();
    if (!saveAgainDuring) {
      EXPECT_EQ(held.ReadFile("/www/notes.txt"), sent);
      EXPECT_FALSE(page->Saved());
      editing.Save(page);
      WaitIdle();
    }
    EXPECT_EQ(held.ReadFile("/www/notes.txt"), page->Text);
    EXPECT_TRUE(page->Saved());
    EXPECT_TRUE(prompts.Choices.isEmpty()) << prompts.Choices.join("; ").toStdString();
  }
  EXPECT_TRUE(reported.isEmpty()) << reported.join("; ").toStdString();
}

// Disconnecting ends psftp, which would cut an upload off: the user is asked,
// and waits for the upload or stops it knowingly.
TEST_F(OverlapTest, DisconnectDuringAnUploadAsksToWaitOrStop) {
  for (const QString answer : {"Wait", "Stop the save"}) {
    SCOPED_TRACE(answer.toStdString());
    TestServer held;
    held.HoldWriteAfter("/www/.notes.txt.quillery-*", 0);
    FakePage* page = ConnectAndOpenNotes(held);
    Edit(page, Lines(2000, "mine"));
    editing.Save(page);
    ASSERT_TRUE(held.WaitUntilHeld()) << view.DebugText.toStdString();
    prompts.Choices.clear();
    prompts.ChoiceAnswers = {answer};
    editing.Disconnect();
    EXPECT_EQ(prompts.Choices, QStringList{"/www/notes.txt is still being saved."});
    if (answer == "Wait") {
      QTest::qWait(300);
      EXPECT_TRUE(redirector.Running());  // the upload is not cut off
      held.ReleaseHeld();
      ASSERT_TRUE(WaitFor([&] { return !redirector.Running(); }, 15000));
      EXPECT_EQ(held.ReadFile("/www/notes.txt"), page->Text);
      EXPECT_TRUE(page->Saved());
    } else {
      ASSERT_TRUE(WaitFor([&] { return !redirector.Running(); }));
      EXPECT_FALSE(page->Saved());
      EXPECT_TRUE(page->Document().LastSaveFailed);
      EXPECT_FALSE(page->Document().LastSaveCut);
      ASSERT_EQ(prompts.Errors.size(), 1);
      // The upload went beside the file: the file itself was never touched.
      EXPECT_EQ(prompts.Errors[0].toStdString(),
                "The save of /www/notes.txt was stopped. No text on the server was cut short; "
                "the status bar says where each one is, and your text is still here.");
      EXPECT_EQ(held.ReadFile("/www/notes.txt"), "first line\nsecond line\n");
      prompts.Errors.clear();
    }
  }
}

// A save that broke off wrote only beside the file: the next check finds
// the server's copy as the page saw it, so it asks nothing and saves.
TEST_F(OverlapTest, AFailedSaveLeavesNothingForTheNextCheckToFind) {
  server.FailWriteAfter("/www/.notes.txt.quillery-*", 100);
  Connect();
  FakePage* page = view.Page(0);
  Open(page, "notes.txt");
  const QByteArray before = server.ReadFile("/www/notes.txt");
  Edit(page, Lines(50, "mine"));
  editing.Save(page);
  WaitIdle();
  ASSERT_FALSE(page->Saved());
  ASSERT_EQ(server.ReadFile("/www/notes.txt"), before);

  editing.Save(page);  // a question would be answered Cancel
  WaitIdle();
  EXPECT_TRUE(prompts.Choices.isEmpty()) << prompts.Choices.join("; ").toStdString();
  // The same bytes fail again past the limit; the file is still untouched.
  EXPECT_FALSE(page->Saved());
  EXPECT_EQ(server.ReadFile("/www/notes.txt"), before);
  EXPECT_TRUE(QDir(server.Served("/www"))
                  .entryList({".notes.txt.quillery-*"}, QDir::Hidden | QDir::Files)
                  .isEmpty());
}

// The page takes no typing while a download fills it, and takes it again
// once the download has ended, whole or not.
TEST_F(OverlapTest, APageTakesNoTypingWhileADownloadFillsIt) {
  FakePage* page = view.Page(0);
  ASSERT_NO_FATAL_FAILURE(StartHeldDownload(page));
  EXPECT_TRUE(page->Receiving);
  server.ReleaseHeld();
  WaitIdle();
  EXPECT_FALSE(page->Receiving);
  EXPECT_EQ(page->Text, server.ReadFile("/www/big.txt")) << view.DebugText.toStdString();
}

TEST_F(OverlapTest, ADownloadCutOffByPsftpsEndFreesThePage) {
  FakePage* page = view.Page(0);
  ASSERT_NO_FATAL_FAILURE(StartHeldDownload(page));
  ASSERT_TRUE(page->Receiving);
  redirector.Kill();
  ASSERT_TRUE(WaitFor([&] { return !redirector.Running(); }));
  EXPECT_FALSE(page->Receiving);
  EXPECT_TRUE(page->Text.isEmpty());
}

// psftp's current folder is another page's when this one saves: the
// listing that follows must not move this page there.
TEST_F(OverlapTest, ASaveLeavesEachPageInItsOwnFolder) {
  server.WriteFile("/www/m/other.txt", "m\n");
  Connect();
  FakePage* a = view.Page(0);
  FakePage* b = PageBeside(a->Dir());
  Open(a, "[sub]");
  Open(a, "inner.txt");
  Open(b, "[m]");
  ASSERT_EQ(driver.CurrentDir(), "/www/m");
  Edit(a, "changed\n");
  editing.Save(a);
  WaitIdle();
  EXPECT_TRUE(a->Saved());
  EXPECT_EQ(server.ReadFile("/www/sub/inner.txt"), a->Text);
  ASSERT_NE(a->Dir(), nullptr);
  EXPECT_EQ(a->Dir()->Name(), "/www/sub");
  EXPECT_TRUE(a->Items.contains("inner.txt"));
  EXPECT_FALSE(a->Items.contains("other.txt"));
  EXPECT_TRUE(b->Items.contains("other.txt"));
}

}  // namespace
