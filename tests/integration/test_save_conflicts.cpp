// A save never silently overwrites a change someone else made on the server:
// the real window, the real psftp and the loopback SFTP server, with the
// other party's changes made straight in the served folder. Each answer to
// the question is checked on the server's bytes.
#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QListView>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <Qsci/qsciscintilla.h>
#include <algorithm>
#include <deque>
#include <gtest/gtest.h>

#include "FakeDriverView.h"
#include "HeldHashes.h"
#include "TempHome.h"
#include "TestServer.h"
#include "WaitFor.h"
#include "core/ErrorReport.h"
#include "process/VirtualRedirector.h"
#include "remote/editing/UnsavedGuard.h"
#include "remote/local/TempFolder.h"
#include "remote/session/ConnectionDriver.h"
#include "store/Settings.h"
#include "ui/DebugLogWindow.h"
#include "ui/HostKeyDialog.h"
#include "ui/MainWindow.h"

namespace {

// The answers a checked save offers, as the test names them.
enum class TAnswer { Overwrite, Replace, OpenServerVersion, Cancel };
const QStringList kAnswerTexts{"Overwrite", "Replace", "Open server version", "Cancel"};

const QByteArray kPage = "the page as opened\n";
const QByteArray kOther = "THE PAGE AS OPENED\n";  // the same size, other bytes
const QString kTyped = "typed ";

// The window with its questions answered by the test, and the commands it
// writes to psftp and the texts of panel 0 kept in turn.
class TConflictForm : public TMainWindow, public IUserPrompts {
 public:
  TConflictForm() { SetPrompts(this); }
  bool ShowConnectDialog() override { return true; }
  TConnectValues ConnectDialogValues() override { return Values; }
  int Choose(const TChoice& Choice) override {
    if (Choice.Answers == QStringList{"Yes", "No", "Cancel"}) {
      SaveQuestions << Choice.Text;
      return SaveAnswer == QMessageBox::Yes ? 0 : SaveAnswer == QMessageBox::No ? 1 : 2;
    }
    Questions << Choice.Text;
    LastOffered.clear();
    for (const QString& text : Choice.Answers) LastOffered << TAnswer(kAnswerTexts.indexOf(text));
    // A person takes their time, while events go on as under a dialog.
    if (AnswerDelay > 0) QTest::qWait(AnswerDelay);
    if (Answers.empty()) return Choice.Escape;
    const TAnswer answer = Answers.front();
    Answers.pop_front();
    const int index = int(Choice.Answers.indexOf(kAnswerTexts[int(answer)]));
    return index >= 0 ? index : Choice.Escape;
  }
  std::optional<QString> AskText(const QString&, const QString&) override {
    if (SaveAsName.isEmpty()) return std::nullopt;
    return SaveAsName;
  }
  void Inform(TTone, const QString& Text) override { Errors << Text; }
  using TMainWindow::Inform;
  bool Confirm(const QString&) override { return false; }
  std::optional<QString> AskFile(const QString&) override { return std::nullopt; }
  std::optional<QString> AskSaveFile(const QString&, const QString&) override {
    return std::nullopt;
  }
  void Log(TLog Kind, const QString& Text) override {
    // The local command that closes each answer tells nothing of the check.
    if (Kind == TLog::Command && !Text.startsWith("lcd ")) Commands << Text.trimmed();
    TMainWindow::Log(Kind, Text);
  }
  void SetStatus(const QString& S, int Index, const QString& ToolTip = QString()) override {
    if (Index == 0) Panel0 << S;
    TMainWindow::SetStatus(S, Index, ToolTip);
  }

  TConnectValues Values;
  int AnswerDelay = 0;
  std::deque<TAnswer> Answers;
  QStringList Questions;
  QList<TAnswer> LastOffered;
  QMessageBox::StandardButton SaveAnswer = QMessageBox::Cancel;
  QStringList SaveQuestions;
  QString SaveAsName;
  QStringList Errors;
  QStringList Commands;
  QStringList Panel0;
};

class SaveConflictTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FPrevious = ErrorReport::SetHandler([this](const QString& M) { Reported << M; });
    TSettings().Write("FormTop", "-1");
    TSettings().Write("ShowConnectDialog", "0");
  }
  void TearDown() override { ErrorReport::SetHandler(FPrevious); }

  // Serves /www/page.txt (and whatever the test wrote before) and connects.
  void StartAndConnect() {
    Server.WriteFile("/www/page.txt", kPage);
    ASSERT_TRUE(Server.Start());
    for (const auto& [path, time] : FTimes) SetTime(path, time);
    Form.Values.HostName = "127.0.0.1";
    Form.Values.UserName = Server.User().toUtf8();
    Form.Values.Password = Server.Password().toUtf8();
    Form.Values.StartingDir = "/www";
    Form.Values.Port = Server.Port();
    Form.SetDebugForm(&Log);
    Form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Form));
    Form.ConnectAction->trigger();
    THostKeyDialog* question = Form.HostKeyDialog();
    ASSERT_TRUE(WaitFor([&] { return question->isVisible(); })) << Diagnostics();
    question->TrustButton()->click();
    ASSERT_TRUE(WaitFor([&] { return Item("page.txt").isValid(); })) << Diagnostics();
    ASSERT_TRUE(Idle()) << Diagnostics();
  }
  // Files to date before the server lists them (the sample tree is made by Start).
  void DateBeforeStart(const QString& RemotePath, const QDateTime& Time) {
    FTimes.emplace_back(RemotePath, Time);
  }
  void SetTime(const QString& RemotePath, const QDateTime& Time) {
    QFile file(Server.Served(RemotePath));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(Time, QFileDevice::FileModificationTime));
  }
  // Another party rewrites the file with as many bytes, its time kept: the
  // listing shows what it showed before.
  void ChangeKeepingItsListing(const QString& RemotePath, const QByteArray& Bytes) {
    const QDateTime time = QFileInfo(Server.Served(RemotePath)).lastModified();
    ASSERT_EQ(Server.ReadFile(RemotePath).size(), Bytes.size());
    Server.WriteFile(RemotePath, Bytes);
    SetTime(RemotePath, time);
  }

  QListView* List() { return Form.ActivePage()->DirListBox(); }
  QModelIndex Item(const QString& Text) {
    QAbstractItemModel* rows = List()->model();
    return rows->match(rows->index(0, 0), Qt::DisplayRole, Text, 1, Qt::MatchExactly).value(0);
  }
  // Nothing on its way: no command, no question, no upload.
  bool Idle() {
    return WaitFor([&] {
      return !Form.Driver().Busy() && !Form.Driver().Downloading() && !Form.UploadInProgress();
    });
  }
  void Open(const QString& Name) {
    TPage* page = Form.ActivePage();
    const QModelIndex item = Item(Name);
    ASSERT_TRUE(item.isValid()) << Name.toStdString();
    const QPoint at = List()->visualRect(item).center();
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {}, at);
    ASSERT_TRUE(WaitFor([&] { return page->Caption() == Name; })) << Diagnostics();
    ASSERT_TRUE(Idle()) << Diagnostics();
  }
  void Type(TPage* Page, const QString& Text) {
    Page->Editor()->setCursorPosition(0, 0);
    QTest::keyClicks(Page->Editor(), Text);
  }
  // Ctrl+S on the active page; the commands it wrote, once all is done.
  QStringList Save() {
    const qsizetype before = Form.Commands.size();
    Form.SaveAction->trigger();
    EXPECT_TRUE(Idle()) << Diagnostics();
    return Form.Commands.mid(before);
  }
  static bool Sent(const QStringList& Commands) {
    return std::any_of(Commands.begin(), Commands.end(),
                       [](const QString& C) { return C.startsWith("put "); });
  }
  std::string Diagnostics() const {
    return (Log.Text() + "\nreported: " + Reported.join("; ") +
            "\nerrors: " + Form.Errors.join("; "))
        .toStdString();
  }

  TempHome Home;
  TestServer Server;
  TDebugLogWindow Log;
  TConflictForm Form;
  QStringList Reported;

 private:
  ErrorReport::Handler FPrevious;
  std::vector<std::pair<QString, QDateTime>> FTimes;
};

// ---------------------------------------------------------------- the server's state and the
// answers

enum class TChange { None, SameSizeAndListing, Deleted };
enum class TOnServer { Typed, Other, Nothing };

struct TCase {
  const char* Name;
  TChange Change;
  TAnswer Answer;
  bool Asked;
  QList<TAnswer> Offered;
  TOnServer Result;
  bool ServerTab;  // a new tab shows the server's text
};

const QList<TAnswer> kChangedAnswers{TAnswer::Overwrite, TAnswer::OpenServerVersion,
                                     TAnswer::Cancel};
const QList<TAnswer> kDeletedAnswers{TAnswer::Overwrite, TAnswer::Cancel};

const TCase kCases[] = {
    {"Unchanged", TChange::None, TAnswer::Cancel, false, {}, TOnServer::Typed, false},
    {"ChangedOverwrite", TChange::SameSizeAndListing, TAnswer::Overwrite, true, kChangedAnswers,
     TOnServer::Typed, false},
    {"ChangedOpenServerVersion", TChange::SameSizeAndListing, TAnswer::OpenServerVersion, true,
     kChangedAnswers, TOnServer::Other, true},
    {"ChangedCancel", TChange::SameSizeAndListing, TAnswer::Cancel, true, kChangedAnswers,
     TOnServer::Other, false},
    {"DeletedOverwrite", TChange::Deleted, TAnswer::Overwrite, true, kDeletedAnswers,
     TOnServer::Typed, false},
    {"DeletedCancel", TChange::Deleted, TAnswer::Cancel, true, kDeletedAnswers, TOnServer::Nothing,
     false},
};

void PrintTo(const TCase& Case, std::ostream* Out) { *Out << Case.Name; }

class ServerStateTest : public SaveConflictTest, public ::testing::WithParamInterface<TCase> {};

TEST_P(ServerStateTest, AsksWhenTheFileChangedAndEachAnswerDoesWhatItSays) {
  const TCase& c = GetParam();
  ASSERT_NO_FATAL_FAILURE(StartAndConnect());
  TPage* page = Form.ActivePage();
  ASSERT_NO_FATAL_FAILURE(Open("page.txt"));
  Type(page, kTyped);
  const QString typed = page->Editor()->text();
  if (c.Change == TChange::SameSizeAndListing) ChangeKeepingItsListing("/www/page.txt", kOther);
  if (c.Change == TChange::Deleted) {
    ASSERT_TRUE(QFile::remove(Server.Served("/www/page.txt")));
  }

  Form.Answers = {c.Answer};
  const QStringList commands = Save();

  const QString deleted = c.Change == TChange::Deleted ? ": it is no longer there" : "";
  EXPECT_EQ(Form.Questions,
            c.Asked ? QStringList{"/www/page.txt has changed on the server since it was opened" +
                                  deleted + "."}
                    : QStringList())
      << Diagnostics();
  if (c.Asked) {
    EXPECT_EQ(Form.LastOffered, c.Offered);
  }
  EXPECT_TRUE(Form.Panel0.contains("Checking...")) << Form.Panel0.join(" | ").toStdString();
  EXPECT_NE(Form.StatusText(0), "Checking...");

  const bool sent = c.Result == TOnServer::Typed;
  EXPECT_EQ(Sent(commands), sent) << commands.join(" | ").toStdString();
  EXPECT_EQ(page->Saved(), sent);
  EXPECT_EQ(page->Editor()->text(), typed);  // whatever the answer, the page keeps its text
  switch (c.Result) {
    case TOnServer::Typed:
      EXPECT_EQ(Server.ReadFile("/www/page.txt"), typed.toUtf8());
      break;
    case TOnServer::Other:
      EXPECT_EQ(Server.ReadFile("/www/page.txt"), kOther);
      break;
    case TOnServer::Nothing:
      EXPECT_FALSE(QFile::exists(Server.Served("/www/page.txt")));
      break;
  }
  ASSERT_EQ(Form.PageCount(), c.ServerTab ? 2 : 1);
  if (c.ServerTab) {
    TPage* server = Form.ActivePage();
    ASSERT_NE(server, page);
    EXPECT_EQ(server->Editor()->text().toUtf8(), kOther);
    EXPECT_EQ(server->Caption(), "page.txt");
    EXPECT_EQ(server->RemoteFileName(), "/www/page.txt");
    EXPECT_TRUE(server->Saved());
    // The server's version is what that tab saw: it saves without a question.
    Type(server, "mine ");
    EXPECT_TRUE(Sent(Save()));
    EXPECT_EQ(Form.Questions.size(), 1);
    EXPECT_EQ(Server.ReadFile("/www/page.txt"), "mine " + kOther);
  }
  // The server copy the check fetched is gone from the work folder.
  EXPECT_TRUE(QDir(WorkFolder()).entryList({".get-*"}, QDir::Files | QDir::Hidden).isEmpty());
  EXPECT_TRUE(Form.Errors.isEmpty()) << Diagnostics();
  EXPECT_TRUE(Reported.isEmpty()) << Diagnostics();
}

INSTANTIATE_TEST_SUITE_P(Answers, ServerStateTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<TCase>& Info) {
                           return std::string(Info.param.Name);
                         });

// ---------------------------------------------------------------- the page's own saves

// After a confirmed upload the page has seen what it sent: the next save
// asks nothing, and a change made after it is still caught.
TEST_F(SaveConflictTest, APageSavedTwiceInARowIsNotAskedButALaterChangeIs) {
  ASSERT_NO_FATAL_FAILURE(StartAndConnect());
  TPage* page = Form.ActivePage();
  ASSERT_NO_FATAL_FAILURE(Open("page.txt"));
  Type(page, "one ");
  EXPECT_TRUE(Sent(Save()));
  Type(page, "two ");
  EXPECT_TRUE(Sent(Save()));
  EXPECT_TRUE(Form.Questions.isEmpty()) << Form.Questions.join(" | ").toStdString();
  EXPECT_EQ(Server.ReadFile("/www/page.txt"), "two one " + kPage);

  ChangeKeepingItsListing("/www/page.txt", "TWO ONE " + kOther);
  Type(page, "three ");
  EXPECT_FALSE(Sent(Save()));
  EXPECT_EQ(Form.Questions.size(), 1);
  EXPECT_EQ(Server.ReadFile("/www/page.txt"), "TWO ONE " + kOther);
  EXPECT_FALSE(page->Saved());
  EXPECT_TRUE(Reported.isEmpty()) << Diagnostics();
}

// A page never downloaded saved under a name the server already has: Replace
// or Cancel. Cancel leaves it untitled, so the next save asks for a name again.
TEST_F(SaveConflictTest, SaveAsOntoAnExistingNameAsksReplaceOrCancel) {
  ASSERT_NO_FATAL_FAILURE(StartAndConnect());
  struct {
    TAnswer Answer;
    bool Replaced;
  } cases[] = {{TAnswer::Cancel, false}, {TAnswer::Replace, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Replaced ? "Replace" : "Cancel");
    Form.Questions.clear();
    TPage* page = Form.ActivePage();
    Type(page, "a new page");
    Form.SaveAsName = "page.txt";
    Form.Answers = {c.Answer};
    const QStringList commands = Save();
    EXPECT_EQ(Form.Questions, QStringList{"/www/page.txt already exists on the server."});
    EXPECT_EQ(Form.LastOffered, QList<TAnswer>({TAnswer::Replace, TAnswer::Cancel}));
    EXPECT_EQ(Sent(commands), c.Replaced);
    EXPECT_EQ(page->Saved(), c.Replaced);
    EXPECT_EQ(page->Caption(), c.Replaced ? "page.txt" : "Untitled");
    EXPECT_EQ(Server.ReadFile("/www/page.txt"),
              c.Replaced ? page->Editor()->text().toUtf8() : kPage);
  }
  // A name the server does not have yet goes without a question.
  Form.Questions.clear();
  Form.NewAction->trigger();
  Type(Form.ActivePage(), "fresh");
  Form.SaveAsName = "fresh.txt";
  EXPECT_TRUE(Sent(Save()));
  EXPECT_TRUE(Form.Questions.isEmpty());
  EXPECT_EQ(Server.ReadFile("/www/fresh.txt"), "fresh");
  EXPECT_TRUE(Reported.isEmpty()) << Diagnostics();
}

// The digest of what the page downloaded is computed on a worker. A save
// asked for before it is known waits for it after the check's "get", and
// sends nothing until then, while the window goes on handling events; once
// the digests are known the save goes on without a question.
TEST_F(SaveConflictTest, ASaveWaitsForADigestNotYetKnownWithoutHoldingTheWindow) {
  ASSERT_NO_FATAL_FAILURE(StartAndConnect());
  TPage* page = Form.ActivePage();
  THeldHashes held;
  ASSERT_NO_FATAL_FAILURE(Open("page.txt"));
  Type(page, "x");
  const qsizetype before = Form.Commands.size();
  Form.SaveAction->trigger();
  ASSERT_TRUE(WaitFor([&] { return held.Started() == 2; }))
      << Diagnostics();  // the download's and the check's

  QElapsedTimer clock;
  clock.start();
  qint64 lastTick = 0;
  qint64 longestGap = 0;
  QTimer ticks;
  QObject::connect(&ticks, &QTimer::timeout, [&] {
    longestGap = std::max(longestGap, clock.elapsed() - lastTick);
    lastTick = clock.elapsed();
  });
  ticks.start(5);
  EXPECT_FALSE(WaitFor([&] { return Sent(Form.Commands.mid(before)); }, 800));
  EXPECT_TRUE(Form.UploadInProgress()) << "the save is under way";
  EXPECT_LT(longestGap, 200) << "the window was held up";
  EXPECT_FALSE(page->Saved());

  held.Release();
  ASSERT_TRUE(WaitFor([&] { return page->Saved(); })) << Diagnostics();
  EXPECT_TRUE(Idle());
  EXPECT_TRUE(Form.Questions.isEmpty()) << Form.Questions.join(" | ").toStdString();
  EXPECT_EQ(Server.ReadFile("/www/page.txt"), "x" + kPage);
  EXPECT_FALSE(held.OnMainThread());
  EXPECT_TRUE(Reported.isEmpty()) << Diagnostics();
}

// ---------------------------------------------------------------- how the check is made

// A file whose listed time lay days before it was listed is checked by its
// listing alone: one "ls" of that one name. A recent one, whose listing cannot
// tell a change made within the same minute, by its bytes: one "get".
TEST_F(SaveConflictTest, TheCheckIsOneCommandAListingForAnOldFileTheBytesForARecentOne) {
  const QDateTime old = QDateTime::currentDateTime().addDays(-30);
  Server.WriteFile("/www/old.txt", "old\n");
  Server.WriteFile("/www/older.txt", "older\n");
  Server.WriteFile("/www/oldest.txt", "oldest\n");
  DateBeforeStart("/www/old.txt", old);
  DateBeforeStart("/www/older.txt", old);
  DateBeforeStart("/www/oldest.txt", old);
  ASSERT_NO_FATAL_FAILURE(StartAndConnect());
  TPage* page = Form.ActivePage();

  const auto verbs = [](const QStringList& Commands) {
    QStringList result;
    for (const QString& command : Commands) result << command.section(' ', 0, 0);
    return result;
  };
  ASSERT_NO_FATAL_FAILURE(Open("old.txt"));
  Type(page, "x");
  QStringList commands = Save();
  EXPECT_EQ(verbs(commands), QStringList({"ls", "put", "chmod", "mv", "mv", "rm", "ls"}));
  EXPECT_EQ(commands.value(0), "ls \"/www/[o]ld.txt\"");
  // The last lists the saved file alone, for the list.
  EXPECT_EQ(commands.value(6), "ls \"/www/[o]ld.txt\"");
  EXPECT_EQ(Server.ReadFile("/www/old.txt"), "xold\n");

  ASSERT_NO_FATAL_FAILURE(Open("page.txt"));
  Type(page, "x");
  commands = Save();
  EXPECT_EQ(verbs(commands), QStringList({"get", "put", "chmod", "mv", "mv", "rm", "ls"}));

  // An old file changed since, to as many bytes: its listing differs in its
  // time alone, and the bytes decide.
  ASSERT_NO_FATAL_FAILURE(Open("older.txt"));
  Server.WriteFile("/www/older.txt", "OLDER\n");
  Type(page, "x");
  commands = Save();
  EXPECT_EQ(verbs(commands), QStringList({"ls", "get"}));
  EXPECT_EQ(Form.Questions.size(), 1);
  EXPECT_EQ(Server.ReadFile("/www/older.txt"), "OLDER\n");

  // An old file changed to another size: the listing alone proves it.
  Form.SaveAnswer = QMessageBox::No;  // the text typed above goes
  ASSERT_NO_FATAL_FAILURE(Open("oldest.txt"));
  Server.WriteFile("/www/oldest.txt", "changed by someone else\n");
  Type(page, "x");
  commands = Save();
  EXPECT_EQ(verbs(commands), QStringList({"ls"}));
  EXPECT_EQ(Form.Questions.size(), 2);
  EXPECT_EQ(Server.ReadFile("/www/oldest.txt"), "changed by someone else\n");
  EXPECT_TRUE(Reported.isEmpty()) << Diagnostics();
}

// A check psftp cannot carry out is reported like any refusal, and nothing
// is sent: here the file became a folder, which psftp 0.78 refuses to get
// with "/www/page.txt: open for read: failure".
TEST_F(SaveConflictTest, ARefusedCheckIsReportedAndSendsNothing) {
  ASSERT_NO_FATAL_FAILURE(StartAndConnect());
  TPage* page = Form.ActivePage();
  ASSERT_NO_FATAL_FAILURE(Open("page.txt"));
  ASSERT_TRUE(QFile::remove(Server.Served("/www/page.txt")));
  ASSERT_TRUE(QDir().mkpath(Server.Served("/www/page.txt")));
  Type(page, "typed ");
  EXPECT_FALSE(Sent(Save()));
  EXPECT_TRUE(Form.Questions.isEmpty());
  EXPECT_FALSE(page->Saved());
  EXPECT_TRUE(Form.SaveAction->isEnabled());
  EXPECT_EQ(Form.StatusText(0), "Cannot read: page.txt") << Diagnostics();
  EXPECT_TRUE(QFileInfo(Server.Served("/www/page.txt")).isDir());
  EXPECT_TRUE(QDir(WorkFolder()).entryList({".get-*"}, QDir::Files | QDir::Hidden).isEmpty());
  EXPECT_TRUE(Reported.isEmpty()) << Diagnostics();
}

// ---------------------------------------------------------------- the save question's wait

// Yes to "Save changes?" begins a checked save. Cancel at the question that
// follows keeps the command from throwing the text away; Overwrite lets it go
// on once the upload is confirmed.
TEST_F(SaveConflictTest, CloseTabAfterYesGoesOnOnlyWhenTheChangeIsOverwritten) {
  ASSERT_NO_FATAL_FAILURE(StartAndConnect());
  TPage* page = Form.ActivePage();
  ASSERT_NO_FATAL_FAILURE(Open("page.txt"));
  Type(page, kTyped);
  ChangeKeepingItsListing("/www/page.txt", kOther);
  Form.NewAction->trigger();
  Form.Tabs->setCurrentIndex(0);
  ASSERT_EQ(Form.ActivePage(), page);
  Form.SaveAnswer = QMessageBox::Yes;

  for (const TAnswer answer : {TAnswer::Cancel, TAnswer::Overwrite}) {
    const bool overwrite = answer == TAnswer::Overwrite;
    SCOPED_TRACE(overwrite ? "Overwrite" : "Cancel");
    Form.Answers = {answer};
    Form.CloseTabAction->trigger();
    ASSERT_TRUE(Idle()) << Diagnostics();
    ASSERT_TRUE(WaitFor([&] { return !Form.UnsavedGuard().Waiting(); }));
    EXPECT_EQ(Form.PageCount(), overwrite ? 1 : 2);
    EXPECT_EQ(Server.ReadFile("/www/page.txt"), overwrite ? (kTyped.toUtf8() + kPage) : kOther);
    if (!overwrite) {
      EXPECT_EQ(Form.ActivePage(), page);
      EXPECT_FALSE(page->Saved());
      EXPECT_FALSE(page->Editor()->isReadOnly());
      EXPECT_TRUE(Form.Tabs->tabBar()->isEnabled());
    }
  }
  EXPECT_EQ(Form.Questions.size(), 2);
  EXPECT_TRUE(Reported.isEmpty()) << Diagnostics();
}

// Closing the window is held back the same way: the text that was not sent
// stays on screen, however long the answer takes.
TEST_F(SaveConflictTest, ClosingTheWindowAfterYesStopsWhenTheChangeIsKept) {
  ASSERT_NO_FATAL_FAILURE(StartAndConnect());
  TPage* page = Form.ActivePage();
  ASSERT_NO_FATAL_FAILURE(Open("page.txt"));
  Type(page, kTyped);
  ChangeKeepingItsListing("/www/page.txt", kOther);
  Form.SaveAnswer = QMessageBox::Yes;
  Form.SetUploadWaitLimit(200);
  Form.AnswerDelay = 700;
  Form.Answers = {TAnswer::OpenServerVersion};
  Form.close();
  ASSERT_TRUE(Idle()) << Diagnostics();
  ASSERT_TRUE(WaitFor([&] { return !Form.UnsavedGuard().Waiting(); }));
  EXPECT_TRUE(Form.isVisible());
  ASSERT_EQ(Form.PageCount(), 2);
  EXPECT_EQ(Form.Pages(0)->Editor()->text().toUtf8(), kTyped.toUtf8() + kPage);
  EXPECT_EQ(Form.Pages(1)->Editor()->text().toUtf8(), kOther);
  EXPECT_EQ(Server.ReadFile("/www/page.txt"), kOther);
  EXPECT_TRUE(Form.centralWidget()->isEnabled());

  Form.Answers = {TAnswer::Overwrite};
  Form.close();
  ASSERT_TRUE(WaitFor([&] { return !Form.isVisible(); })) << Diagnostics();
  EXPECT_EQ(Server.ReadFile("/www/page.txt"), kTyped.toUtf8() + kPage);
  EXPECT_TRUE(Reported.isEmpty()) << Diagnostics();
}

// ---------------------------------------------------------------- names psftp would read as
// patterns

// The check of a page that never saw its file must find exactly that name,
// never a look-alike that psftp's pattern would also match. Driven through
// the driver alone, the way the window does it.
TEST(SaveCheckNames, OnlyTheExactNameCountsWhateverItHolds) {
  TempHome home;
  TestServer server;
  const QStringList present{"axb", "a?b",           "a[1]", "x\\y",         "[",     "^",
                            "-",   "\u00e9t\u00e9", "q\"q", "my notes.txt", "d*ir/f"};
  for (const QString& name : present) server.WriteFile("/www/pat/" + name, "x\n");
  ASSERT_TRUE(server.Start());
  FakeDriverView view;
  TVirtualRedirector redirector;
  TConnectionDriver driver{view, redirector};
  RecordingListener checks;
  driver.SetTransferListener(&checks);
  view.Values.HostName = "127.0.0.1";
  view.Values.UserName = server.User().toUtf8();
  view.Values.Password = server.Password().toUtf8();
  view.Values.StartingDir = "/www/pat";
  view.Values.Port = server.Port();
  view.ConnectAction(driver);
  ASSERT_TRUE(WaitFor([&] { return !view.HostKeyRequests.empty(); }));
  driver.AnswerHostKey(THostKeyAnswer::Trust);
  ASSERT_TRUE(WaitFor([&] { return view.Page(0)->Dir() && !driver.Busy(); }))
      << view.DebugText.toStdString();

  const struct {
    QString Name;
    bool Exists;
  } cases[] = {
      {"axb", true},
      {"a*b", false},
      {"a?b", true},
      {"a1", false},
      {"a[1]", true},
      {"x\\y", true},
      {"xy", false},
      {"[", true},
      {"]", false},
      {"^", true},
      {"-", true},
      {"\u00e9t\u00e9", true},
      {"\u00e9", false},
      {"q\"q", true},
      {"my notes.txt", true},
      {"my  notes.txt", false},
      {"d*ir/f", true},
      {"d*ir/g", false},
  };
  FakePage* page = view.Page(0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name.toStdString());
    page->Document().RemotePath = ("/www/pat/" + c.Name).toUtf8();
    checks.Checks.clear();
    driver.Check(page, GetTempFolder() + "pat.txt");
    ASSERT_TRUE(WaitFor([&] { return !driver.Busy(); })) << view.DebugText.toStdString();
    ASSERT_EQ(checks.Checks.size(), 1u) << view.DebugText.toStdString();
    EXPECT_EQ(checks.Checks[0].Verdict,
              c.Exists ? TRemoteCheck::TVerdict::Exists : TRemoteCheck::TVerdict::Unchanged);
  }
  EXPECT_FALSE(view.DebugText.contains("wildcards")) << view.DebugText.toStdString();
  driver.Disconnect();
  WaitFor([&] { return !redirector.Running(); });
}

}  // namespace
