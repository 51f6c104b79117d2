// The edit frame: layout, editor configuration, list drawing, the
// not-connected panel and drops; the page that fills its list, and the list
// of pages on a tab control.
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QUrl>
#include <Qsci/qscicommandset.h>
#include <Qsci/qsciscintilla.h>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <vector>

#include "ScriptedPrompts.h"
#include "TempHome.h"
#include "remote/listing/Dir.h"
#include "ui/DirListDelegate.h"
#include "ui/DirListModel.h"
#include "ui/DirListModels.h"
#include "ui/EditFrame.h"
#include "ui/Page.h"
#include "ui/Pages.h"

namespace {

class EditFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Frame.resize(852, 553);
    Frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Frame));
  }
  QWidget* ListViewport() const { return Frame.DirListBox()->viewport(); }
  // Shows these entries in the frame's list, as a page does.
  void ShowEntries(std::initializer_list<const char*> Names) {
    for (const char* name : Names) Listing.AddFile(std::make_unique<TFile>(name));
    Frame.DirListModel()->SetDir(&Listing);
  }
  QRect ItemRect(int Row) const {
    return Frame.DirListBox()->visualRect(Frame.DirListModel()->index(Row));
  }

  TempHome Home;
  TDir Listing;  // outlives the frame that shows it
  TEditFrame Frame;
};

long Sci(QsciScintilla* Edit, unsigned int Message, unsigned long W = 0, long L = 0) {
  return Edit->SendScintilla(Message, W, L);
}

TEST_F(EditFrameTest, ListSplitterAndEditorAreLaidOutLeftToRight) {
  EXPECT_EQ(Frame.Splitter()->handleWidth(), 6);
  EXPECT_EQ(Frame.Splitter()->sizes().first(), 143);
  EXPECT_EQ(Frame.Splitter()->widget(0), Frame.DirListBox());
  EXPECT_EQ(Frame.Splitter()->widget(1), Frame.Editor());
  // The list keeps its width when the window grows; the editor takes the rest.
  Frame.resize(1000, 553);
  QApplication::processEvents();
  EXPECT_EQ(Frame.Splitter()->sizes().first(), 143);
  EXPECT_EQ(Frame.DirListBox()->font().family(), "Consolas");
  EXPECT_EQ(Frame.DirListBox()->font().pointSize(), 10);
  ShowEntries({"entry"});
  EXPECT_EQ(ItemRect(0).height(), 17);
}

TEST_F(EditFrameTest, EditorIsConfiguredForPlainCodeEditing) {
  QsciScintilla* edit = Frame.Editor();
  EXPECT_EQ(edit->tabWidth(), 2);
  EXPECT_FALSE(edit->indentationsUseTabs());
  EXPECT_TRUE(edit->autoIndent());
  EXPECT_TRUE(edit->backspaceUnindents());
  EXPECT_EQ(edit->edgeMode(), QsciScintilla::EdgeNone);
  EXPECT_EQ(edit->wrapMode(), QsciScintilla::WrapNone);
  EXPECT_EQ(edit->lexer(), nullptr);
  EXPECT_TRUE(edit->isUtf8());
  EXPECT_EQ(Sci(edit, QsciScintillaBase::SCI_GETEXTRAASCENT) +
                Sci(edit, QsciScintillaBase::SCI_GETEXTRADESCENT),
            4);
  EXPECT_EQ(Sci(edit, QsciScintillaBase::SCI_GETVIRTUALSPACEOPTIONS), 0);
  EXPECT_EQ(Frame.EditorFont().family(), "Consolas");
  EXPECT_EQ(Frame.EditorFont().pointSize(), 10);
  // Tab goes into the text rather than to the next control.
  edit->setFocus();
  QTest::keyClick(edit, Qt::Key_Tab);
  EXPECT_EQ(edit->text(), "  ");
}

TEST_F(EditFrameTest, GutterShowsRedNumbersAtLeastThreeDigitsWideAfterAFontChange) {
  QsciScintilla* edit = Frame.Editor();
  QFont font("DejaVu Sans Mono", 16);
  Frame.SetEditorFont(font);
  const long red = 0x0000FF;  // Scintilla colours are BGR
  EXPECT_EQ(Sci(edit, QsciScintillaBase::SCI_STYLEGETFORE, QsciScintillaBase::STYLE_LINENUMBER),
            red);
  const long threeDigits =
      Sci(edit, QsciScintillaBase::SCI_TEXTWIDTH, QsciScintillaBase::STYLE_LINENUMBER, long("999"));
  EXPECT_GE(edit->marginWidth(0), threeDigits);
  EXPECT_TRUE(edit->marginLineNumbers(0));

  edit->setText(QString("x\n").repeated(12000));
  EXPECT_GE(edit->marginWidth(0), Sci(edit, QsciScintillaBase::SCI_TEXTWIDTH,
                                      QsciScintillaBase::STYLE_LINENUMBER, long("99999")));

  Frame.SetLineNumbersVisible(false);
  EXPECT_EQ(edit->marginWidth(0), 0);
  Frame.SetLineNumbersVisible(true);
  EXPECT_GT(edit->marginWidth(0), 0);
}

TEST_F(EditFrameTest, WindowShortcutsAreNotTakenByTheEditor) {
  QsciCommandSet* commands = Frame.Editor()->standardCommands();
  for (Qt::Key key : {Qt::Key_T, Qt::Key_X, Qt::Key_C, Qt::Key_V})
    EXPECT_EQ(commands->boundTo((Qt::CTRL | key).toCombined()), nullptr) << key;
  EXPECT_NE(commands->boundTo((Qt::CTRL | Qt::Key_Z).toCombined()), nullptr);
}

// ---------------------------------------------------------------- list drawing

// The colours one item is drawn in, without anti-aliasing so the text's
// pixels carry exactly the pen's colour.
std::set<QRgb> DrawnColours(TFile* File, const QString& Text, bool Selected) {
  QListWidget list;
  auto* item = new QListWidgetItem(Text, &list);
  item->setData(Qt::UserRole, QVariant::fromValue(static_cast<void*>(File)));
  QImage image(120, 17, QImage::Format_RGB32);
  image.fill(Qt::black);
  QStyleOptionViewItem option;
  option.initFrom(&list);
  option.rect = image.rect();
  option.font = QFont("DejaVu Sans Mono", 10);
  option.font.setStyleStrategy(QFont::NoAntialias);
  option.fontMetrics = QFontMetrics(option.font);
  option.state = QStyle::State_Enabled | (Selected ? QStyle::State_Selected : QStyle::State_None);
  QPainter painter(&image);
  TDirListDelegate().paint(&painter, option, list.model()->index(0, 0));
  painter.end();
  std::set<QRgb> colours;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) colours.insert(image.pixel(x, y) | 0xFF000000);
  return colours;
}

TEST(DirListDrawing, EachKindOfEntryHasItsTextColour) {
  TempHome home;
  const QPalette palette = QApplication::palette();
  const QRgb base = palette.color(QPalette::Active, QPalette::Base).rgb();
  const QRgb highlight = palette.color(QPalette::Active, QPalette::Highlight).rgb();
  const QRgb highlightText = palette.color(QPalette::Active, QPalette::HighlightedText).rgb();
  const QRgb windowText = palette.color(QPalette::Active, QPalette::Text).rgb();
  const QRgb greyText = palette.color(QPalette::Disabled, QPalette::Text).rgb();

  TFile directory("www");
  directory.SetIsDirectory(true);
  TFile parent("..");
  TFile text("notes.txt");
  TFile binary("photo.png");
  TFile other("README");
  struct TCase {
    const char* Name;
    TFile* File;
    bool Selected;
    std::set<QRgb> Colours;
  } cases[] = {
      {"directory", &directory, false, {base, QColor(255, 102, 28).rgb()}},
      {"selected directory", &directory, true, {highlight, highlightText}},
      {"parent without the flag", &parent, false, {base, QColor(255, 102, 28).rgb()}},
      {"text file", &text, false, {base, QColor(0, 127, 255).rgb()}},
      {"binary file", &binary, false, {base, greyText}},
      {"other file", &other, false, {base, windowText}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(DrawnColours(c.File, "[www] name", c.Selected), c.Colours);
  }
}

// ---------------------------------------------------------------- not-connected panel

TEST_F(EditFrameTest, NotConnectedPanelCoversTheListAndFollowsTheSplitter) {
  QLabel* panel = Frame.NotConnectedPanel();
  EXPECT_EQ(panel->text(), "Not connected");
  EXPECT_EQ(panel->parentWidget(), ListViewport());
  EXPECT_TRUE(panel->isVisible());
  EXPECT_EQ(panel->geometry(), ListViewport()->rect());
  EXPECT_EQ(Frame.ConnectButton()->size(), QSize(75, 25));
  EXPECT_EQ(Frame.ConnectButton()->text(), "Connect");

  Frame.Splitter()->setSizes({301, 500});
  QApplication::processEvents();
  EXPECT_EQ(panel->geometry(), ListViewport()->rect());
  EXPECT_EQ(Frame.ConnectButton()->pos(),
            QPoint(panel->width() / 2 - 37, panel->height() / 2 + 20));

  Frame.SetConnected(true);
  EXPECT_TRUE(panel->isHidden());
  EXPECT_TRUE(Frame.Editor()->isEnabled());
  Frame.Splitter()->setSizes({200, 600});
  Frame.SetConnected(false);
  EXPECT_EQ(panel->geometry(), ListViewport()->rect());
}

TEST_F(EditFrameTest, ConnectButtonIsCentredTwentyPixelsBelowTheMiddle) {
  const struct {
    QSize Panel;
    QPoint Button;
  } cases[] = {{{143, 100}, {34, 70}},
               {{143, 101}, {34, 70}},
               {{76, 3}, {1, 21}},
               {{40, 40}, {-17, 40}}};
  QLabel* panel = Frame.NotConnectedPanel();
  for (const auto& c : cases) {
    panel->resize(c.Panel);
    EXPECT_EQ(Frame.ConnectButton()->pos(), c.Button) << c.Panel.width() << "x" << c.Panel.height();
  }
}

TEST_F(EditFrameTest, ConnectButtonAsksForAConnection) {
  QSignalSpy spy(&Frame, &TEditFrame::ConnectRequested);
  QTest::mouseClick(Frame.ConnectButton(), Qt::LeftButton);
  EXPECT_EQ(spy.count(), 1);
}

// ---------------------------------------------------------------- list and drops

TEST_F(EditFrameTest, DoubleClickOnAnItemIsReportedButNotOnEmptySpace) {
  QSignalSpy spy(&Frame, &TEditFrame::DirListDoubleClicked);
  Frame.SetConnected(true);
  ShowEntries({"first"});
  const QPoint onItem = ItemRect(0).center();
  // A real double click starts with a click; the test library sends only the second half.
  QTest::mouseClick(ListViewport(), Qt::LeftButton, {}, onItem);
  QTest::mouseDClick(ListViewport(), Qt::LeftButton, {}, onItem);
  EXPECT_EQ(spy.count(), 1);
  QTest::mouseClick(ListViewport(), Qt::LeftButton, {}, QPoint(5, 300));
  QTest::mouseDClick(ListViewport(), Qt::LeftButton, {}, QPoint(5, 300));
  EXPECT_EQ(spy.count(), 1);
}

void SendDrop(QWidget* Target, const QMimeData& Data, bool& EnterAccepted) {
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &Data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(Target, &enter);
  EnterAccepted = enter.isAccepted();
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &Data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(Target, &drop);
}

TEST_F(EditFrameTest, LocalFilesDroppedOnListOrEditorAreReported) {
  QSignalSpy onList(&Frame, &TEditFrame::DirListFilesDropped);
  QSignalSpy onEdit(&Frame, &TEditFrame::EditFilesDropped);
  QMimeData files;
  files.setUrls({QUrl::fromLocalFile("/tmp/a.txt"), QUrl::fromLocalFile("/tmp/b.txt")});
  bool accepted = false;

  SendDrop(ListViewport(), files, accepted);
  EXPECT_TRUE(accepted);
  ASSERT_EQ(onList.count(), 1);
  EXPECT_EQ(onList[0][0].toStringList(), QStringList({"/tmp/a.txt", "/tmp/b.txt"}));

  SendDrop(Frame.Editor()->viewport(), files, accepted);
  EXPECT_TRUE(accepted);
  ASSERT_EQ(onEdit.count(), 1);
  EXPECT_EQ(onEdit[0][0].toStringList(), QStringList({"/tmp/a.txt", "/tmp/b.txt"}));

  // Text dragged around is the editor's own business.
  QMimeData text;
  text.setText("moved words");
  SendDrop(Frame.Editor()->viewport(), text, accepted);
  EXPECT_EQ(onEdit.count(), 1);
}

// ---------------------------------------------------------------- the page

class PageTest : public ::testing::Test {
 protected:
  PageTest() {
    auto* sheet = new QWidget;
    FFrame = new TEditFrame(sheet);
    Tabs.addTab(sheet, "");
    Page = new TPage(&Tabs, sheet, FFrame, [this] { ++SavedWrites; });
  }
  TempHome Home;
  QTabWidget Tabs;
  TEditFrame* FFrame;
  TPage* Page;
  int SavedWrites = 0;
};

TEST_F(PageTest, ListShowsDirectoriesInBracketsAndCarriesEachEntry) {
  TDir dir;
  auto sub = std::make_unique<TFile>("sub");
  sub->SetIsDirectory(true);
  dir.AddFile(std::move(sub));
  dir.AddFile(std::make_unique<TFile>("index.html"));
  Page->SetDir(&dir);

  QListView* list = Page->DirListBox();
  QAbstractItemModel* rows = list->model();
  auto text = [rows](int Row) { return rows->index(Row, 0).data().toString(); };
  ASSERT_EQ(rows->rowCount(), 2);
  EXPECT_EQ(text(0), "[sub]");
  EXPECT_EQ(text(1), "index.html");
  EXPECT_EQ(TDirListDelegate::FileOf(rows->index(0, 0)), dir.Files(0));
  EXPECT_EQ(Page->SelectedFile(), nullptr);
  list->selectionModel()->select(rows->index(1, 0), QItemSelectionModel::Select);
  EXPECT_EQ(Page->SelectedFile(), dir.Files(1));

  // Without a directory the list keeps what it shows.
  Page->SetDir(nullptr);
  EXPECT_EQ(list->model()->rowCount(), 2);
  Page->ClearDirListBox();
  EXPECT_EQ(list->model()->rowCount(), 0);
}

// The list reads the directory itself: a refilled directory shows once the
// page is told, and until then rows past its new end read as empty.
TEST_F(PageTest, RefilledDirectoryShowsItsNewEntriesWhenRepopulated) {
  TDir dir;
  dir.AddFile(std::make_unique<TFile>("a.txt"));
  dir.AddFile(std::make_unique<TFile>("b.txt"));
  Page->SetDir(&dir);
  QListView* list = Page->DirListBox();
  list->selectionModel()->select(list->model()->index(1, 0), QItemSelectionModel::Select);

  dir.Clear();
  dir.AddFile(std::make_unique<TFile>("c.txt"));
  EXPECT_FALSE(list->model()->index(1, 0).data().isValid());
  EXPECT_EQ(TDirListDelegate::FileOf(list->model()->index(1, 0)), nullptr);

  Page->PopulateDirListBox();
  ASSERT_EQ(list->model()->rowCount(), 1);
  EXPECT_EQ(list->model()->index(0, 0).data().toString(), "c.txt");
  // The old selection went with the old entries.
  EXPECT_EQ(Page->SelectedFile(), nullptr);
}

TEST_F(PageTest, CaptionIsTheTabTextAndKeepsAmpersands) {
  NameDocument(Page, "a&b.txt");
  EXPECT_EQ(Page->Caption(), "a&b.txt");
  EXPECT_EQ(Tabs.tabText(0), "a&&b.txt");
}

TEST_F(PageTest, SavedWritesAreReportedAndFrameFollowsConnection) {
  Page->SetSaved(false);
  EXPECT_FALSE(Page->Saved());
  EXPECT_EQ(SavedWrites, 1);
  Page->SetFrameConnected(true);
  EXPECT_TRUE(FFrame->Connected());
}

TEST_F(PageTest, LoadingAMissingFileThrowsAndKeepsTheText) {
  Page->Editor()->setText("before");
  EXPECT_ANY_THROW(Page->LoadFromFile(Home.Path() + "/missing.txt"));
  EXPECT_EQ(Page->Editor()->text(), "before");
}

// ---------------------------------------------------------------- the page list

class PagesTest : public ::testing::Test {
 protected:
  PagesTest()
      : Pages(
            &Tabs, [this] { ++SavedWrites; },
            [this](TPage* Page) {
              Closing.push_back(Page->Caption());
              CountAtClosing = Pages.Count();
            }) {}
  std::vector<TPage*> All() const {
    std::vector<TPage*> all;
    Pages.ForEach([&all](TPage* Page) { all.push_back(Page); });
    return all;
  }

  TempHome Home;
  QTabWidget Tabs;
  TPages Pages;  // goes before the tabs that carry its pages
  int SavedWrites = 0;
  QStringList Closing;
  int CountAtClosing = -1;
};

TEST_F(PagesTest, NewPagesFollowTheTabsAndTheNewestComesToTheFront) {
  TDir dir;
  std::vector<TPage*> setUp;
  TPage* first = NameDocument(Pages.Create([&](TPage* Page) {
    setUp.push_back(Page);
    // Already on its tab and in the list when the caller sees it.
    EXPECT_EQ(Tabs.count(), 1);
    EXPECT_EQ(Pages.Of(Page->TabSheet()), Page);
  }),
                              "a&b.txt");
  first->SetDir(&dir);
  TPage* second = NameDocument(Pages.Create(nullptr), "b.txt");

  EXPECT_EQ(setUp, std::vector<TPage*>{first});
  ASSERT_EQ(Pages.Count(), 2);
  EXPECT_EQ(Pages.At(0), first);
  EXPECT_EQ(Pages.At(1), second);
  EXPECT_EQ(All(), (std::vector<TPage*>{first, second}));
  EXPECT_EQ(Tabs.tabText(0), "a&&b.txt");
  EXPECT_EQ(Tabs.tabText(1), "b.txt");
  EXPECT_EQ(Pages.Active(), second);
  EXPECT_EQ(Tabs.currentIndex(), 1);
  EXPECT_EQ(Pages.Of(Tabs.widget(0)), first);
  QWidget stranger;
  EXPECT_EQ(Pages.Of(&stranger), nullptr);
  EXPECT_EQ(Pages.Of(nullptr), nullptr);
  // Each page starts saved, and says so once, and once more when the test
  // names its document.
  EXPECT_TRUE(first->Saved());
  EXPECT_TRUE(second->Saved());
  EXPECT_EQ(SavedWrites, 4);
  // The new page lists the folder the page in front of it listed.
  EXPECT_EQ(second->Dir(), &dir);
}

// Entries named e00000, e00001, ... but those in Skipped, sorted.
void FillNumbered(TDir& Dir, int Count, std::set<int> Skipped = {}) {
  Dir.Clear();
  for (int i = 0; i < Count; ++i)
    if (!Skipped.count(i))
      Dir.AddFile(std::make_unique<TFile>(QString("e%1").arg(i, 5, 10, QChar('0'))));
  Dir.Sort();
}

// A large folder in two tabs: one model, two views that keep no rows of
// their own, each selecting, scrolling and moving by keys on its own; a
// refill leaves each at its entry and its scroll position.
TEST_F(PagesTest, TabsShowingOneFolderShareItsModelAndKeepTheirOwnPlaces) {
  Tabs.resize(400, 400);
  Tabs.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&Tabs));
  TDir dir;
  FillNumbered(dir, 10000);
  TPage* first = Pages.Create(nullptr);
  first->SetDir(&dir);
  TPage* second = Pages.Create(nullptr);
  QListView* a = first->DirListBox();
  QListView* b = second->DirListBox();
  ASSERT_EQ(second->Dir(), &dir);
  EXPECT_EQ(a->model(), b->model());
  EXPECT_EQ(Pages.ListModels().Find(&dir), a->model());

  const int h = TDirListDelegate::ItemHeight;
  b->verticalScrollBar()->setValue(100);
  EXPECT_EQ(b->indexAt(QPoint(5, 2 * h + 1)).row(), 102);
  EXPECT_EQ(b->visualRect(b->model()->index(102, 0)), QRect(0, 2 * h, b->viewport()->width(), h));
  EXPECT_FALSE(b->indexAt(QPoint(5, -1)).isValid());
  QTest::mouseClick(b->viewport(), Qt::LeftButton, {}, QPoint(5, 2 * h + 3));
  ASSERT_NE(second->SelectedFile(), nullptr);
  EXPECT_EQ(second->SelectedFile()->RemoteName(), "e00102");
  b->setFocus();
  QTest::keyClick(b, Qt::Key_End);
  EXPECT_EQ(b->currentIndex().row(), 9999);
  EXPECT_TRUE(b->viewport()->rect().contains(b->visualRect(b->currentIndex())));
  QTest::keyClick(b, Qt::Key_Home);
  EXPECT_EQ(b->currentIndex().row(), 0);
  EXPECT_EQ(b->verticalScrollBar()->value(), 0);
  // The other tab's view did not move with it.
  EXPECT_EQ(a->currentIndex().row(), -1);

  ASSERT_TRUE(first->SelectFile("e00510"));
  a->verticalScrollBar()->setValue(500);
  ASSERT_EQ(a->verticalScrollBar()->value(), 500);
  ASSERT_TRUE(second->SelectFile("e09000"));
  b->verticalScrollBar()->setValue(8990);
  ASSERT_EQ(b->verticalScrollBar()->value(), 8990);
  // An entry above both goes, one below them comes.
  TDir listed;
  FillNumbered(listed, 10001, {3});
  dir.SwapEntries(listed);
  Pages.ListModels().Refill(&dir);
  EXPECT_EQ(a->model()->rowCount(), 10000);
  EXPECT_EQ(first->SelectedFile()->RemoteName(), "e00510");
  EXPECT_EQ(a->verticalScrollBar()->value(), 500);
  EXPECT_EQ(second->SelectedFile()->RemoteName(), "e09000");
  EXPECT_EQ(b->verticalScrollBar()->value(), 8990);

  // The entry a view had selected went: nothing is selected there.
  FillNumbered(listed, 10000, {9000});
  dir.SwapEntries(listed);
  Pages.ListModels().Refill(&dir);
  EXPECT_EQ(second->SelectedFile(), nullptr);
  EXPECT_EQ(first->SelectedFile()->RemoteName(), "e00510");
}

TEST_F(PagesTest, TabChangesMadeByTheListAreToldFromOtherChanges) {
  std::vector<bool> switching;
  QObject::connect(&Tabs, &QTabWidget::currentChanged,
                   [&] { switching.push_back(Pages.Switching()); });
  NameDocument(Pages.Create(nullptr), "a");
  TPage* b = NameDocument(Pages.Create(nullptr), "b");
  NameDocument(Pages.Create(nullptr), "c");
  ASSERT_FALSE(switching.empty());
  EXPECT_EQ(std::count(switching.begin(), switching.end(), false), 0);

  switching.clear();
  Tabs.setCurrentIndex(0);  // as a click on the tab does
  Pages.Activate(b);
  Pages.Activate(2);
  EXPECT_EQ(switching, (std::vector<bool>{false, true, true}));
  EXPECT_FALSE(Pages.Switching());
  EXPECT_EQ(Pages.Active(), Pages.At(2));
}

TEST_F(PagesTest, ClosingTellsFirstThenBringsTheLastPageForwardWithTheFocus) {
  Tabs.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&Tabs));
  QPointer<TPage> a = NameDocument(Pages.Create(nullptr), "a");
  TPage* b = NameDocument(Pages.Create(nullptr), "b");
  TPage* c = NameDocument(Pages.Create(nullptr), "c");
  Tabs.setCurrentIndex(0);
  // Away from every editor, so only the close can put it on one.
  Tabs.tabBar()->setFocus();
  ASSERT_EQ(Tabs.focusWidget(), Tabs.tabBar());

  Pages.CloseActive();
  // The page was still whole, and still listed, when Closing ran.
  EXPECT_EQ(Closing, QStringList{"a"});
  EXPECT_EQ(CountAtClosing, 3);
  EXPECT_TRUE(a.isNull());
  EXPECT_EQ(Tabs.count(), 2);
  EXPECT_EQ(All(), (std::vector<TPage*>{b, c}));
  EXPECT_EQ(Pages.Active(), c);
  EXPECT_EQ(Tabs.focusWidget(), c->Editor());

  Pages.CloseActive();
  Pages.CloseActive();
  EXPECT_EQ(Closing, (QStringList{"a", "c", "b"}));
  EXPECT_EQ(Pages.Count(), 0);
  EXPECT_EQ(Pages.Active(), nullptr);
  Pages.CloseActive();
  EXPECT_EQ(Closing.size(), 3);
}

TEST_F(PagesTest, APageWhoseSheetGoesElsewhereIsForgotten) {
  TPage* a = NameDocument(Pages.Create(nullptr), "a");
  TPage* b = NameDocument(Pages.Create(nullptr), "b");
  TPage* c = NameDocument(Pages.Create(nullptr), "c");
  delete b->TabSheet();
  EXPECT_EQ(Tabs.count(), 2);
  EXPECT_EQ(All(), (std::vector<TPage*>{a, c}));
  EXPECT_TRUE(Closing.isEmpty());

  // The walk that may stop stops at the first false, and says so.
  std::vector<TPage*> seen;
  EXPECT_FALSE(Pages.ForEachWhile([&](TPage* Page) {
    seen.push_back(Page);
    return Page != a;
  }));
  EXPECT_EQ(seen, std::vector<TPage*>{a});
  seen.clear();
  EXPECT_TRUE(Pages.ForEachWhile([&](TPage* Page) {
    seen.push_back(Page);
    return true;
  }));
  EXPECT_EQ(seen, (std::vector<TPage*>{a, c}));
}

}  // namespace
