// Closing the window ends psftp, which would cut a running upload off and
// leave the server's file short. With the loopback server holding the
// upload, the window asks, and each answer keeps the text somewhere whole.
#include <QAction>
#include <QTest>
#include <Qsci/qsciscintilla.h>
#include <gtest/gtest.h>

#include "ServerWindowTest.h"
#include "WaitFor.h"
#include "remote/editing/UnsavedGuard.h"
#include "remote/session/ConnectionDriver.h"
#include "ui/MainWindow.h"

namespace {

class CloseDuringUploadTest : public ServerWindowTest {
 protected:
  // notes.txt open and typed into, its save held before any byte of the
  // new copy (written beside the file, then swapped in) is written.
  void SetUp() override {
    Server.HoldWriteAfter("/www/.notes.txt.quillery-*", 0);
    ASSERT_TRUE(Server.Start());
    Form.ConnectValues = LoginValues();
    ASSERT_TRUE(ShowAndWait(Form));
    Form.ConnectAction->trigger();
    ASSERT_NO_FATAL_FAILURE(TrustHostKey());
    ASSERT_TRUE(Listed("notes.txt")) << Diagnostics();
    DoubleClick("notes.txt");
    Page = Form.ActivePage();
    ASSERT_TRUE(WaitFor([&] { return Page->Caption() == "notes.txt"; })) << Diagnostics();
    ASSERT_TRUE(WaitFor([&] { return !Form.Driver().Busy(); })) << Diagnostics();
    Page->Editor()->setCursorPosition(0, 0);
    QTest::keyClicks(Page->Editor(), "mine ");
    Form.SaveAction->trigger();
    ASSERT_TRUE(Server.WaitUntilHeld()) << Diagnostics();
  }
  QByteArray Text() const { return Page->Editor()->text().toUtf8(); }

  TPage* Page = nullptr;
};

TEST_F(CloseDuringUploadTest, WaitClosesOnceTheUploadIsDone) {
  Form.ChoiceAnswers = {"Wait"};
  EXPECT_FALSE(Form.close());
  EXPECT_EQ(Form.Choices, QStringList{"/www/notes.txt is still being saved."});
  QTest::qWait(300);
  EXPECT_TRUE(Form.isVisible());
  EXPECT_TRUE(Form.VirtualRedirector().Running());
  Server.ReleaseHeld();
  ASSERT_TRUE(WaitFor([&] { return !Form.isVisible(); }, 15000)) << Diagnostics();
  EXPECT_EQ(Server.ReadFile("/www/notes.txt"), Text());
  EXPECT_TRUE(Form.SaveQuestions.isEmpty());
}

// Asked again while it waits, the close can still stop the save; the window
// then stays open with the text unsaved, and says what the server may hold.
TEST_F(CloseDuringUploadTest, StopKeepsTheWindowOpenWithTheTextUnsaved) {
  for (const bool whileWaiting : {false, true}) {
    SCOPED_TRACE(whileWaiting ? "stopped while the close waits" : "stopped at once");
    if (whileWaiting) {
      ASSERT_TRUE(Form.VirtualRedirector().Running());
      Form.ChoiceAnswers = {"Wait"};
      EXPECT_FALSE(Form.close());
    }
    Form.ChoiceAnswers = {"Stop the save"};
    EXPECT_FALSE(Form.close());
    ASSERT_TRUE(WaitFor([&] { return !Form.VirtualRedirector().Running(); })) << Diagnostics();
    ASSERT_TRUE(WaitFor([&] { return !Form.UnsavedGuard().Waiting(); }));
    EXPECT_TRUE(Form.isVisible());
    EXPECT_FALSE(Page->Saved());
    ASSERT_EQ(Form.Errors.size(), 1);
    EXPECT_TRUE(Form.Errors[0].startsWith("The save of /www/notes.txt was stopped."))
        << Form.Errors[0].toStdString();
    EXPECT_TRUE(Form.SaveQuestions.isEmpty());
    Form.Errors.clear();
    if (whileWaiting) break;
    // Connect again and start the same held save, for the second case.
    Form.ConnectAction->trigger();  // the key is trusted already
    ASSERT_TRUE(WaitFor([&] { return Form.Driver().Connected() && !Form.Driver().Busy(); }))
        << Diagnostics();
    // The stopped save wrote only beside the file: the server's copy is the
    // one the page was opened from, so the save goes out with no question.
    EXPECT_EQ(Server.ReadFile("/www/notes.txt"), "first line\nsecond line\n") << Diagnostics();
    const int asked = Form.Choices.size();
    Form.SaveAction->trigger();
    ASSERT_TRUE(WaitFor([&] { return Form.Driver().UploadPending(); }));
    QTest::qWait(200);  // the hold goes on: the release file was never made
    EXPECT_EQ(Form.Choices.size(), asked);
  }
  // The text is the user's to let go.
  Form.SaveAnswers = {QMessageBox::No};
  EXPECT_TRUE(Form.close());
}

}  // namespace
