// What the window tells of the page in front: the status bar's facts (caret,
// encoding, line ends, language), the unsaved mark on the tab, Redo's state,
// Go to Line and View > Language.
#include <QAction>
#include <QActionGroup>
#include <QFile>
#include <QMenu>
#include <QTabWidget>
#include <QTest>
#include <Qsci/qsciscintilla.h>
#include <gtest/gtest.h>

#include "ScriptedPrompts.h"
#include "WaitFor.h"
#include "WindowTest.h"
#include "remote/session/ConnectionDriver.h"
#include "ui/EditCommands.h"
#include "ui/EditorStatus.h"
#include "ui/Highlighters.h"
#include "ui/MainWindow.h"

namespace {

QByteArray Bytes(const char* Data, size_t Size) { return QByteArray(Data, qsizetype(Size)); }
#define B(literal) Bytes(literal, sizeof(literal) - 1)

class EditorStatusTest : public WindowTest {
 protected:
  std::unique_ptr<TScriptedForm> ShowForm() {
    auto form = WindowTest::ShowForm();
    form->SaveAnswer = QMessageBox::No;
    form->Driver().SetConnected(true);
    return form;
  }
  QString WriteFile(const QString& Name, const QByteArray& Data) {
    const QString path = Home.Path() + "/" + Name;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(Data);
    return path;
  }
  static QByteArray Contents(const QString& Path) {
    QFile file(Path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
  }
  static QString Fact(TScriptedForm& Form, TEditorStatus::TFact Fact) {
    return Form.EditorStatus().Text(Fact);
  }
};

struct TFormCase {
  const char* Name;
  QByteArray Data;
  const char* Encoding;
  const char* LineEnds;
};

// The forms of the text file round-trip tests: each is named as loaded, and
// saved unchanged gives back the very bytes.
TEST_F(EditorStatusTest, StatusBarNamesEachEncodingAndLineEndFormAsLoaded) {
  const TFormCase cases[] = {
      {"empty", QByteArray(), "UTF-8", "LF"},
      {"lf_final", B("a\nb\n"), "UTF-8", "LF"},
      {"crlf_no_final", B("a\r\nb"), "UTF-8", "CRLF"},
      {"cr_only", B("a\rb\r"), "UTF-8", "CR"},
      {"mixed_first_cr", B("a\rb\r\nc\nd"), "UTF-8", "Mixed"},
      {"mixed_first_lf", B("a\nb\r\n\r\r\n"), "UTF-8", "Mixed"},
      {"lone_cr_at_end", B("a\r\nb\r"), "UTF-8", "Mixed"},
      {"utf8_mark", B("\xEF\xBB\xBF\xE2\x82\xAC\r\n"), "UTF-8 with BOM", "CRLF"},
      {"latin1_high_bytes", B("caf\xE9\r\n\xFF\x80"), "Latin-1", "CRLF"},
      {"latin1_after_utf8_mark", B("\xEF\xBB\xBF\xE9\n"), "Latin-1", "LF"},
      {"utf16le",
       B("\xFF\xFE"
         "a\0\r\0\n\0\xAC\x20"),
       "UTF-16 LE", "CRLF"},
      {"utf16be",
       B("\xFE\xFF"
         "\0a\0\n\0b\0\r"),
       "UTF-16 BE", "Mixed"},
  };
  auto form = ShowForm();
  TPage* page = form->ActivePage();
  for (const TFormCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const QString path = WriteFile(QString(c.Name) + ".txt", c.Data);
    page->LoadFromFile(path);
    EXPECT_EQ(Fact(*form, TEditorStatus::Encoding), c.Encoding);
    EXPECT_EQ(Fact(*form, TEditorStatus::LineEnds), c.LineEnds);
    page->SaveToFile(path + ".saved");
    EXPECT_EQ(Contents(path + ".saved"), c.Data);
  }
  EXPECT_TRUE(Reported.isEmpty()) << Reported.join("\n").toStdString();
}

TEST_F(EditorStatusTest, StatusBarFollowsTheCaretTheLanguageAndThePageInFront) {
  auto form = ShowForm();
  TPage* first = form->ActivePage();
  NameDocument(first, "index.html");
  first->UpdateHighlighter();
  first->Editor()->setText("<p>\n  caf\xC3\xA9 x</p>");
  first->Editor()->setCursorPosition(1, 6);  // after "  café": 6 characters, 7 bytes
  // The editor reports the caret once it has updated its view.
  EXPECT_TRUE(WaitFor([&] { return Fact(*form, TEditorStatus::Position) == "Ln 2, Col 7"; }))
      << Fact(*form, TEditorStatus::Position).toStdString();
  EXPECT_EQ(Fact(*form, TEditorStatus::Language), "HTML");

  form->NewAction->trigger();
  TPage* second = form->ActivePage();
  ASSERT_NE(second, first);
  second->LoadFromFile(WriteFile("run", "#!/bin/sh\r\necho hi\r\n"));
  NameDocument(second, "run");
  second->UpdateHighlighter();
  EXPECT_EQ(Fact(*form, TEditorStatus::Language), "Shell");
  EXPECT_EQ(Fact(*form, TEditorStatus::LineEnds), "CRLF");
  EXPECT_EQ(Fact(*form, TEditorStatus::Position), "Ln 1, Col 1");

  ClickTab(*form, 0);
  EXPECT_EQ(Fact(*form, TEditorStatus::Language), "HTML");
  EXPECT_EQ(Fact(*form, TEditorStatus::LineEnds), "LF");
}

TEST_F(EditorStatusTest, TabMarksUnsavedTextWhileTheCaptionStaysTheName) {
  auto form = ShowForm();
  TPage* page = form->ActivePage();
  NameDocument(page, "index.html");
  page->DocumentChanged();
  EXPECT_EQ(form->Tabs->tabText(0), "index.html");
  page->Editor()->insert("x");
  EXPECT_EQ(form->Tabs->tabText(0), QString("index.html \u2022"));
  EXPECT_EQ(page->Caption(), "index.html");
  EXPECT_EQ(page->Document().DisplayName(), "index.html");
  page->SetSaved(true);
  EXPECT_EQ(form->Tabs->tabText(0), "index.html");
}

TEST_F(EditorStatusTest, RedoIsEnabledExactlyWhenTheEditorCanRedo) {
  auto form = ShowForm();
  QsciScintilla* edit = form->ActivePage()->Editor();
  edit->setFocus();
  ASSERT_EQ(form->focusWidget(), edit);
  EXPECT_FALSE(form->RedoAction->isEnabled());
  QTest::keyClicks(edit, "ab");
  EXPECT_FALSE(form->RedoAction->isEnabled());
  form->UndoAction->trigger();
  EXPECT_TRUE(form->RedoAction->isEnabled());
  QTest::keyClick(edit, Qt::Key_Y, Qt::ControlModifier);  // the window's Ctrl+Y
  EXPECT_EQ(edit->text(), "ab");
  EXPECT_FALSE(form->RedoAction->isEnabled());
  form->UndoAction->trigger();
  QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(edit->text(), "ab");
  form->UndoAction->trigger();
  EXPECT_TRUE(form->RedoAction->isEnabled());
  QTest::keyClicks(edit, "c");  // typing drops what could be redone
  EXPECT_FALSE(form->RedoAction->isEnabled());
}

TEST_F(EditorStatusTest, GoToLineGoesToTheLineAskedAndStopsAtTheLast) {
  auto form = ShowForm();
  QsciScintilla* edit = form->ActivePage()->Editor();
  edit->setText("one\ntwo\nthree\nfour");
  EXPECT_EQ(form->GoToLineAction->shortcut(), QKeySequence("Ctrl+G"));
  const std::pair<int, int> steps[] = {{3, 2}, {1, 0}, {4, 3}, {99, 3}};
  for (const auto& [asked, reached] : steps) {
    SCOPED_TRACE(asked);
    form->LineAnswer = asked;
    form->GoToLineAction->trigger();
    int line = -1, index = -1;
    edit->getCursorPosition(&line, &index);
    EXPECT_EQ(line, reached);
    EXPECT_EQ(index, 0);
  }
  EXPECT_EQ(form->LineQuestions.back(), std::make_pair(4, 4));  // preset: the caret's line
  form->LineAnswer.reset();                                     // cancelled: the caret stays
  edit->setCursorPosition(1, 2);
  form->GoToLineAction->trigger();
  int line = -1, index = -1;
  edit->getCursorPosition(&line, &index);
  EXPECT_EQ(std::make_pair(line, index), std::make_pair(1, 2));
}

QAction* LanguageAction(TScriptedForm& Form, const QString& Name) {
  for (QAction* action : Form.LanguageGroup->actions())
    if (action->text() == Name) return action;
  return nullptr;
}

TEST_F(EditorStatusTest, LanguageMenuShowsThePagesLanguageAndChangesIt) {
  auto form = ShowForm();
  TPage* page = form->ActivePage();
  NameDocument(page, "notes.txt");
  page->UpdateHighlighter();
  emit form->LanguageMenu->aboutToShow();
  EXPECT_TRUE(LanguageAction(*form, "Plain Text")->isChecked());

  LanguageAction(*form, "Python")->trigger();
  EXPECT_EQ(page->Language(), TLanguage::Python);
  EXPECT_EQ(page->Editor()->lexer(), form->Highlighters().Lexer(TLanguage::Python));
  EXPECT_EQ(Fact(*form, TEditorStatus::Language), "Python");
  // A save of the same file keeps the choice; another name chooses anew.
  page->DocumentChanged();
  EXPECT_EQ(page->Language(), TLanguage::Python);
  emit form->LanguageMenu->aboutToShow();
  EXPECT_TRUE(LanguageAction(*form, "Python")->isChecked());
  NameDocument(page, "site.css");
  page->DocumentChanged();
  EXPECT_EQ(page->Language(), TLanguage::Css);
  emit form->LanguageMenu->aboutToShow();
  EXPECT_TRUE(LanguageAction(*form, "CSS")->isChecked());
}

}  // namespace
