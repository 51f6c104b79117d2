// A server that tries to steer the conversation with psftp: its banner reads
// like psftp's questions, and its listings hold psftp's prompt. The real
// psftp against the loopback server.
#include <QTest>
#include <gtest/gtest.h>

#include "DriverSessionTest.h"
#include "WaitFor.h"

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

}  // namespace
