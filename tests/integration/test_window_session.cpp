// The whole window against the loopback SFTP server: connect through the
// host-key dialog, open, edit, save, and close while an upload is on its way.
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <Qsci/qsciscintilla.h>
#include <gtest/gtest.h>

#include "ServerWindowTest.h"
#include "WaitFor.h"
#include "process/VirtualRedirector.h"
#include "remote/session/ConnectionDriver.h"
#include "ui/EditFrame.h"
#include "ui/HostKeyDialog.h"
#include "ui/MainWindow.h"

namespace {

// The connect dialog gives the server's login; Yes to the save question.
class WindowSessionTest : public ServerWindowTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Server.Start());
    Form.ConnectValues = LoginValues();
    Form.SaveAnswer = QMessageBox::Yes;
    Form.ConfirmAnswer = true;
    ASSERT_TRUE(ShowAndWait(Form));
  }
};

TEST_F(WindowSessionTest, ConnectOpenEditSaveAndCloseWhileUploading) {
  Form.ConnectAction->trigger();
  EXPECT_EQ(Form.StatusText(0), "Connecting...");
  THostKeyDialog* question = Form.HostKeyDialog();
  ASSERT_TRUE(WaitFor([&] { return question->isVisible(); })) << Diagnostics();
  EXPECT_TRUE(question->DetailsLabel()->text().contains("127.0.0.1"));
  question->TrustButton()->click();

  ASSERT_TRUE(Listed("index.html")) << Diagnostics();
  EXPECT_EQ(Form.StatusText(0), "Connected");
  EXPECT_EQ(Form.StatusText(1), "/www");
  EXPECT_EQ(Form.windowTitle(), "Quillery - 127.0.0.1");
  EXPECT_EQ(Form.ConnectAction->text(), "&Disconnect");
  EXPECT_TRUE(Form.NewAction->isEnabled());
  EXPECT_TRUE(Form.ActivePage()->Frame()->NotConnectedPanel()->isHidden());

  TPage* page = Form.ActivePage();
  DoubleClick("notes.txt");
  ASSERT_TRUE(WaitFor([&] { return page->Caption() == "notes.txt"; })) << Diagnostics();
  EXPECT_EQ(page->Editor()->text().toUtf8(), Server.ReadFile("/www/notes.txt"));
  EXPECT_TRUE(page->Saved());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  page->Editor()->setCursorPosition(0, 0);
  QTest::keyClicks(page->Editor(), "saved ");
  EXPECT_TRUE(Form.SaveAction->isEnabled());
  Form.SaveAction->trigger();
  ASSERT_TRUE(WaitFor([&] { return page->Saved(); })) << Diagnostics();
  EXPECT_EQ(Form.StatusText(0), "Saved");
  EXPECT_TRUE(Server.ReadFile("/www/notes.txt").startsWith("saved "));
  // The upload's result is followed by a listing; let it finish first.
  ASSERT_TRUE(WaitFor([&] { return !Form.Driver().Busy(); })) << Diagnostics();

  // Closing with a change: Yes sends the upload and the window waits for it.
  QTest::keyClicks(page->Editor(), "again ");
  EXPECT_FALSE(Form.close());
  ASSERT_TRUE(WaitFor([&] { return !Form.isVisible(); })) << Diagnostics();
  EXPECT_TRUE(Server.ReadFile("/www/notes.txt").startsWith("saved again "));
  EXPECT_TRUE(Reported.isEmpty()) << Diagnostics();
}

// A refusal of a file with a long name: the panel shows the cause and the
// whole name, its tooltip psftp's own line.
TEST_F(WindowSessionTest, RefusalShowsTheCauseAndTheWholeNameWithPsftpsLineAsTooltip) {
  const QString name = "a file whose name is far too long for a narrow status panel.txt";
  Server.Stop();  // a refusal is set before the server starts
  Server.Deny("/www/a file whose*");
  ASSERT_TRUE(Server.Start());
  Server.WriteFile("/www/" + name, "hidden\n");
  Form.ConnectValues->Port = Server.Port();
  Form.ConnectAction->trigger();
  ASSERT_NO_FATAL_FAILURE(TrustHostKey());
  ASSERT_TRUE(Listed(name)) << Diagnostics();

  DoubleClick(name);
  ASSERT_TRUE(WaitFor([&] { return Form.StatusText(0) != "Connected"; })) << Diagnostics();
  EXPECT_EQ(Form.StatusText(0), "Permission denied: " + name);
  QLabel* panel = Form.findChild<QLabel*>("MessagePanel");
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->toolTip(), "/www/" + name + ": open for read: permission denied");
  EXPECT_TRUE(WaitFor([&] { return panel->width() >= panel->sizeHint().width(); }, 2000))
      << panel->width() << " wide, the text needs " << panel->sizeHint().width();
  EXPECT_TRUE(Form.Errors.isEmpty()) << Diagnostics();
  EXPECT_TRUE(Reported.isEmpty()) << Diagnostics();
}

TEST_F(WindowSessionTest, RejectedPasswordIsShownInPlainWords) {
  Form.ConnectValues->Password = "wrong";
  Form.ConnectAction->trigger();
  ASSERT_NO_FATAL_FAILURE(TrustHostKey());
  ASSERT_TRUE(WaitFor([&] { return !Form.Errors.isEmpty(); }, 20000)) << Diagnostics();
  EXPECT_EQ(Form.Errors, QStringList{"The server did not accept the password for " + Server.User() +
                                     " on 127.0.0.1.\n\n"
                                     "FATAL ERROR: Configured password was not accepted"});
  ASSERT_TRUE(WaitFor([&] { return Form.StatusText(0) == "Not connected"; })) << Diagnostics();
}

}  // namespace
