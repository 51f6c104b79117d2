// What a folder entered for a page carries out once the page shows its
// listing (a link's file is opened then): it runs after the listing, for
// that page, and never when psftp refused the folder or the page has gone.
#include <gtest/gtest.h>
#include <utility>
#include <vector>

#include "FakeDriverView.h"
#include "TempHome.h"
#include "remote/listing/Dir.h"
#include "remote/session/ConnectionDriver.h"

namespace {

const QByteArray kLogin = "Connected to 127.0.0.1\nRemote working directory is /\npsftp> ";
const QByteArray kLsHeader = "Listing directory ";
const QByteArray kEntries =
    "drwxr-xr-x    3 root     root         4096 Dec 10 00:10 .\n"
    "-rw-r--r--    1 tester   root            6 Dec 10 00:10 a b.txt\n"
    "psftp> ";

class FolderListedTest : public ::testing::Test {
 protected:
  void Feed(const QByteArray& Piece) {
    driver.VirtualRedirectorInput(&redirector, redirector.Answered(Piece));
  }
  // psftp's answers to "cd" into Dir and its "ls".
  void Enter(const QByteArray& Dir) {
    Feed("Remote directory is now " + Dir + "\npsftp> ");
    Feed(kLsHeader + Dir + "\n" + kEntries);
  }
  IConversation::TListed Record() {
    return [this](IPage* Page, TDir* Dir) { calls.emplace_back(Page, Dir->Name()); };
  }

  TempHome home;
  FakeDriverView view;
  RecordingRedirector redirector;
  TConnectionDriver driver{view, redirector};
  std::vector<std::pair<IPage*, QString>> calls;
};

TEST_F(FolderListedTest, RunsOnceThePageShowsItsListingAndNeverAfterARefusal) {
  view.Values.HostName = "127.0.0.1";
  view.Values.UserName = "tester";
  view.Values.Password = "secret";
  view.Values.StartingDir = "/100% sure";
  IPage* page = view.ActivePage();
  driver.Connect(view.Values, page, Record());
  driver.StartConversation();
  Feed(kLogin);
  EXPECT_EQ(redirector.Written.last(), "cd \"/100% sure\"");
  Feed("Remote directory is now /100% sure\npsftp> ");
  EXPECT_TRUE(calls.empty());  // not before the listing is shown
  Feed(kLsHeader + "/100% sure\n" + kEntries);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0], std::make_pair(page, QString("/100% sure")));
  EXPECT_TRUE(view.Page(0)->Items.contains("a b.txt"));

  driver.OpenFolder(page, "/nope", Record());
  EXPECT_EQ(redirector.Written.last(), "cd \"/nope\"");
  Feed("Directory /nope: no such file or directory\npsftp> ");
  EXPECT_EQ(calls.size(), 1u);
  EXPECT_FALSE(driver.Busy());

  // A relative folder is psftp's to resolve; the listing names it whole.
  driver.OpenFolder(page, "sub dir", Record());
  Enter("/100% sure/sub dir");
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1].second, "/100% sure/sub dir");

  // The page closed while its folder was entered: nothing reaches it.
  driver.OpenFolder(page, "/", Record());
  driver.PageClosing(page);
  Enter("/");
  EXPECT_EQ(calls.size(), 2u);
}

}  // namespace
