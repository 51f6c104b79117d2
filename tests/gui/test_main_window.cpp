// The main window: commands, pages, connection presentation, the close
// question and the remembered geometry.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QListView>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <QUrl>
#include <Qsci/qsciscintilla.h>
#include <gtest/gtest.h>

#include "WaitFor.h"

#include "ScriptedPrompts.h"
#include "WindowTest.h"
#include "remote/listing/Dir.h"
#include "remote/local/TempFolder.h"
#include "remote/session/ConnectionDriver.h"
#include "ui/DebugLogWindow.h"
#include "ui/EditFrame.h"
#include "ui/HostKeyDialog.h"
#include "ui/MainWindow.h"

namespace {

class MainWindowTest : public WindowTest {
 protected:
  // Every test states the settings it depends on: nothing is left to chance.
  void SetUp() override {
    Store("ShowLineNumbers", "1");
    Store("WrapLongLines", "0");
    Store("FontName", "Consolas");
    Store("FontSize", "10");
  }

  static void Type(TPage* Page, const QString& Text) { QTest::keyClicks(Page->Editor(), Text); }
};

QStringList ActionTexts(const QList<QAction*>& Actions) {
  QStringList texts;
  for (QAction* action : Actions) texts << (action->isSeparator() ? "|" : action->objectName());
  return texts;
}

// ---------------------------------------------------------------- commands

struct TActionRow {
  const char* Name;
  const char* Text;
  const char* Shortcut;
  const char* ToolTip;  // empty: not checked
  const char* StatusTip;
  bool Checkable;
};

TEST_F(MainWindowTest, EveryCommandHasItsTextShortcutHintAndCheckMark) {
  const TActionRow rows[] = {
      {"ConnectAction", "&Connect to Server...", "", "", "", false},
      {"OpenAction", "&Open...", "Ctrl+O", "Open", "Opens an existing file", false},
      {"SaveAction", "&Save", "Ctrl+S", "", "", false},
      {"CloseTabAction", "C&lose Tab", "Ctrl+W", "", "", false},
      {"NewAction", "&New", "Ctrl+T", "", "", false},
      {"PrintAction", "&Print...", "", "", "", false},
      {"ExitAction", "&Exit", "", "", "", false},
      {"CutAction", "Cu&t", "Ctrl+X", "Cut", "Cuts the selection and puts it on the Clipboard",
       false},
      {"CopyAction", "&Copy", "Ctrl+C", "Copy", "Copies the selection and puts it on the Clipboard",
       false},
      {"PasteAction", "&Paste", "Ctrl+V", "Paste", "Inserts Clipboard contents", false},
      {"SelectAllAction", "Select &All", "Ctrl+A", "Select All", "Selects the entire document",
       false},
      {"UndoAction", "&Undo", "Ctrl+Z", "Undo", "Reverts the last action", false},
      {"DeleteAction", "&Delete", "Del", "Delete", "Erases the selection", false},
      {"FindAction", "&Find...", "Ctrl+F", "", "", false},
      {"RedoAction", "&Redo", "Ctrl+Y", "Redo", "Does again what Undo reverted", false},
      {"ReplaceAction", "R&eplace...", "Ctrl+H", "Replace", "Finds text and replaces it", false},
      {"FindNextAction", "Find &Next", "F3", "", "", false},
      {"FindPreviousAction", "Find Pre&vious", "Shift+F3", "", "", false},
      {"GoToLineAction", "&Go to Line...", "Ctrl+G", "", "", false},
      {"ViewLineNumbersAction", "&Line Numbers", "", "", "", true},
      {"WrapLinesAction", "&Wrap Long Lines", "", "", "", true},
      {"FontAction", "&Font...", "", "", "", false},
      {"ShowConnectDialogAction", "&Show Connect Dialog on Startup", "", "", "", true},
      {"AboutAction", "&About...", "", "", "", false},
      {"ViewDebugLogAction", "ViewDebugLogAction", "Ctrl+Alt+D", "", "", false},
  };
  TScriptedForm form;
  for (const TActionRow& row : rows) {
    SCOPED_TRACE(row.Name);
    auto* action = form.findChild<QAction*>(row.Name);
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->text(), row.Text);
    EXPECT_EQ(action->shortcut(), QKeySequence(row.Shortcut));
    if (*row.ToolTip) {
      EXPECT_EQ(action->toolTip(), row.ToolTip);
      EXPECT_EQ(action->statusTip(), row.StatusTip);
    }
    EXPECT_EQ(action->isCheckable(), row.Checkable);
  }
}

TEST_F(MainWindowTest, MenusAndToolbarListTheCommandsInOrder) {
  TScriptedForm form;
  QStringList menus;
  QList<QStringList> items;
  for (QAction* menu : form.menuBar()->actions()) {
    menus << menu->text();
    items << ActionTexts(menu->menu()->actions());
  }
  EXPECT_EQ(menus, QStringList({"&File", "&Edit", "&View", "&Settings", "&Help"}));
  EXPECT_EQ(items[0], QStringList({"ConnectAction", "OpenAction", "SaveAction", "CloseTabAction",
                                   "NewAction", "GoToFolderAction", "PrintAction", "ExitAction"}));
  EXPECT_EQ(items[1],
            QStringList({"CutAction", "CopyAction", "PasteAction", "SelectAllAction", "UndoAction",
                         "RedoAction", "DeleteAction", "|", "FindAction", "ReplaceAction",
                         "FindNextAction", "FindPreviousAction", "GoToLineAction"}));
  EXPECT_EQ(items[2],
            QStringList({"RefreshAction", "ViewLineNumbersAction", "WrapLinesAction", ""}));
  EXPECT_EQ(form.RedoAction->shortcuts(),
            QList<QKeySequence>({QKeySequence("Ctrl+Y"), QKeySequence("Ctrl+Shift+Z")}));
  EXPECT_EQ(items[3], QStringList({"FontAction", "ShowConnectDialogAction"}));
  EXPECT_EQ(items[4], QStringList({"AboutAction"}));
  EXPECT_EQ(ActionTexts(form.ToolBar->actions()),
            QStringList({"ConnectAction", "RefreshAction", "|", "NewAction", "OpenAction",
                         "SaveAction", "|", "CutAction", "CopyAction", "PasteAction", "UndoAction",
                         "RedoAction", "|", "ExitAction"}));
  EXPECT_EQ(form.ToolBar->toolButtonStyle(), Qt::ToolButtonIconOnly);
  for (QAction* action : form.ToolBar->actions()) {
    if (action->isSeparator()) continue;
    EXPECT_FALSE(action->icon().isNull()) << action->objectName().toStdString();
  }
}

TEST_F(MainWindowTest, StartsNotConnectedWithOneUntitledPage) {
  auto form = ShowForm();
  ASSERT_EQ(form->PageCount(), 1);
  EXPECT_EQ(form->Pages(0)->Caption(), "Untitled");
  EXPECT_EQ(form->ActivePage(), form->Pages(0));
  EXPECT_TRUE(form->Pages(0)->Saved());
  EXPECT_EQ(form->windowTitle(), "Quillery");
  EXPECT_FALSE(form->NewAction->isEnabled());
  EXPECT_FALSE(form->OpenAction->isEnabled());
  EXPECT_FALSE(form->SaveAction->isEnabled());
  EXPECT_FALSE(form->PrintAction->isEnabled());
  EXPECT_FALSE(form->RedoAction->isEnabled());
  EXPECT_TRUE(form->CloseTabAction->isEnabled());
  EXPECT_EQ(form->StatusText(0), "Not connected");
  EXPECT_EQ(form->StatusText(2), "");
  EXPECT_EQ(form->ConnectAction->text(), "&Connect to Server...");
  EXPECT_EQ(form->ConnectActionImageIndex(), TMainWindow::ConnectImage);
  EXPECT_FALSE(form->Pages(0)->Frame()->Connected());
  QList<int> widths;
  for (int i = 0; i < 3; ++i)
    widths << form->statusBar()
                  ->findChild<QLabel*>(QString(i == 0   ? "MessagePanel"
                                               : i == 1 ? "FolderPanel"
                                                        : "SparePanel"))
                  ->width();
  EXPECT_EQ(widths, QList<int>({100, 200, 50}));
}

TEST_F(MainWindowTest, ConnectionStateShowsOnActionCaptionStatusAndEveryPage) {
  auto form = ShowForm();
  form->CreateTab();
  form->CreateTab();

  form->Driver().SetConnected(true);
  EXPECT_EQ(form->StatusText(0), "Connected");
  EXPECT_EQ(form->ConnectAction->text(), "&Disconnect");
  EXPECT_EQ(form->ConnectActionImageIndex(), TMainWindow::DisconnectImage);
  EXPECT_TRUE(form->NewAction->isEnabled());
  EXPECT_TRUE(form->OpenAction->isEnabled());
  EXPECT_EQ(form->windowTitle(), "Quillery - ");
  for (int i = 0; i < form->PageCount(); ++i) {
    EXPECT_TRUE(form->Pages(i)->Frame()->Connected());
    EXPECT_TRUE(form->Pages(i)->Frame()->NotConnectedPanel()->isHidden());
  }
  // A page made while connected starts connected.
  EXPECT_TRUE(form->CreateTab()->Frame()->Connected());

  form->Driver().SetConnected(false);
  EXPECT_EQ(form->StatusText(0), "Not connected");
  EXPECT_EQ(form->ConnectAction->text(), "&Connect to Server...");
  EXPECT_EQ(form->ConnectActionImageIndex(), TMainWindow::ConnectImage);
  EXPECT_FALSE(form->NewAction->isEnabled());
  EXPECT_FALSE(form->OpenAction->isEnabled());
  EXPECT_EQ(form->windowTitle(), "Quillery");  // no host is named once disconnected
  for (int i = 0; i < form->PageCount(); ++i) {
    EXPECT_FALSE(form->Pages(i)->Frame()->Connected());
    TEditFrame* frame = form->Pages(i)->Frame();
    EXPECT_FALSE(frame->NotConnectedPanel()->isHidden());
    EXPECT_EQ(frame->NotConnectedPanel()->geometry(), frame->DirListBox()->viewport()->rect());
  }
}

TEST_F(MainWindowTest, ConnectButtonOfAFrameRunsTheConnectCommand) {
  auto form = ShowForm();
  form->Pages(0)->Frame()->ConnectButton()->click();
  EXPECT_EQ(form->ConnectDialogShown, 1);
  form->ConnectAction->trigger();
  EXPECT_EQ(form->ConnectDialogShown, 2);
}

// ---------------------------------------------------------------- pages

TEST_F(MainWindowTest, EditingEnablesSaveButLoadingAFileDoesNot) {
  auto form = ShowForm();
  TPage* page = form->ActivePage();
  const QString path = Home.Path() + "/loaded.txt";
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("first\r\nsecond\r\n");
  file.close();

  page->LoadFromFile(path);
  EXPECT_EQ(page->Editor()->text(), "first\r\nsecond\r\n");
  EXPECT_EQ(page->Editor()->eolMode(), QsciScintilla::EolWindows);
  EXPECT_TRUE(page->Saved());
  EXPECT_FALSE(form->SaveAction->isEnabled());
  EXPECT_FALSE(page->Editor()->isUndoAvailable());

  Type(page, "x");
  EXPECT_FALSE(page->Saved());
  EXPECT_TRUE(form->SaveAction->isEnabled());
  page->SetSaved(true);
  EXPECT_FALSE(form->SaveAction->isEnabled());
  page->Editor()->undo();
  EXPECT_FALSE(page->Saved());  // an undo step is an edit too
}

TEST_F(MainWindowTest, SavingAPageRoundTripsItsLineEnds) {
  auto form = ShowForm();
  TPage* page = form->ActivePage();
  const QString path = Home.Path() + "/lf.txt";
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("a\nb\n");
  file.close();
  page->LoadFromFile(path);
  EXPECT_EQ(page->Editor()->eolMode(), QsciScintilla::EolUnix);
  page->Editor()->setCursorPosition(1, 1);
  Type(page, "\r");  // Enter: a new line in the file's own line end
  page->SaveToFile(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), QByteArray("a\nb\n\n"));
}

TEST_F(MainWindowTest, UserTabSwitchFollowsThePageButProgramSwitchesDoNot) {
  auto form = ShowForm();
  TDir dir;
  dir.SetName("/www");
  TPage* first = form->ActivePage();
  first->SetDir(&dir);
  Type(first, "changed");
  TPage* second = form->CreateTab();
  EXPECT_EQ(second->Dir(), &dir);  // a new page lists the directory of the one before
  second->SetDir(nullptr);
  form->SetStatus("kept", 1);
  EXPECT_FALSE(form->SaveAction->isEnabled());

  ClickTab(*form, 0);
  EXPECT_EQ(form->ActivePage(), first);
  EXPECT_TRUE(form->SaveAction->isEnabled());
  EXPECT_EQ(form->StatusText(1), "/www");

  ClickTab(*form, 1);
  EXPECT_FALSE(form->SaveAction->isEnabled());
  EXPECT_EQ(form->StatusText(1), "");

  form->SetStatus("kept", 1);
  form->CreateTab();
  EXPECT_EQ(form->StatusText(1), "kept");
}

TEST_F(MainWindowTest, CloseTabLeavesTheLastTabAndActivatesTheNewLastOne) {
  auto form = ShowForm();
  form->CloseTabAction->trigger();
  EXPECT_EQ(form->PageCount(), 1);

  TPage* first = form->Pages(0);
  TPage* second = NameDocument(form->CreateTab(), "second");
  TPage* third = NameDocument(form->CreateTab(), "third");
  Type(third, "unsaved");
  form->Tabs->setCurrentIndex(0);
  QPointer<QWidget> firstSheet = first->TabSheet();

  form->CloseTabAction->trigger();
  EXPECT_EQ(form->PageCount(), 2);
  EXPECT_TRUE(firstSheet.isNull());
  EXPECT_EQ(form->Pages(0), second);
  EXPECT_EQ(form->ActivePage(), third);
  EXPECT_TRUE(form->SaveAction->isEnabled());  // the page now in front has changes
}

TEST_F(MainWindowTest, NewPageShowsLineNumbersEvenWhenTheyWereHidden) {
  Store("ShowLineNumbers", "0");
  auto form = ShowForm();
  EXPECT_FALSE(form->Pages(0)->Frame()->LineNumbersVisible());
  form->Driver().SetConnected(true);
  form->NewAction->trigger();
  ASSERT_EQ(form->PageCount(), 2);
  EXPECT_TRUE(form->Pages(1)->Frame()->LineNumbersVisible());
  EXPECT_FALSE(form->ViewLineNumbersAction->isChecked());
  EXPECT_EQ(form->Pages(1)->Caption(), "Untitled");
}

TEST_F(MainWindowTest, ApplySettingsSetsCheckMarksAndEveryPage) {
  Store("ShowLineNumbers", "0");
  Store("WrapLongLines", "1");
  Store("FontName", "DejaVu Sans Mono");
  Store("FontSize", "14");
  Store("ShowConnectDialog", "1");
  auto form = ShowForm();
  TEditFrame* frame = form->Pages(0)->Frame();
  EXPECT_FALSE(form->ViewLineNumbersAction->isChecked());
  EXPECT_TRUE(form->WrapLinesAction->isChecked());
  EXPECT_TRUE(form->ShowConnectDialogAction->isChecked());
  EXPECT_FALSE(frame->LineNumbersVisible());
  EXPECT_EQ(frame->Editor()->marginWidth(0), 0);
  EXPECT_TRUE(frame->WordWrap());
  EXPECT_EQ(frame->EditorFont().family(), "DejaVu Sans Mono");
  EXPECT_EQ(frame->EditorFont().pointSize(), 14);
}

TEST_F(MainWindowTest, ABadStoredBooleanChangesNoSettingAndIsReported) {
  Store("ShowLineNumbers", "0");
  Store("WrapLongLines", "yes");
  auto form = ShowForm();
  EXPECT_FALSE(Reported.isEmpty());
  EXPECT_TRUE(form->Pages(0)->Frame()->LineNumbersVisible());
  EXPECT_FALSE(form->ViewLineNumbersAction->isChecked());
}

TEST_F(MainWindowTest, FontSizeThatIsNoNumberFallsBackToTen) {
  Store("FontSize", "large");
  auto form = ShowForm();
  EXPECT_EQ(form->Pages(0)->Frame()->EditorFont().pointSize(), 10);
}

// The first page and every later one get the same size from a stored size
// that no font can take.
TEST_F(MainWindowTest, FontSizeOfZeroOrLessGivesTenOnEveryPage) {
  for (const char* value : {"0", "-3", " -1 ", "large"}) {
    SCOPED_TRACE(value);
    Store("FontSize", value);
    auto form = ShowForm();
    form->Driver().SetConnected(true);
    form->NewAction->trigger();
    ASSERT_EQ(form->PageCount(), 2);
    EXPECT_EQ(form->Pages(0)->Frame()->EditorFont().pointSize(), 10);
    EXPECT_EQ(form->Pages(1)->Frame()->EditorFont().pointSize(), 10);
  }
}

// ---------------------------------------------------------------- start-up

TEST_F(MainWindowTest, StartupShowsTheConnectDialogOnceWhenTheSettingSaysSo) {
  const std::pair<const char*, int> cases[] = {{"1", 1}, {"2", 1},     {"True", 1}, {"tRUE", 1},
                                               {"0", 0}, {"False", 0}, {"", 0},     {"abc", 0}};
  for (const auto& [value, shown] : cases) {
    SCOPED_TRACE(value);
    Store("ShowConnectDialog", value);
    auto form = ShowForm();
    QTest::qWait(350);
    EXPECT_EQ(form->ConnectDialogShown, shown);
    EXPECT_FALSE(form->StartupTimer->isActive());
  }
}

// ---------------------------------------------------------------- edit commands

TEST_F(MainWindowTest, EditCommandsFollowTheFocusedEditor) {
  auto form = ShowForm();
  QApplication::setActiveWindow(form.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  TPage* page = form->ActivePage();
  QsciScintilla* edit = page->Editor();
  edit->setFocus();
  QApplication::clipboard()->clear();
  QApplication::processEvents();

  EXPECT_FALSE(form->CutAction->isEnabled());
  EXPECT_FALSE(form->CopyAction->isEnabled());
  EXPECT_FALSE(form->PasteAction->isEnabled());
  EXPECT_FALSE(form->UndoAction->isEnabled());
  EXPECT_TRUE(form->SelectAllAction->isEnabled());
  EXPECT_TRUE(form->DeleteAction->isEnabled());

  Type(page, "hello world");
  EXPECT_TRUE(form->UndoAction->isEnabled());
  form->SelectAllAction->trigger();
  EXPECT_TRUE(edit->hasSelectedText());
  EXPECT_TRUE(form->CutAction->isEnabled());
  EXPECT_TRUE(form->CopyAction->isEnabled());
  edit->setReadOnly(true);
  edit->selectAll(false);
  edit->selectAll(true);
  EXPECT_FALSE(form->CutAction->isEnabled());
  edit->setReadOnly(false);

  QApplication::clipboard()->setText("pasted");
  EXPECT_TRUE(form->PasteAction->isEnabled());

  form->DeleteAction->trigger();
  EXPECT_EQ(edit->text(), "");
  form->UndoAction->trigger();
  EXPECT_EQ(edit->text(), "hello world");

  page->DirListBox()->setFocus();
  QApplication::processEvents();
  EXPECT_TRUE(form->CutAction->isEnabled());
  EXPECT_TRUE(form->CopyAction->isEnabled());
  EXPECT_TRUE(form->PasteAction->isEnabled());
  EXPECT_FALSE(form->UndoAction->isEnabled());
  EXPECT_FALSE(form->SelectAllAction->isEnabled());
  EXPECT_FALSE(form->DeleteAction->isEnabled());
}

TEST_F(MainWindowTest, WindowShortcutsReachTheirCommandsFromTheEditor) {
  auto form = ShowForm();
  QApplication::setActiveWindow(form.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  form->Driver().SetConnected(true);
  form->ActivePage()->Editor()->setFocus();
  QSignalSpy cut(form->CutAction, &QAction::triggered);
  QTest::keyClick(form->ActivePage()->Editor(), Qt::Key_T, Qt::ControlModifier);
  EXPECT_EQ(form->PageCount(), 2);
  Type(form->ActivePage(), "text");
  form->ActivePage()->Editor()->selectAll();
  QTest::keyClick(form->ActivePage()->Editor(), Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(cut.count(), 1);
}

// ---------------------------------------------------------------- drops

TEST_F(MainWindowTest, FileDroppedOnTheEditorIsLoadedOnlyWhenItIsOne) {
  auto form = ShowForm();
  TPage* page = form->ActivePage();
  const QString path = Home.Path() + "/dropped.txt";
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("dropped text");
  file.close();

  form->EditFileDrop(page, {path, path});
  EXPECT_EQ(form->Messages, QStringList({"You can drop only one file at a time!"}));
  EXPECT_EQ(page->Editor()->text(), "");

  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(path)});
  QWidget* viewport = page->Editor()->viewport();
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(viewport, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(viewport, &drop);
  EXPECT_TRUE(WaitFor([&] { return page->Editor()->text() == QString("dropped text"); }, 5000));
  EXPECT_TRUE(page->Saved());
  EXPECT_EQ(page->Caption(), "Untitled");
}

TEST_F(MainWindowTest, FileDroppedOnTheListWhileNotConnectedIsRefused) {
  auto form = ShowForm();
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(Home.Path() + "/any.txt")});
  QWidget* viewport = form->ActivePage()->DirListBox()->viewport();
  // Qt delivers a drop only where the drag entered.
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(viewport, &enter);
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(viewport, &drop);
  EXPECT_TRUE(WaitFor([&] { return Reported == QStringList({"Not connected"}); }, 5000))
      << Reported.join("; ").toStdString();
}

// ---------------------------------------------------------------- closing

TEST_F(MainWindowTest, CloseAsksAboutEachUnsavedPageActivatingItFirst) {
  auto form = ShowForm();
  TPage* a = form->Pages(0);
  NameDocument(a, "a.txt");
  Type(a, "one");
  TPage* saved = NameDocument(form->CreateTab(), "saved.txt");
  TPage* b = NameDocument(form->CreateTab(), "b.txt");
  Type(b, "two");
  form->Tabs->setCurrentWidget(saved->TabSheet());
  form->SaveAnswers = {QMessageBox::No, QMessageBox::No};

  EXPECT_TRUE(form->close());
  EXPECT_EQ(form->SaveQuestions, QStringList({"Save changes to a.txt?", "Save changes to b.txt?"}));
  EXPECT_EQ(form->ActiveAtSaveQuestion, (std::vector<TPage*>{a, b}));
  EXPECT_FALSE(form->isVisible());
}

TEST_F(MainWindowTest, CancelKeepsTheWindowOpenAndAsksNoMore) {
  auto form = ShowForm();
  Type(form->Pages(0), "one");
  Type(NameDocument(form->CreateTab(), "b.txt"), "two");
  form->SaveAnswers = {QMessageBox::Cancel};
  EXPECT_FALSE(form->close());
  EXPECT_EQ(form->SaveQuestions.size(), 1);
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(form->ActivePage(), form->Pages(0));
}

TEST_F(MainWindowTest, YesSavesThePageThenCloses) {
  auto form = ShowForm();
  TPage* page = form->Pages(0);
  NameDocument(page, "notes.txt");
  Type(page, "keep me");
  form->SaveAnswers = {QMessageBox::Yes};
  EXPECT_TRUE(form->close());
  QFile copy(page->Document().LocalPath);
  ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
  EXPECT_EQ(copy.readAll(), QByteArray("keep me"));
}

TEST_F(MainWindowTest, YesOnAnUntitledPageWithoutANameKeepsTheWindowOpen) {
  auto form = ShowForm();  // no Save As dialog: the name question is cancelled
  Type(form->Pages(0), "nowhere to go");
  form->SaveAnswers = {QMessageBox::Yes};
  EXPECT_FALSE(form->close());
  EXPECT_TRUE(form->isVisible());
}

// The close waits for the upload its save question started, with no limit:
// giving up would end psftp in the middle of it. When the wait is over, the
// window closes only if the page's text reached the server; else it asks
// again.
TEST_F(MainWindowTest, CloseWaitsForTheUploadItStartedWithoutALimit) {
  const struct {
    const char* name;
    bool confirmed;
  } endings[] = {{"upload confirmed", true}, {"upload ended unconfirmed", false}};
  for (const auto& ending : endings) {
    SCOPED_TRACE(ending.name);
    auto form = ShowForm();
    TPage* page = form->Pages(0);
    NameDocument(page, "up.txt");
    Type(page, "x");
    form->Uploading = true;
    form->SetUploadWaitLimit(100);
    form->SaveAnswers = {QMessageBox::Yes};
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->WaitingForUploadToClose());
    QTest::qWait(400);  // well past the limit a page's command waits
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->WaitingForUploadToClose());
    EXPECT_FALSE(form->close());  // without an upload of psftp's to name, asks nothing
    EXPECT_EQ(form->SaveQuestions.size(), 1);

    if (ending.confirmed) page->SetSaved(true);
    form->Uploading = false;
    if (ending.confirmed) {
      EXPECT_TRUE(WaitFor([&] { return !form->isVisible(); }, 5000));
      EXPECT_EQ(form->SaveQuestions.size(), 1);
    } else {
      // Asked again, and cancelled: the text stays.
      EXPECT_TRUE(WaitFor([&] { return form->SaveQuestions.size() == 2; }, 5000));
      EXPECT_TRUE(form->isVisible());
      EXPECT_FALSE(form->WaitingForUploadToClose());
    }
  }
}

// ---------------------------------------------------------------- geometry

TEST_F(MainWindowTest, WithoutStoredGeometryTheWindowHasItsDesignedSize) {
  Store("FormTop", "100");
  Store("FormLeft", "-1");
  Store("FormWidth", "700");
  Store("FormHeight", "500");
  Store("FormMaximized", "1");
  TScriptedForm form;
  EXPECT_EQ(form.size(), QSize(850, 636));
  EXPECT_FALSE(form.windowState() & Qt::WindowMaximized);
}

TEST_F(MainWindowTest, StoredGeometryIsRestoredAndWrittenBackOnClose) {
  Store("FormTop", "40");
  Store("FormLeft", "30");
  Store("FormWidth", "600");
  Store("FormHeight", "450");
  auto form = ShowForm();
  EXPECT_TRUE(WaitFor([&] { return form->frameGeometry() == QRect(30, 40, 600, 450); }, 5000));
  form->move(70, 80);
  form->close();
  EXPECT_EQ(Stored("FormMaximized"), "0");
  EXPECT_EQ(Stored("FormTop"), QString::number(form->frameGeometry().top()));
  EXPECT_EQ(Stored("FormLeft"), QString::number(form->frameGeometry().left()));
  EXPECT_EQ(Stored("FormWidth"), "600");
  EXPECT_EQ(Stored("FormHeight"), "450");
}

TEST_F(MainWindowTest, MaximisedWindowKeepsTheStoredNormalBounds) {
  Store("FormTop", "40");
  Store("FormLeft", "30");
  Store("FormWidth", "600");
  Store("FormHeight", "450");
  Store("FormMaximized", "1");
  auto form = ShowForm();
  EXPECT_TRUE(form->isMaximized());
  form->close();
  EXPECT_EQ(Stored("FormMaximized"), "1");
  EXPECT_EQ(Stored("FormTop"), "40");
  EXPECT_EQ(Stored("FormWidth"), "600");
}

TEST_F(MainWindowTest, LeavingTheMaximisedStateGivesTheStoredNormalBounds) {
  Store("FormTop", "40");
  Store("FormLeft", "30");
  Store("FormWidth", "600");
  Store("FormHeight", "450");
  Store("FormMaximized", "1");
  auto form = ShowForm();
  QTest::qWait(50);
  form->showNormal();
  EXPECT_TRUE(WaitFor([&] { return form->frameGeometry() == QRect(30, 40, 600, 450); }, 5000));
}

TEST_F(MainWindowTest, ABadStoredMaximisedFlagRestoresNoGeometry) {
  Store("FormTop", "40");
  Store("FormLeft", "30");
  Store("FormWidth", "600");
  Store("FormHeight", "450");
  Store("FormMaximized", "maybe");
  TScriptedForm form;
  EXPECT_EQ(form.size(), QSize(850, 636));
  EXPECT_EQ(Reported.size(), 1);
}

// ---------------------------------------------------------------- psftp's questions

TEST_F(MainWindowTest, HostKeyQuestionOpensWithoutBlockingAndAnswersTheDriver) {
  auto form = ShowForm();
  TDebugLogWindow log;
  form->SetDebugForm(&log);
  // psftp's question, as its login prints it, reaches the window and
  // returns at once.
  form->Driver().StartConversation();
  form->Driver().VirtualRedirectorErrorInput(
      nullptr,
      "The host key is not cached for this server:\n  example.test (port 2222)\n"
      "The server's ssh-ed25519 key fingerprint is:\n  ssh-ed25519 255 SHA256:abc\n"
      "Store key in cache? (y/n, Return cancels connection, i for more info) ");
  THostKeyDialog* dialog = form->HostKeyDialog();
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_TRUE(dialog->DetailsLabel()->text().contains("example.test"));
  dialog->TrustButton()->click();
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_TRUE(log.Text().contains("Host key answer: y"));
}

TEST_F(MainWindowTest, BusyCursorIsSetAndRestoredInPairs) {
  {
    TScriptedForm form;
    form.SetBusyCursor(true);
    form.SetBusyCursor(true);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    form.SetBusyCursor(false);
    form.SetBusyCursor(false);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    form.SetBusyCursor(true);
  }
  // A window destroyed while busy gives the cursor back too.
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(MainWindowTest, DebugLinesGoToTheDebugWindow) {
  TScriptedForm form;
  TDebugLogWindow log;
  form.SetDebugForm(&log);
  form.Log(IDriverView::TLog::Command, "ls");
  form.Log(IDriverView::TLog::Line, "psftp> ");
  form.Log(IDriverView::TLog::Line, "done");
  EXPECT_EQ(log.Text(), "ls\npsftp> \ndone\n");
}

}  // namespace
