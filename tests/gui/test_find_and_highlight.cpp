#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <Qsci/qscilexercss.h>
#include <Qsci/qscilexerhtml.h>
#include <Qsci/qscilexerjava.h>
#include <Qsci/qscilexerjavascript.h>
#include <Qsci/qscilexerperl.h>
#include <Qsci/qsciscintilla.h>

#include "TempHome.h"
#include "ui/FindDialog.h"
#include "ui/FindNext.h"
#include "ui/Highlighters.h"

namespace {

// Selection as (anchor, caret) in positions, which equal characters here.
struct TSel {
  int Anchor, Caret;
  bool operator==(const TSel& o) const { return Anchor == o.Anchor && Caret == o.Caret; }
};
std::ostream& operator<<(std::ostream& os, const TSel& s) {
  return os << "(" << s.Anchor << "," << s.Caret << ")";
}

class FindNextTest : public ::testing::Test {
 protected:
  TempHome Home;
  QsciScintilla Editor;

  void SetUp() override {
    Editor.setUtf8(true);
    //            0         1         2         3
    //            0123456789012345678901234567890123
    Editor.setText("foo Foo bar foo\nFOO end");
  }
  void Caret(int Position) { Editor.SendScintilla(QsciScintillaBase::SCI_GOTOPOS, Position); }
  TSel Sel() const {
    return {int(Editor.SendScintilla(QsciScintillaBase::SCI_GETANCHOR)),
            int(Editor.SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS))};
  }
};

TEST_F(FindNextTest, DownWalksMatchesIgnoringCaseThenStopsWithoutWrapping) {
  Caret(1);
  EXPECT_TRUE(FindNext(&Editor, "foo", false, false));
  EXPECT_EQ(Sel(), (TSel{4, 7}));  // "Foo" for "foo"
  EXPECT_TRUE(FindNext(&Editor, "foo", false, false));
  EXPECT_EQ(Sel(), (TSel{12, 15}));
  EXPECT_TRUE(FindNext(&Editor, "foo", false, false));
  EXPECT_EQ(Sel(), (TSel{16, 19}));
  EXPECT_FALSE(FindNext(&Editor, "foo", false, false));
  EXPECT_EQ(Sel(), (TSel{16, 19}));
}

TEST_F(FindNextTest, DownWithMatchCaseSkipsOtherCases) {
  Caret(1);
  EXPECT_TRUE(FindNext(&Editor, "foo", true, false));
  EXPECT_EQ(Sel(), (TSel{12, 15}));
  EXPECT_FALSE(FindNext(&Editor, "foo", true, false));
  EXPECT_EQ(Sel(), (TSel{12, 15}));
}

TEST_F(FindNextTest, UpFindsNearestMatchBeforeCaretAndContinuesBeforeIt) {
  Caret(14);  // inside the third "foo"
  EXPECT_TRUE(FindNext(&Editor, "foo", false, true));
  EXPECT_EQ(Sel(), (TSel{7, 4}));  // caret at the start
  EXPECT_TRUE(FindNext(&Editor, "foo", false, true));
  EXPECT_EQ(Sel(), (TSel{3, 0}));
  EXPECT_FALSE(FindNext(&Editor, "foo", false, true));
  EXPECT_EQ(Sel(), (TSel{3, 0}));
}

TEST_F(FindNextTest, UpWithMatchCase) {
  Caret(Editor.text().size());
  EXPECT_TRUE(FindNext(&Editor, "Foo", true, true));
  EXPECT_EQ(Sel(), (TSel{7, 4}));
}

TEST_F(FindNextTest, ChangingDirectionDoesNotFindTheSelectedMatchAgain) {
  Caret(5);
  ASSERT_TRUE(FindNext(&Editor, "foo", false, false));
  ASSERT_EQ(Sel(), (TSel{12, 15}));
  EXPECT_TRUE(FindNext(&Editor, "foo", false, true));
  EXPECT_EQ(Sel(), (TSel{7, 4}));
  EXPECT_TRUE(FindNext(&Editor, "foo", false, false));
  EXPECT_EQ(Sel(), (TSel{12, 15}));
}

TEST_F(FindNextTest, MissAndEmptyTextKeepSelectionAndCaret) {
  Editor.SendScintilla(QsciScintillaBase::SCI_SETSEL, 9, 5);
  EXPECT_FALSE(FindNext(&Editor, "zzz", false, false));
  EXPECT_EQ(Sel(), (TSel{9, 5}));
  EXPECT_FALSE(FindNext(&Editor, "zzz", false, true));
  EXPECT_EQ(Sel(), (TSel{9, 5}));
  EXPECT_FALSE(FindNext(&Editor, "", false, false));
  EXPECT_EQ(Sel(), (TSel{9, 5}));
  EXPECT_EQ(Editor.text(), "foo Foo bar foo\nFOO end");
}

TEST_F(FindNextTest, NonAsciiTextAndPositions) {
  // An emoji (four bytes, two UTF-16 units), "été", a euro sign (three bytes).
  Editor.setText(
      QString::fromUtf8("\xF0\x9F\x98\x80\xC3\xA9t\xC3\xA9 \xE2\x82\xAC x \xE2\x82\xAC"));
  Caret(0);
  ASSERT_TRUE(FindNext(&Editor, QString::fromUtf8("\xE2\x82\xAC x"), true, false));
  EXPECT_EQ(Editor.selectedText(), QString::fromUtf8("\xE2\x82\xAC x"));
  EXPECT_EQ(Sel(), (TSel{10, 15}));
  // Case folding beyond ASCII: "ÉT" finds "ét".
  ASSERT_TRUE(FindNext(&Editor, QString::fromUtf8("\xC3\x89T"), false, true));
  EXPECT_EQ(Editor.selectedText(), QString::fromUtf8("\xC3\xA9t"));
  EXPECT_EQ(Sel(), (TSel{7, 4}));
}

TEST(FindDialog, StartsDownWithoutTextAndReportsItsChoices) {
  TempHome home;
  TFindDialog dialog;
  EXPECT_TRUE(dialog.DownButton->isChecked());
  EXPECT_FALSE(dialog.Up());
  EXPECT_FALSE(dialog.MatchCase());
  EXPECT_FALSE(dialog.isModal());
  EXPECT_FALSE(dialog.FindNextButton->isEnabled());

  QSignalSpy spy(&dialog, &TFindDialog::Find);
  dialog.FindEdit->setText("foo");
  dialog.MatchCaseBox->setChecked(true);
  dialog.UpButton->setChecked(true);
  dialog.FindNextButton->click();
  EXPECT_EQ(spy.count(), 1);
  EXPECT_EQ(dialog.FindText(), "foo");
  EXPECT_TRUE(dialog.MatchCase());
  EXPECT_TRUE(dialog.Up());

  dialog.show();
  dialog.CancelButton->click();
  EXPECT_FALSE(dialog.isVisible());
}

struct TCaptionCase {
  const char* Caption;
  TLanguage Language;
};

// The names alone: the original five rows, as they were, and names they
// left alone, which the table now knows or leaves as plain text.
TEST(Highlighters, CaptionChoosesByLowerCasedExtension) {
  const TCaptionCase cases[] = {
      {"INDEX.HTML", TLanguage::Html},
      {"view.jsp", TLanguage::Html},
      {"page.htm", TLanguage::Html},
      {"notes.txt", TLanguage::None},
      {"script.JS", TLanguage::JavaScript},
      {"script.json", TLanguage::Json},
      {"a.CGI", TLanguage::Perl},
      {"x.perl", TLanguage::Perl},
      {"y.pl", TLanguage::Perl},
      {"Main.java", TLanguage::Java},
      {"site.css", TLanguage::Css},
      {"Makefile", TLanguage::Makefile},
      {"dir/a.b/file", TLanguage::None},
      {"dir.js/file", TLanguage::None},
      {"/tmp/x/app.js", TLanguage::JavaScript},
      {"archive.css.bak", TLanguage::None},
      {".css", TLanguage::Css},
      {"a.", TLanguage::None},
      {"", TLanguage::None},
  };
  for (const TCaptionCase& c : cases)
    EXPECT_EQ(TLanguageTable::Choose(c.Caption, {}), c.Language) << c.Caption;
}

TEST(Highlighters, OneSharedInstanceEachAndNoneForPlainText) {
  TempHome home;
  THighlighters h;
  EXPECT_EQ(h.Lexer(TLanguage::Html), h.HtmlSyn());
  EXPECT_EQ(h.Lexer(TLanguage::Html), h.Lexer(TLanguage::Html));
  EXPECT_EQ(h.Lexer(TLanguage::JavaScript), h.JsSyn());
  EXPECT_EQ(h.Lexer(TLanguage::Perl), h.PerlSyn());
  EXPECT_EQ(h.Lexer(TLanguage::Java), h.JavaSyn());
  EXPECT_EQ(h.Lexer(TLanguage::Css), h.CssSyn());
  EXPECT_EQ(h.Lexer(TLanguage::None), nullptr);
  EXPECT_EQ(h.HtmlSyn()->color(QsciLexerHTML::Entity), QColor(Qt::red));
  // PHP is HTML's lexer, a second instance, so the menu can tell them apart.
  EXPECT_NE(h.Lexer(TLanguage::Php), h.Lexer(TLanguage::Html));
  for (const TLanguage language : TLanguageTable::All())
    EXPECT_EQ(h.LanguageOf(h.Lexer(language)), language)
        << TLanguageTable::Name(language).toStdString();
}

TEST(Highlighters, SetFontKeepsBoldStyles) {
  TempHome home;
  THighlighters h;
  int boldStyles = 0;
  for (int style = 0; style < 128; ++style)
    if (!h.JavaSyn()->description(style).isEmpty() && h.JavaSyn()->font(style).bold()) ++boldStyles;
  ASSERT_GT(boldStyles, 0);
  QFont font("Monospace", 13);
  h.SetFont(font);
  int boldAfter = 0;
  for (int style = 0; style < 128; ++style) {
    if (h.JavaSyn()->description(style).isEmpty()) continue;
    EXPECT_EQ(h.JavaSyn()->font(style).family(), font.family());
    EXPECT_EQ(h.JavaSyn()->font(style).pointSize(), 13);
    if (h.JavaSyn()->font(style).bold()) ++boldAfter;
  }
  EXPECT_EQ(boldAfter, boldStyles);
  EXPECT_EQ(static_cast<QsciLexer*>(h.CssSyn())->defaultFont().pointSize(), 13);
}

}  // namespace
