// Find and Replace: the search with case, whole word and regular
// expression, Replace and Replace All on the editor, and the dialog through
// the window (its count, a refused pattern, F3 after it closed).
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <Qsci/qsciscintilla.h>
#include <gtest/gtest.h>

#include "TempHome.h"
#include "WindowTest.h"
#include "remote/session/ConnectionDriver.h"
#include "ui/EditCommands.h"
#include "ui/MainWindow.h"
#include "ui/ReplaceDialog.h"
#include "ui/TextSearch.h"

namespace {

class TextSearchTest : public ::testing::Test {
 protected:
  TempHome Home;
  QsciScintilla Editor;

  void SetUp() override { Editor.setUtf8(true); }
  void Caret(long Position) { Editor.SendScintilla(QsciScintillaBase::SCI_GOTOPOS, Position); }
  QString Selected() const { return Editor.selectedText(); }
  static TSearchOptions Options(const QString& Text, bool Case = false, bool Word = false,
                                bool Regex = false) {
    return TSearchOptions{Text, Case, Word, Regex};
  }
};

struct TReplaceAllCase {
  const char* Name;
  TSearchOptions Options;
  const char* Replacement;
  const char* Expected;
  int Count;
};

std::ostream& operator<<(std::ostream& Out, const TReplaceAllCase& Case) {
  return Out << Case.Name;
}

class ReplaceAllTest : public TextSearchTest,
                       public ::testing::WithParamInterface<TReplaceAllCase> {};

TEST_P(ReplaceAllTest, ReplacesEveryMatchAndCountsThem) {
  const TReplaceAllCase& c = GetParam();
  Editor.setText("cat Cat concat cat-food CAT\nÉté été");
  EXPECT_EQ(TTextSearch(c.Options).ReplaceAll(Editor, QString::fromUtf8(c.Replacement)), c.Count);
  EXPECT_EQ(Editor.text(), QString::fromUtf8(c.Expected));
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ReplaceAllTest,
    ::testing::Values(TReplaceAllCase{"any_case",
                                      {"cat", false, false, false},
                                      "dog",
                                      "dog dog condog dog-food dog\nÉté été",
                                      5},
                      TReplaceAllCase{"match_case",
                                      {"cat", true, false, false},
                                      "dog",
                                      "dog Cat condog dog-food CAT\nÉté été",
                                      3},
                      TReplaceAllCase{"whole_word",
                                      {"cat", false, true, false},
                                      "dog",
                                      "dog dog concat dog-food dog\nÉté été",
                                      4},
                      TReplaceAllCase{"word_and_case",
                                      {"cat", true, true, false},
                                      "dog",
                                      "dog Cat concat dog-food CAT\nÉté été",
                                      2},
                      // Case folding covers letters beyond ASCII.
                      TReplaceAllCase{"accented_any_case",
                                      {"été", false, false, false},
                                      "x",
                                      "cat Cat concat cat-food CAT\nx x",
                                      2},
                      // A plain search takes the signs of a pattern literally.
                      TReplaceAllCase{"plain_dot",
                                      {"c.t", false, false, false},
                                      "?",
                                      "cat Cat concat cat-food CAT\nÉté été",
                                      0},
                      TReplaceAllCase{"regex_groups",
                                      {"(c)(a)t", true, false, true},
                                      "\\2$1",
                                      "ac Cat conac ac-food CAT\nÉté été",
                                      3},
                      TReplaceAllCase{"regex_word",
                                      {"c\\w+", false, true, true},
                                      "<\\0>",
                                      "<cat> <Cat> <concat> <cat>-food <CAT>\nÉté été",
                                      5},
                      TReplaceAllCase{"regex_replacement_kept_as_typed_in_plain_mode",
                                      {"cat", true, true, false},
                                      "$1\\1",
                                      "$1\\1 Cat concat $1\\1-food CAT\nÉté été",
                                      2},
                      // Empty matches replace nothing, and the text stays as it was.
                      TReplaceAllCase{"regex_empty_match",
                                      {"z*", false, false, true},
                                      "!",
                                      "cat Cat concat cat-food CAT\nÉté été",
                                      0}));

TEST_F(TextSearchTest, ReplaceAllIsOneUndoStep) {
  Editor.setText("a1 b a2 c a3\nend");
  const QString before = Editor.text();
  EXPECT_EQ(TTextSearch(Options("a\\d", true, false, true)).ReplaceAll(Editor, "Z"), 3);
  EXPECT_EQ(Editor.text(), "Z b Z c Z\nend");
  Editor.undo();
  EXPECT_EQ(Editor.text(), before);
  Editor.redo();
  EXPECT_EQ(Editor.text(), "Z b Z c Z\nend");
}

TEST_F(TextSearchTest, InvalidRegularExpressionSaysWhyAndChangesNothing) {
  Editor.setText("a(b");
  Caret(1);
  const TTextSearch search(Options("(b", false, false, true));
  EXPECT_TRUE(search.Error().startsWith("The regular expression is not valid: "))
      << search.Error().toStdString();
  EXPECT_EQ(search.ReplaceAll(Editor, "x"), 0);
  EXPECT_FALSE(search.Replace(Editor, "x"));
  EXPECT_FALSE(search.FindNext(Editor, false));
  EXPECT_EQ(Editor.text(), "a(b");
  EXPECT_FALSE(Editor.isUndoAvailable());
  // The same text as plain text is fine.
  EXPECT_TRUE(TTextSearch(Options("(b")).Error().isEmpty());
}

// Replace changes the selected match, then selects the next; a selection
// that is no match is only moved past.
TEST_F(TextSearchTest, ReplaceTakesTheSelectedMatchAndMovesOn) {
  Editor.setText("one two one two one");
  const TTextSearch search(Options("one", true, true, false));
  Caret(0);
  EXPECT_FALSE(search.Replace(Editor, "1"));  // nothing selected yet: finds the first
  EXPECT_EQ(Selected(), "one");
  EXPECT_TRUE(search.Replace(Editor, "1"));
  EXPECT_EQ(Editor.text(), "1 two one two one");
  EXPECT_EQ(Selected(), "one");
  EXPECT_TRUE(search.Replace(Editor, "1"));
  EXPECT_TRUE(search.Replace(Editor, "1"));
  EXPECT_EQ(Editor.text(), "1 two 1 two 1");
  EXPECT_FALSE(search.Replace(Editor, "1"));
}

TEST_F(TextSearchTest, FindWalksBothWaysWithoutWrapping) {
  //             0123456789012345678
  Editor.setText("ab xab ab abx ab");
  const TTextSearch search(Options("ab", true, true, false));
  Caret(4);
  ASSERT_TRUE(search.FindNext(Editor, false));
  EXPECT_EQ(Editor.SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART), 7);
  ASSERT_TRUE(search.FindNext(Editor, false));
  EXPECT_EQ(Editor.SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART), 14);
  EXPECT_FALSE(search.FindNext(Editor, false));
  ASSERT_TRUE(search.FindNext(Editor, true));
  EXPECT_EQ(Editor.SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART), 7);
  ASSERT_TRUE(search.FindNext(Editor, true));
  EXPECT_EQ(Editor.SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART), 0);
  EXPECT_FALSE(search.FindNext(Editor, true));
}

class ReplaceWindowTest : public WindowTest {};

TEST_F(ReplaceWindowTest, DialogCountsRefusesBadPatternsAndF3RepeatsAfterClosing) {
  auto form = ShowForm();
  form->Driver().SetConnected(true);
  TPage* page = form->ActivePage();
  QsciScintilla* edit = page->Editor();
  edit->setText("x1 x2 x3 x4");
  page->SetSaved(true);
  EXPECT_EQ(form->ReplaceAction->shortcut(), QKeySequence("Ctrl+H"));

  form->ReplaceAction->trigger();
  TReplaceDialog* dialog = form->EditCommands().ReplaceDialog();
  ASSERT_TRUE(dialog->isVisible());
  dialog->RegularExpressionBox->setChecked(true);
  dialog->FindEdit->setText("x[");
  dialog->ReplaceEdit->setText("y");
  dialog->ReplaceAllButton->click();
  EXPECT_TRUE(dialog->Message().startsWith("The regular expression is not valid"))
      << dialog->Message().toStdString();
  EXPECT_EQ(edit->text(), "x1 x2 x3 x4");
  EXPECT_TRUE(page->Saved());

  dialog->FindEdit->setText("x([0-9])");
  dialog->ReplaceEdit->setText("y\\1");
  dialog->ReplaceAllButton->click();
  EXPECT_EQ(dialog->Message(), "Replaced 4 matches.");
  EXPECT_EQ(edit->text(), "y1 y2 y3 y4");
  EXPECT_FALSE(page->Saved());

  dialog->FindEdit->setText("y\\d");
  dialog->CloseButton->click();
  EXPECT_FALSE(dialog->isVisible());
  edit->SendScintilla(QsciScintillaBase::SCI_GOTOPOS, 0L);
  form->FindNextAction->trigger();
  EXPECT_EQ(edit->selectedText(), "y1");
  form->FindNextAction->trigger();
  EXPECT_EQ(edit->selectedText(), "y2");
  form->FindPreviousAction->trigger();
  EXPECT_EQ(edit->selectedText(), "y1");
  EXPECT_EQ(form->FindNextAction->shortcut(), QKeySequence(Qt::Key_F3));
  EXPECT_EQ(form->FindPreviousAction->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F3));
  EXPECT_TRUE(Reported.isEmpty()) << Reported.join("\n").toStdString();
}

}  // namespace
