// What the window tells a person: the status bar's first panel shows its
// message whole with psftp's own line in its tooltip, and an error box puts
// plain words before psftp's line.
#include <QLabel>
#include <QStatusBar>
#include <QTest>
#include <QTextDocument>
#include <gtest/gtest.h>

#include "WaitFor.h"
#include "WindowTest.h"
#include "remote/session/ConnectionDriver.h"
#include "remote/session/PlainMessages.h"
#include "ui/MainWindow.h"

namespace {

class WindowMessagesTest : public WindowTest {
 protected:
  void SetUp() override {
    Form = std::make_unique<TScriptedForm>();
    Form->resize(800, 500);
    ASSERT_TRUE(ShowAndWait(*Form));
  }

  QLabel* Panel(int Index) {
    return Form->statusBar()->findChild<QLabel*>(QString(Index == 0   ? "MessagePanel"
                                                         : Index == 1 ? "FolderPanel"
                                                                      : "SparePanel"));
  }
  // The tooltip as it is shown: one that reads as markup is shown rendered.
  static QString ShownToolTip(const QLabel* Label) {
    const QString tip = Label->toolTip();
    if (!Qt::mightBeRichText(tip)) return tip;
    QTextDocument document;
    document.setHtml(tip);
    return document.toPlainText();
  }

  std::unique_ptr<TScriptedForm> Form;
};

TEST_F(WindowMessagesTest, FirstPanelGrowsToItsWholeTextButNeverWidensTheWindow) {
  const int windowWidth = Form->width();
  struct Case {
    const char* name;
    QString text;
    bool fits;  // in a window of this width
  } cases[] = {
      {"short", "Connected", true},
      {"a refusal", "No such file or directory: a folder with a rather long name of its own", true},
      {"longer than the window", QString(400, 'x'), false},
      {"short again", "Not connected", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Form->SetStatus(c.text, 0);
    QLabel* panel = Panel(0);
    EXPECT_EQ(panel->text(), c.text);
    if (c.fits) {
      const int whole = qMax(100, panel->sizeHint().width());
      ASSERT_TRUE(WaitFor([&] { return panel->width() == whole; }, 2000))
          << panel->width() << " wide, the text needs " << whole;
    } else {
      WaitFor([] { return false; }, 200);
      EXPECT_GE(panel->width(), 100);
    }
    EXPECT_EQ(Panel(1)->width(), 200);
    EXPECT_EQ(Panel(2)->width(), 50);
    EXPECT_EQ(Form->width(), windowWidth);
  }
}

TEST_F(WindowMessagesTest, ToolTipHoldsPsftpsLineOrElseTheWholeText) {
  struct Case {
    QString line;     // psftp's line; empty for a message of the driver's own
    QString text;     // what the panel shows
    QString toolTip;  // as shown
  } cases[] = {
      {"/www/my notes.txt: open for write: permission denied", "Permission denied: my notes.txt",
       "/www/my notes.txt: open for write: permission denied"},
      {"", "Connected", "Connected"},
      // A server names its files as it likes; none of it is taken for markup.
      {"/www/<img src=x>.txt: open for read: permission denied",
       "Permission denied: <img src=x>.txt",
       "/www/<img src=x>.txt: open for read: permission denied"},
      {"", "Saved &lt;b&gt;", "Saved &lt;b&gt;"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.toStdString());
    const QString shown = c.line.isEmpty() ? c.text : TPlainMessages::Refusal(c.line);
    EXPECT_EQ(shown, c.text);
    Form->SetStatus(shown, 0, c.line);
    EXPECT_EQ(Form->StatusText(0), c.text);
    EXPECT_EQ(Panel(0)->textFormat(), Qt::PlainText);
    EXPECT_EQ(ShownToolTip(Panel(0)), c.toolTip);
  }
  EXPECT_TRUE(Reported.isEmpty()) << Reported.join("; ").toStdString();
}

// The window shows a fatal error's plain words first and psftp's line below them.
TEST_F(WindowMessagesTest, FatalErrorShowsPlainWordsThenPsftpsLine) {
  Form->Driver().VirtualRedirectorErrorInput(nullptr, "FATAL ERROR: Server refused our key\n");
  Form->Inform("The connection to example.org was lost.", "FATAL ERROR: Connection reset by peer");
  EXPECT_EQ(Form->Errors,
            (QStringList{"Server refused our key\n\nFATAL ERROR: Server refused our key",
                         "The connection to example.org was lost.\n\n"
                         "FATAL ERROR: Connection reset by peer"}));
}

}  // namespace
