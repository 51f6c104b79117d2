// The directory list's commands in the window, against the loopback server:
// the keys that belong to the list, the context menu, and Refresh for every
// tab that shows the folder.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QListView>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <Qsci/qsciscintilla.h>
#include <gtest/gtest.h>

#include "ServerWindowTest.h"
#include "WaitFor.h"
#include "remote/session/ConnectionDriver.h"
#include "ui/ListCommands.h"
#include "ui/MainWindow.h"

namespace {

class ListCommandsTest : public ServerWindowTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Server.Start());
    Form.ConnectValues = LoginValues();
    ASSERT_TRUE(ShowAndWait(Form));
    Form.ConnectAction->trigger();
    TrustHostKey();
    ASSERT_TRUE(Listed("notes.txt")) << Diagnostics();
    ASSERT_TRUE(WaitFor([&] { return !Form.Driver().Busy(); }));
  }
  void Select(const QString& Text) {
    List()->setFocus();
    List()->setCurrentIndex(Item(Text));
  }
  bool Idle() {
    return WaitFor([&] { return !Form.Driver().Busy(); });
  }
};

// Delete, F2 and Enter are the list's while it has the focus; in the
// editor, Delete still deletes text and asks nothing.
TEST_F(ListCommandsTest, KeysOnTheListRenameAndDeleteWhileTheEditorKeepsItsDelete) {
  Select("notes.txt");
  Form.NameAnswers = {"renamed.txt"};
  QTest::keyClick(List(), Qt::Key_F2);
  ASSERT_TRUE(Listed("renamed.txt")) << Diagnostics();
  EXPECT_EQ(Form.NameQuestions, QStringList({"Rename: notes.txt"}));
  EXPECT_EQ(Server.ReadFile("/www/renamed.txt"), "first line\nsecond line\n");
  ASSERT_TRUE(Idle());

  Select("renamed.txt");
  Form.ChoiceAnswers = {"Yes"};
  QTest::keyClick(List(), Qt::Key_Delete);
  ASSERT_TRUE(WaitFor([&] { return !Item("renamed.txt").isValid(); })) << Diagnostics();
  EXPECT_EQ(Form.Choices, QStringList({"Delete renamed.txt from the server?"}));
  EXPECT_EQ(Form.Offered.back(), QStringList({"Yes", "No"}));
  EXPECT_TRUE(Server.ReadFile("/www/renamed.txt").isEmpty());

  QsciScintilla* editor = Form.ActivePage()->Editor();
  editor->setText("abc");
  editor->setFocus();
  editor->setCursorPosition(0, 0);
  QTest::keyClick(editor, Qt::Key_Delete);
  EXPECT_EQ(editor->text(), "bc");
  EXPECT_EQ(Form.Choices.size(), 1);
}

TEST_F(ListCommandsTest, ContextMenuOffersWhatTheSelectionAllows) {
  TListCommands& commands = Form.ListCommands();
  Select("..");
  commands.Update();
  EXPECT_FALSE(commands.RenameAction->isEnabled());
  EXPECT_FALSE(commands.DeleteAction->isEnabled());
  EXPECT_TRUE(commands.NewFileAction->isEnabled());
  Select("[sub]");
  commands.Update();
  EXPECT_TRUE(commands.RenameAction->isEnabled());
  EXPECT_FALSE(commands.DownloadCopyAction->isEnabled());
  QStringList texts;
  for (QAction* action : commands.ContextMenu()->actions())
    texts << (action->isSeparator() ? "|" : action->objectName());
  EXPECT_EQ(texts, QStringList({"ListOpenAction", "RefreshAction", "|", "NewFileAction",
                                "NewFolderAction", "RenameAction", "ListDeleteAction", "|",
                                "CopyPathAction", "DownloadCopyAction", "UploadFilesAction"}));
  commands.CopyPath();
  EXPECT_EQ(QApplication::clipboard()->text(), "/www/sub");
}

// The names a list shows, top to bottom.
QStringList Shown(QListView* List) {
  QStringList names;
  for (int row = 0; row < List->model()->rowCount(); ++row)
    names << List->model()->index(row, 0).data().toString();
  return names;
}

// One folder, one set of entries: both tabs show the new file after F5, and
// each keeps its own selection and scroll position through the refill, while
// the other shows another place in the folder.
TEST_F(ListCommandsTest, RefreshUpdatesEveryTabShowingTheFolder) {
  for (int i = 0; i < 80; ++i)
    Server.WriteFile(QString("/www/f%1.txt").arg(i, 2, 10, QChar('0')), "x\n");
  Form.RefreshAction->trigger();
  ASSERT_TRUE(Listed("f79.txt")) << Diagnostics();
  ASSERT_TRUE(Idle());
  TPage* first = Form.ActivePage();
  Form.NewAction->trigger();
  TPage* second = Form.ActivePage();
  ASSERT_NE(first, second);
  EXPECT_EQ(first->Dir(), second->Dir());
  QListView* firstList = first->DirListBox();
  QListView* secondList = second->DirListBox();
  // A view of the same rows, not a copy of them.
  EXPECT_EQ(firstList->model(), secondList->model());

  ASSERT_TRUE(first->SelectFile("f10.txt"));
  firstList->verticalScrollBar()->setValue(12);
  ASSERT_EQ(firstList->verticalScrollBar()->value(), 12);
  Server.WriteFile("/www/appeared.txt", "new\n");
  Select("f70.txt");
  secondList->verticalScrollBar()->setValue(50);
  ASSERT_EQ(secondList->verticalScrollBar()->value(), 50);
  Form.UpdateActions();
  ASSERT_TRUE(Form.RefreshAction->isEnabled());
  EXPECT_EQ(Form.RefreshAction->shortcut(), QKeySequence(Qt::Key_F5));
  Form.RefreshAction->trigger();
  ASSERT_TRUE(Listed("appeared.txt")) << Diagnostics();
  ASSERT_TRUE(Idle());

  EXPECT_EQ(second->SelectedFile()->RemoteName(), "f70.txt");
  EXPECT_EQ(secondList->verticalScrollBar()->value(), 50);
  EXPECT_EQ(first->SelectedFile()->RemoteName(), "f10.txt");
  EXPECT_EQ(firstList->verticalScrollBar()->value(), 12);
  EXPECT_EQ(first->Dir(), second->Dir());
  EXPECT_EQ(Shown(firstList), Shown(secondList));
  Form.Tabs->setCurrentWidget(first->TabSheet());
  EXPECT_TRUE(Item("appeared.txt").isValid());
  EXPECT_TRUE(Item("f79.txt").isValid());
}

}  // namespace
