// The editor commands of the main window (view switches, font, find,
// clipboard, opening a local file) and the highlighter a page gets from its
// caption.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <Qsci/qscilexercss.h>
#include <Qsci/qscilexerhtml.h>
#include <Qsci/qscilexerjava.h>
#include <Qsci/qscilexerjavascript.h>
#include <Qsci/qscilexerperl.h>
#include <Qsci/qsciscintilla.h>
#include <gtest/gtest.h>

#include "ScriptedPrompts.h"
#include "WindowTest.h"
#include "remote/session/ConnectionDriver.h"
#include "ui/EditFrame.h"
#include "ui/FindDialog.h"
#include "ui/Highlighters.h"
#include "ui/MainWindow.h"

namespace {

// Selection as (anchor, caret) in positions, which equal characters here.
struct TSel {
  long Anchor, Caret;
  bool operator==(const TSel& o) const { return Anchor == o.Anchor && Caret == o.Caret; }
};
std::ostream& operator<<(std::ostream& os, const TSel& s) {
  return os << "(" << s.Anchor << "," << s.Caret << ")";
}

TSel Sel(QsciScintilla* Edit) {
  return {Edit->SendScintilla(QsciScintillaBase::SCI_GETANCHOR),
          Edit->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS)};
}

long StyleSize(QsciScintilla* Edit, int Style) {
  return Edit->SendScintilla(QsciScintillaBase::SCI_STYLEGETSIZE, Style);
}

std::string StyleFont(QsciScintilla* Edit, int Style) {
  char name[256] = {};
  Edit->SendScintilla(QsciScintillaBase::SCI_STYLEGETFONT, Style, name);
  return name;
}

// Scintilla keeps colours as 0xBBGGRR.
constexpr long kRed = 0x0000FF;

class EditorCommandsTest : public WindowTest {
 protected:
  void SetUp() override {
    Store("ShowLineNumbers", "1");
    Store("WrapLongLines", "0");
    Store("FontName", "DejaVu Sans Mono");
    Store("FontSize", "10");
  }

  // Connected, with Pages pages; No to the save question.
  std::unique_ptr<TScriptedForm> ShowForm(int Pages = 1) {
    auto form = WindowTest::ShowForm();
    form->SaveAnswer = QMessageBox::No;
    form->Driver().SetConnected(true);
    for (int i = 1; i < Pages; ++i) form->NewAction->trigger();
    EXPECT_EQ(form->PageCount(), Pages);
    return form;
  }

  // What the file transfer does after a download: name the page, pick its
  // highlighter.
  static void Name(TPage* Page, const QString& Caption) {
    NameDocument(Page, Caption);
    Page->UpdateHighlighter();
  }

  QString WriteFile(const QString& Name, const QByteArray& Bytes) {
    const QString path = Home.Path() + "/" + Name;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(Bytes);
    return path;
  }
};

// ---------------------------------------------------------------- view switches

TEST_F(EditorCommandsTest, LineNumbersSwitchEveryPageAndStoreTheNewState) {
  auto form = ShowForm(2);
  ASSERT_TRUE(form->ViewLineNumbersAction->isChecked());

  form->ViewLineNumbersAction->trigger();
  for (int i = 0; i < 2; ++i) {
    EXPECT_FALSE(form->Pages(i)->Frame()->LineNumbersVisible()) << i;
    EXPECT_EQ(form->Pages(i)->Editor()->marginWidth(0), 0) << i;
  }
  EXPECT_EQ(Stored("ShowLineNumbers"), "0");
  EXPECT_FALSE(form->ViewLineNumbersAction->isChecked());

  form->ViewLineNumbersAction->trigger();
  for (int i = 0; i < 2; ++i) {
    EXPECT_TRUE(form->Pages(i)->Frame()->LineNumbersVisible()) << i;
    EXPECT_GT(form->Pages(i)->Editor()->marginWidth(0), 0) << i;
  }
  EXPECT_EQ(Stored("ShowLineNumbers"), "1");
  EXPECT_TRUE(form->ViewLineNumbersAction->isChecked());
}

// A new page brings its gutter back while the check mark stays off. The
// command then goes by the active page (hide) and only flips the check mark.
TEST_F(EditorCommandsTest, LineNumbersFollowTheActivePageAfterANewPageShowedThem) {
  auto form = ShowForm();
  form->ViewLineNumbersAction->trigger();
  form->NewAction->trigger();
  ASSERT_EQ(form->PageCount(), 2);
  EXPECT_FALSE(form->Pages(0)->Frame()->LineNumbersVisible());
  EXPECT_TRUE(form->Pages(1)->Frame()->LineNumbersVisible());
  EXPECT_FALSE(form->ViewLineNumbersAction->isChecked());

  form->ViewLineNumbersAction->trigger();
  EXPECT_FALSE(form->Pages(0)->Frame()->LineNumbersVisible());
  EXPECT_FALSE(form->Pages(1)->Frame()->LineNumbersVisible());
  EXPECT_EQ(Stored("ShowLineNumbers"), "0");
  EXPECT_TRUE(form->ViewLineNumbersAction->isChecked());
}

TEST_F(EditorCommandsTest, WrapAndStartupSwitchesFollowTheirCheckMarkAndStoreIt) {
  auto form = ShowForm(2);
  form->WrapLinesAction->trigger();
  EXPECT_TRUE(form->WrapLinesAction->isChecked());
  for (int i = 0; i < 2; ++i) EXPECT_TRUE(form->Pages(i)->Frame()->WordWrap()) << i;
  EXPECT_EQ(Stored("WrapLongLines"), "1");
  form->WrapLinesAction->trigger();
  for (int i = 0; i < 2; ++i) EXPECT_FALSE(form->Pages(i)->Frame()->WordWrap()) << i;
  EXPECT_EQ(Stored("WrapLongLines"), "0");

  form->ShowConnectDialogAction->trigger();
  EXPECT_TRUE(form->ShowConnectDialogAction->isChecked());
  EXPECT_EQ(Stored("ShowConnectDialog"), "1");
  form->ShowConnectDialogAction->trigger();
  EXPECT_EQ(Stored("ShowConnectDialog"), "0");
  EXPECT_TRUE(Reported.isEmpty()) << Reported.join("\n").toStdString();
}

// ---------------------------------------------------------------- font

TEST_F(EditorCommandsTest, FontGoesToEveryPageAndTheSharedHighlightersAndStoresNameAndSize) {
  auto form = ShowForm(2);
  Name(form->Pages(0), "index.html");
  QFont chosen("DejaVu Serif", 14);
  chosen.setUnderline(true);
  form->FontAnswer = chosen;

  form->FontAction->trigger();
  ASSERT_EQ(form->FontPresets.size(), 1u);
  EXPECT_EQ(form->FontPresets[0].family(), "DejaVu Sans Mono");  // the active editor's
  EXPECT_EQ(form->FontPresets[0].pointSize(), 10);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(form->Pages(i)->Frame()->EditorFont(), chosen) << i;
    QsciScintilla* edit = form->Pages(i)->Editor();
    // What the editor draws with, lexer or not; the gutter keeps its own size.
    EXPECT_EQ(StyleFont(edit, 0), "DejaVu Serif") << i;
    EXPECT_EQ(StyleSize(edit, 0), 14) << i;
    EXPECT_EQ(StyleSize(edit, QsciScintillaBase::STYLE_LINENUMBER), 8) << i;
  }
  EXPECT_EQ(static_cast<QsciLexer*>(form->Highlighters().CssSyn())->defaultFont().pointSize(), 14);
  EXPECT_EQ(Stored("FontName"), "DejaVu Serif");
  EXPECT_EQ(Stored("FontSize"), "14");

  // Only name and size last: a new page gets them, not the underline.
  form->NewAction->trigger();
  const QFont fresh = form->ActivePage()->Frame()->EditorFont();
  EXPECT_EQ(fresh.family(), "DejaVu Serif");
  EXPECT_EQ(fresh.pointSize(), 14);
  EXPECT_FALSE(fresh.underline());
}

TEST_F(EditorCommandsTest, CancelledFontDialogChangesAndStoresNothing) {
  auto form = ShowForm();
  Store("FontName", "stored name");
  Store("FontSize", "33");
  form->FontAction->trigger();
  EXPECT_EQ(form->FontPresets.size(), 1u);
  EXPECT_EQ(form->ActivePage()->Frame()->EditorFont().family(), "DejaVu Sans Mono");
  EXPECT_EQ(Stored("FontName"), "stored name");
  EXPECT_EQ(Stored("FontSize"), "33");
}

// ---------------------------------------------------------------- find

struct TFindCase {
  const char* Text;
  bool MatchCase;
  bool Up;
  int Caret;
  TSel Expected;
};

TEST_F(EditorCommandsTest, FindNextSearchesTheActivePageFromTheCaret) {
  auto form = ShowForm(2);
  form->Pages(0)->Editor()->setText("foo foo foo");
  QsciScintilla* edit = form->Pages(1)->Editor();
  //             0         1         2
  //             01234567890123456789012
  edit->setText("foo Foo bar foo\nFOO end");
  form->ActivePage()->SetSaved(true);
  form->FindAction->trigger();
  TFindDialog* dialog = form->FindDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_FALSE(dialog->isModal());

  const TFindCase cases[] = {
      {"foo", false, false, 1, {4, 7}},   // Foo for foo
      {"foo", true, false, 1, {12, 15}},  // Match case skips Foo and FOO
      {"foo", false, true, 14, {7, 4}},   // the nearest match before the caret
      {"foo", true, true, 14, {3, 0}},   {"FOO", true, true, 23, {19, 16}},
      {"zzz", false, false, 5, {5, 5}},  // a miss changes nothing
      {"foo", false, true, 2, {2, 2}},   // no wrapping around
  };
  for (const TFindCase& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.Text << " case " << c.MatchCase << " up " << c.Up << " from " << c.Caret);
    edit->SendScintilla(QsciScintillaBase::SCI_GOTOPOS, c.Caret);
    dialog->FindEdit->setText(c.Text);
    dialog->MatchCaseBox->setChecked(c.MatchCase);
    (c.Up ? dialog->UpButton : dialog->DownButton)->setChecked(true);
    dialog->FindNextButton->click();
    EXPECT_EQ(Sel(edit), c.Expected);
  }
  EXPECT_EQ(Sel(form->Pages(0)->Editor()), (TSel{0, 0}));
  EXPECT_EQ(edit->text(), "foo Foo bar foo\nFOO end");
  EXPECT_TRUE(form->ActivePage()->Saved());

  // Find Next again continues past the match it selected.
  edit->SendScintilla(QsciScintillaBase::SCI_GOTOPOS, 0);
  dialog->MatchCaseBox->setChecked(false);
  dialog->DownButton->setChecked(true);
  dialog->FindEdit->setText("foo");
  dialog->FindNextButton->click();
  dialog->FindNextButton->click();
  EXPECT_EQ(Sel(edit), (TSel{4, 7}));
}

// ---------------------------------------------------------------- clipboard

TEST_F(EditorCommandsTest, ClipboardCommandsAndTheSavedFlag) {
  auto form = ShowForm();
  TPage* page = form->ActivePage();
  QsciScintilla* edit = page->Editor();
  QClipboard* clipboard = QApplication::clipboard();
  edit->setText("hello world");
  page->SetSaved(true);

  clipboard->setText("before");
  form->CutAction->trigger();  // no selection: nothing happens
  form->CopyAction->trigger();
  EXPECT_TRUE(page->Saved());
  EXPECT_EQ(clipboard->text(), "before");
  EXPECT_EQ(edit->text(), "hello world");

  edit->setSelection(0, 0, 0, 5);
  form->CopyAction->trigger();
  EXPECT_EQ(clipboard->text(), "hello");
  EXPECT_TRUE(page->Saved());

  edit->setSelection(0, 5, 0, 11);
  form->CutAction->trigger();
  EXPECT_EQ(clipboard->text(), " world");
  EXPECT_EQ(edit->text(), "hello");
  EXPECT_FALSE(page->Saved());
  EXPECT_TRUE(form->SaveAction->isEnabled());

  page->SetSaved(true);
  edit->SendScintilla(QsciScintillaBase::SCI_GOTOPOS, 0);
  form->PasteAction->trigger();
  EXPECT_EQ(edit->text(), " worldhello");
  EXPECT_FALSE(page->Saved());

  // With the editor focused an empty clipboard turns Paste off; from the
  // directory list it stays on and still counts as a change.
  page->SetSaved(true);
  page->DirListBox()->setFocus();
  clipboard->clear();
  ASSERT_TRUE(form->PasteAction->isEnabled());
  form->PasteAction->trigger();
  EXPECT_EQ(edit->text(), " worldhello");
  EXPECT_FALSE(page->Saved());
}

// ---------------------------------------------------------------- open

TEST_F(EditorCommandsTest, OpenReplacesTheTextAndNothingElse) {
  auto form = ShowForm();
  TPage* page = form->ActivePage();
  Name(page, "site.css");
  page->Document().RemotePath = "/var/www/site.css";
  page->Editor()->setText("body {}");
  page->SetSaved(true);
  const QString path = WriteFile("notes.txt", "first\nsecond\n");

  form->OpenAnswer = path;
  form->OpenAction->trigger();
  EXPECT_EQ(form->OpenDialogShown, 1);
  EXPECT_EQ(page->Editor()->text(), "first\nsecond\n");
  EXPECT_EQ(page->Caption(), "site.css");
  EXPECT_EQ(page->RemoteFileName(), "/var/www/site.css");
  EXPECT_EQ(page->Editor()->lexer(), form->Highlighters().CssSyn());
  EXPECT_TRUE(page->Saved());
  EXPECT_FALSE(form->SaveAction->isEnabled());
  EXPECT_TRUE(form->SaveQuestions.isEmpty());

  // A page with unsaved changes is asked about; after No it stays unsaved.
  page->Editor()->append("x");
  ASSERT_FALSE(page->Saved());
  form->OpenAction->trigger();
  EXPECT_EQ(form->SaveQuestions, QStringList{"Save changes to site.css?"});
  EXPECT_EQ(page->Editor()->text(), "first\nsecond\n");
  EXPECT_FALSE(page->Saved());
  EXPECT_TRUE(Reported.isEmpty()) << Reported.join("\n").toStdString();
}

TEST_F(EditorCommandsTest, OpenCancelledOrUnreadableLeavesTheEditorAlone) {
  auto form = ShowForm();
  QsciScintilla* edit = form->ActivePage()->Editor();
  edit->setText("kept");

  form->OpenAnswer.clear();
  form->OpenAction->trigger();
  EXPECT_EQ(form->OpenDialogShown, 1);
  EXPECT_EQ(edit->text(), "kept");
  EXPECT_TRUE(Reported.isEmpty());

  form->OpenAnswer = Home.Path() + "/missing.txt";
  form->OpenAction->trigger();
  EXPECT_EQ(edit->text(), "kept");
  ASSERT_EQ(Reported.size(), 1);
  EXPECT_TRUE(Reported[0].contains("missing.txt")) << Reported[0].toStdString();

  // Not connected: the command is off and asks for no file.
  form->Driver().SetConnected(false);
  form->OpenAction->trigger();
  EXPECT_EQ(form->OpenDialogShown, 2);
}

// ---------------------------------------------------------------- highlighters

struct THighlightStep {
  const char* Caption;
  TLanguage Expected;
};

// A file the table does not know is plain text, even on a page that showed
// a highlighted file before.
TEST_F(EditorCommandsTest, CaptionsChooseTheHighlighterAndUnknownNamesGetNone) {
  auto form = ShowForm();
  TPage* page = form->ActivePage();
  THighlighters& h = form->Highlighters();
  EXPECT_EQ(page->Editor()->lexer(), nullptr);
  // One page receiving files one after another, as downloads do.
  const THighlightStep steps[] = {
      {"notes.txt", TLanguage::None},   {"INDEX.HTML", TLanguage::Html},
      {"page.htm", TLanguage::Html},    {"script.JS", TLanguage::JavaScript},
      {"script.json", TLanguage::Json}, {"site.css", TLanguage::Css},
      {"notes.txt", TLanguage::None},   {"site.css", TLanguage::Css},
      {"README", TLanguage::None},      {"run.CGI", TLanguage::Perl},
      {"x.perl", TLanguage::Perl},      {"Main.java", TLanguage::Java},
      {"view.jsp", TLanguage::Html},    {"a.pl", TLanguage::Perl},
  };
  for (const THighlightStep& step : steps) {
    Name(page, step.Caption);
    EXPECT_EQ(page->Editor()->lexer(), h.Lexer(step.Expected)) << step.Caption;
    EXPECT_EQ(page->Language(), step.Expected) << step.Caption;
  }
}

TEST_F(EditorCommandsTest, PagesShareHighlightersAndKeepTheirFontAndGutter) {
  auto form = ShowForm(2);
  Name(form->Pages(0), "a.css");
  Name(form->Pages(0), "a.html");  // leaving a lexer resets every style
  Name(form->Pages(1), "b.html");
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    QsciScintilla* edit = form->Pages(i)->Editor();
    EXPECT_EQ(edit->lexer(), form->Highlighters().HtmlSyn());
    EXPECT_EQ(StyleFont(edit, QsciLexerHTML::Tag), "DejaVu Sans Mono");
    EXPECT_EQ(StyleSize(edit, QsciLexerHTML::Tag), 10);
    EXPECT_EQ(edit->SendScintilla(QsciScintillaBase::SCI_STYLEGETFORE,
                                  QsciScintillaBase::STYLE_LINENUMBER),
              kRed);
    EXPECT_EQ(StyleSize(edit, QsciScintillaBase::STYLE_LINENUMBER), 8);
    EXPECT_GT(edit->marginWidth(0), 0);
  }

  // Entity references are drawn in red.
  QsciScintilla* edit = form->Pages(1)->Editor();
  edit->setText("<p>Caf&eacute; &amp; more</p>");
  edit->SendScintilla(QsciScintillaBase::SCI_COLOURISE, 0, -1);
  const long style = edit->SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, 6);
  EXPECT_EQ(style, QsciLexerHTML::Entity);
  EXPECT_EQ(edit->SendScintilla(QsciScintillaBase::SCI_STYLEGETFORE, style), kRed);
}

// ---------------------------------------------------------------- screenshots

// Not a check: with QUILLERY_SCREENSHOT_DIR set it saves pictures of an HTML
// and a Perl page for a person to look at.
TEST_F(EditorCommandsTest, Screenshots) {
  const QString folder = qEnvironmentVariable("QUILLERY_SCREENSHOT_DIR");
  if (folder.isEmpty()) GTEST_SKIP() << "QUILLERY_SCREENSHOT_DIR not set";
  ASSERT_TRUE(QDir().mkpath(folder));
  auto form = ShowForm(2);
  form->resize(850, 636);
  form->OpenAnswer = WriteFile("index.html",
                               "<!DOCTYPE html>\n<html>\n<head>\n  <title>Caf&eacute;</title>\n"
                               "  <style>p { color: blue; }</style>\n</head>\n<body>\n"
                               "  <!-- the menu -->\n"
                               "  <p class=\"menu\">Caf&eacute; &amp; more</p>\n"
                               "  <a href=\"/prices?x=1&amp;y=2\">Prices &lt;today&gt;</a>\n"
                               "  <script>var n = 42; if (n) { alert('hi'); }</script>\n"
                               "</body>\n</html>\n");
  Name(form->Pages(1), "index.html");
  form->OpenAction->trigger();
  QTest::qWait(100);
  EXPECT_TRUE(form->grab().save(folder + "/html-page.png"));

  form->Tabs->setCurrentIndex(0);
  form->OpenAnswer = WriteFile("report.pl",
                               "#!/usr/bin/perl\nuse strict;\nuse warnings;\n\n"
                               "# Count the lines of each file.\n"
                               "my %count;\nforeach my $file (@ARGV) {\n"
                               "  open(my $fh, '<', $file) or die \"Cannot open $file: $!\";\n"
                               "  while (my $line = <$fh>) {\n    $count{$file}++;\n  }\n"
                               "  close($fh);\n}\n"
                               "print \"$_: $count{$_}\\n\" for sort keys %count;\n"
                               "my $pi = 3.14159;\nreturn 0 if $pi =~ /^3\\.1/;\n");
  Name(form->Pages(0), "report.pl");
  form->OpenAction->trigger();
  QTest::qWait(100);
  EXPECT_TRUE(form->grab().save(folder + "/perl-page.png"));
  EXPECT_TRUE(form->ActivePage()->Frame()->grab().save(folder + "/perl-frame.png"));
}

}  // namespace
