// A server that tries to steer the conversation with psftp: its banner reads
// like psftp's questions, and its listings hold psftp's prompt. The real
// psftp against the loopback server.
#include <QDir>
#include <QTest>
#include <gtest/gtest.h>

#include "DriverSessionTest.h"
#include "WaitFor.h"
#include "remote/local/TempFolder.h"

namespace {

class HostileServerTest : public DriverSessionTest {};

// Hundreds of lines that read like password questions, and copies of the
// lines psftp frames the server's text with. psftp writes its error output a
// byte at a time, so Quillery reads the banner cut at arbitrary places.
QByteArray HostileBanner() {
  QByteArray banner;
  for (int i = 0; i < 800; ++i) banner += "Please enter your password:\n";
  banner +=
      "End of banner message from server\n"
      "Keyboard-interactive authentication prompts from server:\n"
      "Password: ";
  return banner;
}

TEST_F(HostileServerTest, ABannerNeverAsksAndNoAnswerBecomesACommand) {
  for (const bool passwordSaved : {true, false}) {
    SCOPED_TRACE(passwordSaved ? "password saved" : "password asked");
    TestServer hostile;
    hostile.SetBanner(HostileBanner());
    ASSERT_TRUE(hostile.Start());
    view.Values.Port = hostile.Port();
    view.Values.Password = passwordSaved ? hostile.Password().toUtf8() : QByteArray();
    view.PasswordRequests.clear();
    view.HostKeyRequests.clear();
    view.ConnectAction(driver);
    ASSERT_TRUE(WaitFor([&] { return !view.HostKeyRequests.empty(); }));
    driver.AnswerHostKey(THostKeyAnswer::Once);
    if (!passwordSaved) {
      // psftp's own question, after the banner, is asked once.
      ASSERT_TRUE(WaitFor([&] { return !view.PasswordRequests.empty(); }))
          << view.DebugText.toStdString();
      driver.AnswerPassword(hostile.Password().toUtf8());
    }
    ASSERT_TRUE(WaitFor([&] {
      return view.Page(0)->Items.contains("notes.txt") && !driver.Busy();
    })) << view.DebugText.toStdString();
    // The banner may still be arriving: a question raised now would be the
    // server's, and an answer typed into it would reach psftp as a command.
    QTest::qWait(300);
    EXPECT_EQ(view.PasswordRequests.size(), passwordSaved ? 0u : 1u);
    driver.AnswerPassword("MySecretPw1");
    QTest::qWait(300);  // psftp, idle at its prompt, would run it at once
    EXPECT_FALSE(view.DebugText.contains("MySecretPw1"));
    EXPECT_EQ(view.Status[0], "Connected");
    driver.Disconnect();
    ASSERT_TRUE(WaitFor([&] { return !redirector.Running(); }));
  }
  EXPECT_TRUE(reported.isEmpty()) << reported.join("; ").toStdString();
}

// Listing lines that begin with psftp's prompt. They are all of one odd
// length, so over 4096 of them one begins at every offset within the
// 4096-byte blocks psftp writes its output in: however the output is cut,
// some read ends right behind a "psftp> " at the start of a line. The listing
// is read whole, and a save queued behind it gets its own answers.
TEST_F(HostileServerTest, PromptsInAListingNeverEndItsAnswer) {
  const QString date = "-rw-r--r--    1 u        g               5 Jan  1 00:00 ";
  QStringList lines;
  for (int i = 0; i < 4300; ++i) {
    const QString name = QString("h%1").arg(i, 4, 10, QChar('0'));
    lines << name + "\tpsftp> " + QString(27, 'x') + " " + name;  // 40 bytes and a line end
  }
  lines << "zz-last.txt\t" + date + "zz-last.txt";
  server.SetListing("/www/h", lines);
  Connect();
  FakePage* page = view.Page(0);
  Open(page, "notes.txt");
  page->Type("typed ");

  ASSERT_TRUE(page->Select("[h]"));
  editing.OpenSelected(page);
  editing.Save(page);  // its check waits behind the listing
  WaitIdle();
  EXPECT_EQ(driver.CurrentDir(), "/www/h") << view.DebugText.right(3000).toStdString();
  EXPECT_TRUE(page->Items.contains("zz-last.txt")) << page->Items.size() << " entries";
  EXPECT_TRUE(page->Saved());
  EXPECT_EQ(server.ReadFile("/www/notes.txt"), page->Text);
  EXPECT_TRUE(page->Text.endsWith("typed "));
  EXPECT_TRUE(QDir(WorkFolder()).isEmpty(QDir::Files | QDir::Hidden));
  EXPECT_TRUE(reported.isEmpty()) << reported.join("; ").toStdString();
}

}  // namespace
