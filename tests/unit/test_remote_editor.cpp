// The editing controller between the driver and the person: what a save
// sends, and what it asks, for each state of the server's copy.
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <optional>

#include "FakeDriverView.h"
#include "HeldHashes.h"
#include "PsftpWords.h"
#include "ScriptedPrompts.h"
#include "TempHome.h"
#include "WaitFor.h"
#include "core/ErrorReport.h"
#include "remote/editing/RemoteEditor.h"
#include "remote/session/ConnectionDriver.h"

namespace {

const QByteArray kOpened = "as opened\n";

class RemoteEditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous = ErrorReport::SetHandler([this](const QString& m) { reported << m; });
    view.Values.HostName = "127.0.0.1";
    view.Values.UserName = "tester";
    view.Values.StartingDir = "/www";
    driver.Connect(view.Values, view.ActivePage());
    driver.StartConversation();
    Feed("Connected to 127.0.0.1\nRemote working directory is /\npsftp> ");
    Feed("Remote directory is now /www\npsftp> ");
    // Changed a minute ago: only the bytes can tell a change, so the check
    // downloads them.
    Feed(Listing());
    ASSERT_TRUE(view.Page(0)->Select("notes.txt"));
    editing.OpenSelected(view.ActivePage());
    Feed(Got(kOpened));
    ASSERT_EQ(view.Page(0)->Text, kOpened);
  }
  void TearDown() override { ErrorReport::SetHandler(previous); }
  // The listing of /www: notes.txt, the user's own.
  static QByteArray Listing() {
    const QByteArray time =
        QDateTime::currentDateTime().addSecs(-60).toString("MMM d hh:mm").toUtf8();
    return "Listing directory /www\n-rw-r--r--    1 tester   root           10 " + time +
           " notes.txt\npsftp> ";
  }

  void Feed(const QByteArray& Piece) {
    driver.VirtualRedirectorInput(&redirector, redirector.Answered(Piece));
  }
  // psftp's answer to the last "get": the file's bytes where it was asked
  // to write them, or the server's refusal when Bytes is none.
  QByteArray Got(const std::optional<QByteArray>& Bytes) {
    const QStringList words = Words(redirector.Written.last());
    EXPECT_EQ(words.value(0), "get");
    if (!Bytes) return "/www/notes.txt: open for read: no such file or directory\npsftp> ";
    QFile file(words.value(2));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(*Bytes);
    return "remote:/www/notes.txt => local:" + words.value(2).toUtf8() + "\npsftp> ";
  }
  // Edits the page and saves it; the check's "get" finds Server.
  void EditAndSave(const std::optional<QByteArray>& Server) {
    FakePage* page = view.Page(0);
    page->Text = "edited\n";
    page->SetSaved(false);
    redirector.Written.clear();
    ASSERT_TRUE(editing.Save(page));
    Feed(Got(Server));
    // The verdict comes once the digests, computed on a worker, are known;
    // the question after it.
    ASSERT_TRUE(WaitFor([&] { return !driver.Checking(page); }));
    QCoreApplication::processEvents();
  }
  bool PutSent() const {
    return !redirector.Written.isEmpty() && redirector.Written.last().startsWith("put ");
  }

  TempHome home;
  FakeDriverView view;
  RecordingRedirector redirector;
  TConnectionDriver driver{view, redirector};
  TScriptedPrompts prompts;
  std::vector<IPage*> abandoned;
  TRemoteEditor editing{driver, prompts,
                        TRemoteEditor::THooks{[this]() -> IPage* { return view.AddPage(); },
                                              [this](IPage* Page) { abandoned.push_back(Page); }}};
  QStringList reported;
  ErrorReport::Handler previous;
};

TEST_F(RemoteEditorTest, EachStateOfTheServersCopyAndEachAnswer) {
  const struct {
    const char* Case;
    std::optional<QByteArray> Server;  // none: deleted
    QString Answer;
    QStringList Offered;  // empty: no question
    bool Sends;
  } cases[] = {
      {"unchanged", kOpened, "", {}, true},
      {"changed, Overwrite",
       QByteArray("theirs\n"),
       "Overwrite",
       {"Overwrite", "Open server version", "Cancel"},
       true},
      {"changed, Cancel",
       QByteArray("theirs\n"),
       "Cancel",
       {"Overwrite", "Open server version", "Cancel"},
       false},
      {"changed, question closed",
       QByteArray("theirs\n"),
       "",
       {"Overwrite", "Open server version", "Cancel"},
       false},
      {"deleted, Overwrite", std::nullopt, "Overwrite", {"Overwrite", "Cancel"}, true},
      {"deleted, Cancel", std::nullopt, "Cancel", {"Overwrite", "Cancel"}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Case);
    prompts.Choices.clear();
    prompts.Offered.clear();
    abandoned.clear();
    if (!c.Answer.isEmpty()) prompts.ChoiceAnswers = {c.Answer};
    EditAndSave(c.Server);
    ASSERT_EQ(prompts.Offered.size(), c.Offered.isEmpty() ? 0u : 1u);
    if (!c.Offered.isEmpty()) {
      EXPECT_EQ(prompts.Offered[0], c.Offered);
      EXPECT_TRUE(prompts.Choices[0].startsWith("/www/notes.txt has changed on the server"));
    }
    EXPECT_EQ(PutSent(), c.Sends);
    // Whatever waited for a save the user held back goes without it.
    EXPECT_EQ(abandoned.size(), c.Sends ? 0u : 1u);
    if (c.Sends) {
      // The upload and the swap that follows it (PsftpWords.h's Done): the
      // page is saved once its text has the file's name, before the old
      // text beside it is removed.
      for (int step = 0; step < 5; ++step) {
        EXPECT_EQ(view.Page(0)->Saved(), step == 4) << step;
        Feed(Done(redirector.Written.last()));
      }
      EXPECT_TRUE(view.Page(0)->Saved());
      Feed(Listing());  // the listing after the upload
    }
    EXPECT_FALSE(driver.Busy());
  }
  EXPECT_EQ(view.PageCount(), 1);
  EXPECT_TRUE(reported.isEmpty()) << reported.join("; ").toStdString();
}

// The user's page keeps its text; the server's goes into a page of its own,
// which saves to the same file and knows what the server holds.
TEST_F(RemoteEditorTest, OpenServerVersionPutsTheServersTextBesideThePage) {
  prompts.ChoiceAnswers = {"Open server version"};
  EditAndSave(QByteArray("theirs\n"));
  EXPECT_FALSE(PutSent());
  ASSERT_EQ(view.PageCount(), 2);
  FakePage* mine = view.Page(0);
  FakePage* theirs = view.Page(1);
  EXPECT_EQ(mine->Text, "edited\n");
  EXPECT_FALSE(mine->Saved());
  EXPECT_EQ(theirs->Text, "theirs\n");
  EXPECT_TRUE(theirs->Saved());
  EXPECT_EQ(theirs->Document().RemotePath, "/www/notes.txt");
  // Its own local copy under the same name: saving either never writes the
  // other's.
  EXPECT_NE(theirs->Document().LocalFolder, mine->Document().LocalFolder);
  EXPECT_EQ(QFileInfo(theirs->Document().LocalPath).fileName(),
            QFileInfo(mine->Document().LocalPath).fileName());
  EXPECT_TRUE(theirs->RemoteFingerprint().Describes("/www/notes.txt"));
  EXPECT_EQ(abandoned, std::vector<IPage*>{mine});

  // Saving the server's version now asks nothing: it is what the server holds.
  redirector.Written.clear();
  view.Active = 1;
  prompts.Choices.clear();
  ASSERT_TRUE(editing.Save(theirs));
  Feed(Got(QByteArray("theirs\n")));
  ASSERT_TRUE(WaitFor([&] { return !driver.Checking(theirs); }));
  EXPECT_TRUE(prompts.Choices.isEmpty());
  EXPECT_TRUE(PutSent());
}

// After a save that failed, the next check's question says whether the
// server's copy may be cut short: only a write to the file itself can cut
// it; a swap that broke off leaves each text whole under some name.
TEST_F(RemoteEditorTest, TheNextQuestionSaysWhetherTheFailedSaveCouldCutTheFile) {
  struct {
    bool inPlace;
    std::optional<QByteArray> server;  // what the next check finds
    const char* question;
  } const cases[] = {
      {true, QByteArray("as o"),
       "The last save of /www/notes.txt did not finish, so the server's copy "
       "may be incomplete."},
      {false, std::nullopt,
       "The last save of /www/notes.txt did not finish, so the server's copy "
       "may not be what this page last saw. No text was cut short: the old text is kept beside "
       "it under a hidden name."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.inPlace);
    prompts.Choices.clear();
    EditAndSave(kOpened);  // nothing changed on the server: the save goes out
    ASSERT_TRUE(PutSent());
    const QString temp = Words(redirector.Written.last()).value(2);
    if (c.inPlace) {
      // The folder takes no new file; the file itself breaks off part way.
      Feed((temp + ": open for write: permission denied\npsftp> ").toUtf8());
      const QStringList put = Words(redirector.Written.last());
      ASSERT_EQ(put.value(2), "/www/notes.txt");
      Feed(("local:" + put.value(1) +
            " => remote:/www/notes.txt\nerror while writing: "
            "failure\npsftp> ")
               .toUtf8());
    } else {
      for (int step = 0; step < 3; ++step) Feed(Done(redirector.Written.last()));
      Feed(("mv " + temp + " /www/notes.txt: failure\npsftp> ").toUtf8());
      const QString backup = Words(redirector.Written.last()).value(1);
      ASSERT_TRUE(backup.endsWith(".old")) << backup.toStdString();
      Feed(("mv " + backup + " /www/notes.txt: failure\npsftp> ").toUtf8());
    }
    ASSERT_FALSE(driver.Busy());
    FakePage* page = view.Page(0);
    EXPECT_FALSE(page->Saved());
    EXPECT_EQ(page->Document().LastSaveCut, c.inPlace);
    EditAndSave(c.server);
    ASSERT_EQ(prompts.Choices.size(), 1);
    EXPECT_EQ(prompts.Choices[0].toStdString(), c.question);
  }
}

// A question whose page has gone is never asked, and its server copy goes.
TEST_F(RemoteEditorTest, QuestionForAClosedPageIsDropped) {
  prompts.ChoiceAnswers = {"Overwrite"};
  FakePage* page = view.Page(0);
  page->Text = "edited\n";
  page->SetSaved(false);
  redirector.Written.clear();
  // The verdict waits for the digests: the page is closed while it waits.
  THeldHashes held;
  ASSERT_TRUE(editing.Save(page));
  Feed(Got(QByteArray("theirs\n")));
  const QString serverCopy = Words(redirector.Written.last()).value(2);
  ASSERT_TRUE(WaitFor([&] { return held.Started() > 0; }));
  view.AddPage();
  view.ClosePage(0, editing);
  held.Release();
  ASSERT_TRUE(WaitFor([&] { return !QFile::exists(serverCopy); }));
  QCoreApplication::processEvents();
  EXPECT_TRUE(prompts.Choices.isEmpty());
  EXPECT_FALSE(editing.Asking());
  EXPECT_FALSE(PutSent());
}

// A page never saved is named first; without a name nothing is written or sent.
TEST_F(RemoteEditorTest, AnUnnamedPageIsNamedBeforeItIsChecked) {
  FakePage* page = view.AddPage();
  view.Active = 1;
  page->Text = "new\n";
  redirector.Written.clear();
  prompts.TextResult = false;
  EXPECT_FALSE(editing.Save(page));
  EXPECT_EQ(prompts.TextQuestions, QStringList{"Save As..."});
  EXPECT_TRUE(redirector.Written.isEmpty());
  EXPECT_FALSE(page->Document().Named());

  prompts.TextResult = true;
  prompts.TextAnswer = "new.txt";
  EXPECT_TRUE(editing.Save(page));
  EXPECT_EQ(Words(redirector.Written.last()).value(0), "ls");
  // Named only once the upload goes out.
  EXPECT_FALSE(page->Document().Named());
  Feed("Listing directory /www\npsftp> ");
  EXPECT_TRUE(PutSent());
  EXPECT_EQ(page->Caption(), "new.txt");
}

// A closed page's local copy goes when the server holds its text, and stays
// when it may be the only copy of it.
TEST_F(RemoteEditorTest, ClosingAPageRemovesItsLocalCopyOnlyWhenSaved) {
  for (const bool saved : {true, false}) {
    SCOPED_TRACE(saved ? "saved" : "unsaved");
    FakePage* page = view.AddPage();
    NameDocument(page, "kept.txt");
    page->SaveToFile(page->Document().LocalPath);
    page->SetSaved(saved);
    const QString folder = page->Document().LocalFolder;
    view.ClosePage(view.PageCount() - 1, editing);
    EXPECT_EQ(QFileInfo::exists(folder + "kept.txt"), !saved);
  }
  // The page that was opened keeps its copy while it lives.
  EXPECT_TRUE(QFileInfo::exists(view.Page(0)->Document().LocalPath));
}

}  // namespace
