// The check before a save of a large file whose listing cannot tell that it
// is unchanged (changed in the last two days): a listed size other than that
// of the bytes the page saw is a change for certain, asked about without a
// download; an equal size proves nothing, and the bytes decide. The real
// psftp against the loopback server, through the driver and the editing
// controller.
#include <gtest/gtest.h>

#include "DriverSessionTest.h"
#include "WaitFor.h"

namespace {

const qsizetype kSize = 200 * 1024;

class SaveCheckSizeTest : public DriverSessionTest {
 protected:
  // An editing controller that opens the server's version in a new page
  // (the fixture's own has no pages to make); it hears the driver from now on.
  TRemoteEditor::THooks Hooks() {
    TRemoteEditor::THooks hooks;
    hooks.NewPage = [this]() -> IPage* { return view.AddPage(); };
    return hooks;
  }
  TRemoteEditor editor{driver, prompts, Hooks()};

  FakePage* Page() { return view.Page(0); }
  void OpenLarge() {
    server.WriteFile("/www/large.txt", QByteArray(kSize, 'a'));
    Connect();
    Open(Page(), "large.txt");
    ASSERT_EQ(Page()->Text.size(), kSize);
  }
  // Ctrl+S after typing; the commands written meanwhile.
  QStringList Save() {
    const qsizetype mark = view.DebugText.size();
    Page()->Type("typed ");
    Page()->SetSaved(false);
    editor.Save(Page());
    EXPECT_TRUE(WaitFor([&] { return !driver.Busy() && !editor.Asking(); }, 30000))
        << view.DebugText.toStdString();
    QStringList commands;
    for (const QString& line : view.DebugText.mid(mark).split("\r\n")) {
      const QString command = line.mid(line.lastIndexOf('\n') + 1);
      if (!command.isEmpty() && !command.startsWith("lcd ")) commands << command.section(' ', 0, 0);
    }
    return commands;
  }
};

TEST_F(SaveCheckSizeTest, EachWayTheServerMayHoldTheFileIsToldForCertain) {
  struct TCase {
    const char* What;
    QByteArray OnServer;  // written there after the page opened it; empty: untouched
    QStringList Commands;
    bool Asked;
  };
  const QByteArray same(kSize, 'a');
  const TCase cases[] = {
      {"untouched: the bytes are compared, then it is saved",
       QByteArray(),
       {"ls", "get", "put", "chmod", "mv", "mv", "rm", "ls"},
       false},
      {"another size: asked about without a download", QByteArray(kSize / 2, 'b'), {"ls"}, true},
      {"the same size, other bytes: the bytes show it",
       QByteArray(kSize, 'c'),
       {"ls", "get"},
       true},
      {"the same bytes written again: saved", same, {"ls", "get", "put"}, false},
  };
  ASSERT_NO_FATAL_FAILURE(OpenLarge());
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    // Each case begins with the page opened afresh.
    server.WriteFile("/www/large.txt", same);
    ASSERT_NO_FATAL_FAILURE(Open(Page(), "large.txt"));
    if (!c.OnServer.isEmpty()) server.WriteFile("/www/large.txt", c.OnServer);
    const QByteArray before = server.ReadFile("/www/large.txt");
    const int questions = int(prompts.Choices.size());
    prompts.ChoiceAnswers = {"Cancel"};
    const QStringList commands = Save();
    EXPECT_EQ(commands.mid(0, c.Commands.size()), c.Commands) << commands.join(" ").toStdString();
    EXPECT_EQ(int(prompts.Choices.size()) - questions, c.Asked ? 1 : 0);
    if (c.Asked) {
      EXPECT_EQ(server.ReadFile("/www/large.txt"), before);
      EXPECT_EQ(prompts.Offered.back(),
                (QStringList{"Overwrite", "Open server version", "Cancel"}));
    } else {
      EXPECT_EQ(server.ReadFile("/www/large.txt"), Page()->Text);
    }
  }
  EXPECT_TRUE(reported.isEmpty()) << reported.join("; ").toStdString();
}

// The check fetched nothing: the server's version is downloaded when asked
// for, into a page of its own.
TEST_F(SaveCheckSizeTest, TheServerVersionOfAFileOfAnotherSizeIsFetchedWhenAskedFor) {
  ASSERT_NO_FATAL_FAILURE(OpenLarge());
  const QByteArray theirs(kSize / 2, 'b');
  server.WriteFile("/www/large.txt", theirs);
  prompts.ChoiceAnswers = {"Open server version"};
  const QStringList commands = Save();
  EXPECT_EQ(commands, (QStringList{"ls", "get"}));
  ASSERT_EQ(view.PageCount(), 2);
  EXPECT_EQ(view.Page(1)->Text, theirs);
  EXPECT_EQ(view.Page(1)->Document().RemotePath, "/www/large.txt");
  EXPECT_TRUE(view.Page(1)->Document().OnServer);
  EXPECT_FALSE(Page()->Saved());
  EXPECT_EQ(server.ReadFile("/www/large.txt"), theirs);
  EXPECT_TRUE(reported.isEmpty()) << reported.join("; ").toStdString();
}

}  // namespace
