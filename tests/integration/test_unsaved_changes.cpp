// Commands that would throw away a page's unsaved text (Close Tab, a
// double-click on a listed file, File > Open) ask first. With the real
// psftp and the loopback SFTP server each answer has its real effect on the
// tabs, the editor and the file on the server; with the upload's progress
// faked, the wait after Yes is held open to see what it keeps still.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <Qsci/qsciscintilla.h>
#include <functional>
#include <gtest/gtest.h>

#include "ScriptedPrompts.h"
#include "ServerWindowTest.h"
#include "WaitFor.h"
#include "remote/editing/UnsavedGuard.h"
#include "remote/session/ConnectionDriver.h"
#include "ui/EditFrame.h"
#include "ui/MainWindow.h"

namespace {

const QByteArray kNotes = "first line\nsecond line\n";
const QByteArray kIndex = "<html><body>Caf&eacute; &amp; more</body></html>\n";
const QByteArray kLocal = "a local file\n";
const QString kTyped = "edited ";

enum class TCommand { CloseTab, OpenListedFile, OpenLocalFile, EnterFolder };

struct TCase {
  const char* Name;
  TCommand Command;
  QMessageBox::StandardButton Answer;
  // The page is a new one saved under a name the server refuses, rather
  // than notes.txt opened from the server.
  bool Refused;
  bool Asked;
  bool GoesOn;
  bool Uploaded;  // the typed text reached the server
};

const TCase kCases[] = {
    {"CloseTabYes", TCommand::CloseTab, QMessageBox::Yes, false, true, true, true},
    {"CloseTabYesRefused", TCommand::CloseTab, QMessageBox::Yes, true, true, false, false},
    {"CloseTabNo", TCommand::CloseTab, QMessageBox::No, false, true, true, false},
    {"CloseTabCancel", TCommand::CloseTab, QMessageBox::Cancel, false, true, false, false},
    {"OpenListedFileYes", TCommand::OpenListedFile, QMessageBox::Yes, false, true, true, true},
    {"OpenListedFileYesRefused", TCommand::OpenListedFile, QMessageBox::Yes, true, true, false,
     false},
    {"OpenListedFileNo", TCommand::OpenListedFile, QMessageBox::No, false, true, true, false},
    {"OpenListedFileCancel", TCommand::OpenListedFile, QMessageBox::Cancel, false, true, false,
     false},
    {"OpenLocalFileYes", TCommand::OpenLocalFile, QMessageBox::Yes, false, true, true, true},
    {"OpenLocalFileYesRefused", TCommand::OpenLocalFile, QMessageBox::Yes, true, true, false,
     false},
    {"OpenLocalFileNo", TCommand::OpenLocalFile, QMessageBox::No, false, true, true, false},
    {"OpenLocalFileCancel", TCommand::OpenLocalFile, QMessageBox::Cancel, false, true, false,
     false},
    // Entering a folder replaces no text: nothing to ask.
    {"EnterFolder", TCommand::EnterFolder, QMessageBox::Cancel, false, false, true, false},
};

void PrintTo(const TCase& Case, std::ostream* Out) { *Out << Case.Name; }

// Connected to the server through the connect dialog's login, /www listed.
class UnsavedChangesTest : public ServerWindowTest, public ::testing::WithParamInterface<TCase> {
 protected:
  void SetUp() override {
    Server.Deny("/www/locked.txt");
    ASSERT_TRUE(Server.Start());
    Form.ConnectValues = LoginValues();
    Form.ConfirmAnswer = true;
    ASSERT_TRUE(ShowAndWait(Form));
    Form.ConnectAction->trigger();
    ASSERT_NO_FATAL_FAILURE(TrustHostKey());
    ASSERT_TRUE(Listed("index.html")) << Diagnostics();
    ASSERT_TRUE(NotDownloading()) << Diagnostics();
  }

  bool NotDownloading() {
    return WaitFor([&] { return !Form.Driver().Downloading(); });
  }
  void Type(TPage* Page, const QString& Text) {
    Page->Editor()->setCursorPosition(0, 0);
    QTest::keyClicks(Page->Editor(), Text);
  }
};

TEST_P(UnsavedChangesTest, AsksAndEachAnswerHasItsEffect) {
  const TCase& c = GetParam();
  TPage* page = Form.ActivePage();
  if (c.Refused) {
    Form.SaveAsName = "locked.txt";
  } else {
    DoubleClick("notes.txt");
    ASSERT_TRUE(WaitFor([&] { return page->Caption() == "notes.txt"; })) << Diagnostics();
    ASSERT_TRUE(NotDownloading()) << Diagnostics();
  }
  const QString caption = page->Caption();
  Type(page, kTyped);
  const QString typed = page->Editor()->text();
  ASSERT_FALSE(page->Saved());
  Form.SaveAnswer = c.Answer;

  TPage* other = nullptr;
  switch (c.Command) {
    case TCommand::CloseTab: {
      Form.NewAction->trigger();
      other = Form.ActivePage();
      ClickTab(Form, 0);
      ASSERT_EQ(Form.ActivePage(), page);
      Form.CloseTabAction->trigger();
      break;
    }
    case TCommand::OpenListedFile:
      ASSERT_NO_FATAL_FAILURE(DoubleClick("index.html"));
      break;
    case TCommand::OpenLocalFile: {
      Form.OpenAnswer = Home.Path() + "/local.txt";
      QFile file(Form.OpenAnswer);
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      file.write(kLocal);
      file.close();
      Form.OpenAction->trigger();
      break;
    }
    case TCommand::EnterFolder:
      ASSERT_NO_FATAL_FAILURE(DoubleClick("[sub]"));
      break;
  }
  EXPECT_EQ(Form.SaveQuestions,
            c.Asked ? QStringList{"Save changes to " + caption + "?"} : QStringList());
  ASSERT_TRUE(WaitFor([&] { return !Form.UnsavedGuard().Waiting(); })) << Diagnostics();

  if (c.GoesOn) {
    switch (c.Command) {
      case TCommand::CloseTab:
        EXPECT_EQ(Form.PageCount(), 1);
        EXPECT_EQ(Form.ActivePage(), other);
        break;
      case TCommand::OpenListedFile:
        EXPECT_TRUE(WaitFor([&] { return page->Caption() == "index.html"; })) << Diagnostics();
        EXPECT_EQ(page->Editor()->text().toUtf8(), kIndex);
        break;
      case TCommand::OpenLocalFile:
        EXPECT_EQ(page->Editor()->text().toUtf8(), kLocal);
        break;
      case TCommand::EnterFolder:
        EXPECT_TRUE(Listed("inner.txt")) << Diagnostics();
        EXPECT_EQ(page->Editor()->text(), typed);
        break;
    }
  } else {
    // A download that should not have been asked for would be on its way now.
    EXPECT_TRUE(NotDownloading()) << Diagnostics();
    ASSERT_EQ(Form.PageCount(), c.Command == TCommand::CloseTab ? 2 : 1);
    EXPECT_EQ(Form.ActivePage(), page);
    EXPECT_EQ(page->Editor()->text(), typed);
    EXPECT_FALSE(page->Saved());
    EXPECT_TRUE(Form.SaveAction->isEnabled());
    EXPECT_TRUE(page->Frame()->isEnabled());
    EXPECT_FALSE(page->Editor()->isReadOnly());
  }
  EXPECT_TRUE(Form.CloseTabAction->isEnabled());
  EXPECT_TRUE(Form.OpenAction->isEnabled());
  EXPECT_TRUE(Form.Tabs->tabBar()->isEnabled());

  EXPECT_EQ(Server.ReadFile("/www/notes.txt"), c.Uploaded ? kTyped.toUtf8() + kNotes : kNotes);
  EXPECT_FALSE(QFile::exists(Server.Served("/www/locked.txt")));
  if (c.Refused) {
    EXPECT_TRUE(Form.StatusText(0).contains("does not let you write there")) << Diagnostics();
  }
  EXPECT_TRUE(Reported.isEmpty()) << Diagnostics();
  EXPECT_TRUE(Form.Errors.isEmpty()) << Diagnostics();
}

INSTANTIATE_TEST_SUITE_P(Commands, UnsavedChangesTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<TCase>& Info) {
                           return std::string(Info.param.Name);
                         });

// ---------------------------------------------------------------- the wait alone

// The upload's progress is set on the window (Uploading), so the wait can be
// held open, ended with or without a confirmation, or left to run out.
class UnsavedWaitTest : public WindowTest {};

// Yes to Close Tab holds the command back until the page's upload is
// answered; meanwhile nothing may close, change or re-save the page. Only a
// confirmed upload lets the tab go.
struct TUploadEnding {
  const char* Name;
  bool Sent;  // an upload went out
  std::function<void(TScriptedForm&, TPage*)> End;
  bool Closes;
};

TEST_F(UnsavedWaitTest, CloseTabAfterYesWaitsForTheUploadAndClosesOnlyWhenItIsConfirmed) {
  const TUploadEnding endings[] = {
      {"confirmed", true,
       [](TScriptedForm& Form, TPage* Page) {
         Page->SetSaved(true);
         Form.Uploading = false;
       },
       true},
      {"ended unconfirmed (refused, psftp gone)", true,
       [](TScriptedForm& Form, TPage*) { Form.Uploading = false; }, false},
      {"never answered", true, [](TScriptedForm&, TPage*) {}, false},
      {"nothing sent (psftp not running)", false, [](TScriptedForm&, TPage*) {}, false},
  };
  for (const TUploadEnding& ending : endings) {
    SCOPED_TRACE(ending.Name);
    auto form = ShowForm();
    form->SetUploadWaitLimit(300);
    TPage* page = form->Pages(0);
    NameDocument(page, "up.txt");
    QTest::keyClicks(page->Editor(), "typed");
    TPage* other = NameDocument(form->CreateTab(), "other.txt");
    ClickTab(*form, 0);
    form->Uploading = ending.Sent;
    form->SaveAnswer = QMessageBox::Yes;
    form->CloseTabAction->trigger();
    EXPECT_EQ(form->SaveQuestions, QStringList{"Save changes to up.txt?"});
    EXPECT_EQ(form->PageCount(), 2);

    if (ending.Sent) {
      EXPECT_TRUE(form->UnsavedGuard().Waiting());
      EXPECT_FALSE(form->WaitingForUploadToClose());
      EXPECT_FALSE(form->CloseTabAction->isEnabled());
      EXPECT_FALSE(form->SaveAction->isEnabled());
      EXPECT_FALSE(form->Tabs->tabBar()->isEnabled());
      EXPECT_FALSE(page->Frame()->isEnabled());
      // Neither a second Close Tab nor the window's close asks again or goes on.
      form->CloseTabAction->trigger();
      EXPECT_FALSE(form->close());
      EXPECT_EQ(form->SaveQuestions.size(), 1);
      // Paste reaches the active editor without the focus: it must not change
      // the text on its way.
      QApplication::clipboard()->setText("pasted");
      form->PasteAction->trigger();
      EXPECT_EQ(page->Editor()->text(), "typed");
    }

    ending.End(*form, page);
    EXPECT_TRUE(WaitFor([&] { return !form->UnsavedGuard().Waiting(); }, 5000));
    if (ending.Closes) {
      EXPECT_EQ(form->PageCount(), 1);
      EXPECT_EQ(form->ActivePage(), other);
    } else {
      ASSERT_EQ(form->PageCount(), 2);
      EXPECT_EQ(form->ActivePage(), page);
      EXPECT_EQ(page->Editor()->text(), "typed");
      EXPECT_FALSE(page->Saved());
      EXPECT_TRUE(page->Frame()->isEnabled());
      EXPECT_FALSE(page->Editor()->isReadOnly());
    }
    EXPECT_TRUE(form->CloseTabAction->isEnabled());
    EXPECT_TRUE(form->Tabs->tabBar()->isEnabled());
  }
}

TEST_F(UnsavedWaitTest, YesOnAnUntitledPageWithoutANameClosesNoTab) {
  auto form = ShowForm();  // no Save As dialog: the name question is cancelled
  TPage* page = form->Pages(0);
  QTest::keyClicks(page->Editor(), "nowhere to go");
  NameDocument(form->CreateTab(), "other.txt");
  ClickTab(*form, 0);
  form->SaveAnswer = QMessageBox::Yes;
  form->CloseTabAction->trigger();
  EXPECT_EQ(form->SaveQuestions, QStringList{"Save changes to Untitled?"});
  EXPECT_FALSE(form->UnsavedGuard().Waiting());
  EXPECT_EQ(form->PageCount(), 2);
  EXPECT_EQ(page->Editor()->text(), "nowhere to go");
}

}  // namespace
