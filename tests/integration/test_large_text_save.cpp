// A large file opened from the loopback server through the real psftp goes
// into its page over several turns of the event loop, and its save writes
// the local copy on a worker before the upload: the server gets the text as
// it was when the save began, text typed while the copy is written stays
// unsaved, and a copy that cannot be written is reported, keeping the text.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QTabWidget>
#include <QTest>
#include <Qsci/qsciscintilla.h>
#include <gtest/gtest.h>

#include "ServerWindowTest.h"
#include "WaitFor.h"
#include "remote/session/ConnectionDriver.h"
#include "ui/MainWindow.h"

namespace {

// Larger than a page loads at once, with a three-byte character and a CR LF
// falling across the slices' boundaries.
const QByteArray kLine = "caf\xE2\x82\xAC line of the large file\r\n";
const QByteArray kText = kLine.repeated(int(TPage::AtOnceLimit / kLine.size()) + 20000);

class LargeTextSaveTest : public ServerWindowTest {
 protected:
  void SetUp() override {
    Server.WriteFile("/www/large.txt", kText);
    ASSERT_TRUE(Server.Start());
    Form.ConnectValues = LoginValues();
    ASSERT_TRUE(ShowAndWait(Form));
    Form.ConnectAction->trigger();
    ASSERT_NO_FATAL_FAILURE(TrustHostKey());
    ASSERT_TRUE(Listed("large.txt")) << Diagnostics();
    DoubleClick("large.txt");
    Page = Form.ActivePage();
    ASSERT_TRUE(WaitFor([&] { return Page->Caption() == "large.txt" && Page->Loading(); }, 30000))
        << Diagnostics();
    ASSERT_TRUE(WaitFor([&] { return !Page->Loading() && !Form.Driver().Busy(); }, 30000))
        << Diagnostics();
    ASSERT_TRUE(Text() == kText);
    ASSERT_FALSE(Page->Editor()->isReadOnly());
    Page->Editor()->setCursorPosition(0, 0);
    QTest::keyClicks(Page->Editor(), "mine ");
    ASSERT_FALSE(Page->Saved());
  }
  QByteArray Text() const {
    QsciScintilla* edit = Page->Editor();
    const long length = edit->SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
    return QByteArray(reinterpret_cast<const char*>(
                          edit->SendScintilla(QsciScintillaBase::SCI_GETCHARACTERPOINTER)),
                      length);
  }
  bool SaveDone() { return !Form.Driver().Saving(Page) && !Form.Driver().Busy(); }

  TPage* Page = nullptr;
};

// The key is typed the moment the copy has been taken from the editor and
// goes to the worker, which the status bar shows.
TEST_F(LargeTextSaveTest, TypingWhileTheCopyIsWrittenLeavesThePageUnsaved) {
  bool typed = false;
  Page->SetProgressShown([&](const QString& Shown) {
    if (typed || !Shown.startsWith("Saving large.txt\u2026")) return;
    typed = true;
    QTest::keyClick(Page->Editor(), Qt::Key_Z);
  });
  Form.SaveAction->trigger();
  ASSERT_TRUE(WaitFor([&] { return typed && SaveDone(); }, 30000)) << Diagnostics();
  EXPECT_TRUE(Server.ReadFile("/www/large.txt") == "mine " + kText) << Diagnostics();
  EXPECT_TRUE(Text() == "mine z" + kText);
  EXPECT_FALSE(Page->Saved());
  EXPECT_TRUE(Form.Tabs->tabText(0).endsWith("\u2022"));
  EXPECT_TRUE(Reported.isEmpty()) << Reported.join("\n").toStdString();

  // The next save sends the rest, and the page is saved.
  Form.SaveAction->trigger();
  ASSERT_TRUE(WaitFor([&] { return Page->Saved() && SaveDone(); }, 30000)) << Diagnostics();
  EXPECT_TRUE(Server.ReadFile("/www/large.txt") == "mine z" + kText);
}

// The page's folder replaced by a file: the copy cannot be made there, even
// by root. Nothing is sent, and the text stays, unsaved.
TEST_F(LargeTextSaveTest, ACopyThatCannotBeWrittenIsReportedAndKeepsTheText) {
  const QString folder = Page->Document().LocalFolder;
  ASSERT_FALSE(folder.isEmpty());
  ASSERT_TRUE(QDir(folder).removeRecursively());
  QFile blocker(QDir::cleanPath(folder));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  Form.SaveAction->trigger();
  ASSERT_TRUE(WaitFor([&] { return !Reported.isEmpty() && SaveDone(); }, 30000)) << Diagnostics();
  EXPECT_EQ(Reported.size(), 1) << Reported.join("\n").toStdString();
  EXPECT_TRUE(Reported.value(0).contains("large.txt")) << Reported.join("\n").toStdString();
  EXPECT_TRUE(Server.ReadFile("/www/large.txt") == kText);
  EXPECT_TRUE(Text() == "mine " + kText);
  EXPECT_FALSE(Page->Saved());
}

// The window's close, told to save, waits for the copy to be written as
// well as for its upload, before the page goes.
TEST_F(LargeTextSaveTest, TheWindowClosedWithSaveWaitsForTheCopyAndItsUpload) {
  Form.SaveAnswers = {QMessageBox::Yes};
  EXPECT_FALSE(Form.close());
  ASSERT_TRUE(WaitFor([&] { return !Form.isVisible(); }, 60000)) << Diagnostics();
  EXPECT_TRUE(Server.ReadFile("/www/large.txt") == "mine " + kText) << Diagnostics();
  EXPECT_TRUE(Reported.isEmpty()) << Reported.join("\n").toStdString();
}

}  // namespace
