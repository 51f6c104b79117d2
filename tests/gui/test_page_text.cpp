// A page's text goes into the editor and back out by length, in pieces when
// the file is large, and a large file is highlighted only as far as it is
// shown.
#include <QFile>
#include <QTest>
#include <Qsci/qscilexerhtml.h>
#include <Qsci/qsciscintilla.h>
#include <gtest/gtest.h>

#include "ScriptedPrompts.h"
#include "TempHome.h"
#include "store/Settings.h"
#include "ui/Editor.h"
#include "ui/Highlighters.h"
#include "ui/MainWindow.h"

namespace {

class PageTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TSettings().Write("FormTop", "-1");
    Form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Form));
    Page = Form.ActivePage();
    Edit = Page->Editor();
  }
  QString Write(const QString& Name, const QByteArray& Bytes) {
    const QString path = Home.Path() + "/" + Name;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(Bytes);
    return path;
  }
  QByteArray Read(const QString& Path) {
    QFile file(Path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
  }
  long Sci(unsigned int Message, unsigned long WParam = 0) {
    return Edit->SendScintilla(Message, WParam);
  }
  void Paint() {
    QApplication::processEvents();
    Edit->viewport()->repaint();
  }

  TempHome Home;
  TMainWindow Form;
  TPage* Page = nullptr;
  QsciScintilla* Edit = nullptr;
};

// Several megabytes of two-byte characters, NUL bytes and CR LF, shifted so
// that the piece boundaries fall on every kind of byte in turn.
TEST_F(PageTextTest, LargeTextGoesInAndOutWhole) {
  const QByteArray unit("\xC3\xA9\0\r\n", 5);
  for (int shift = 0; shift < unit.size(); ++shift) {
    SCOPED_TRACE(shift);
    const QByteArray bytes = QByteArray(shift, 'x') + unit.repeated(3 * 1024 * 1024 / unit.size());
    Page->LoadFromFile(Write("large.txt", bytes));
    EXPECT_EQ(Sci(QsciScintillaBase::SCI_GETLENGTH), bytes.size());
    EXPECT_EQ(Edit->lines(), bytes.count("\r\n") + 1);
    EXPECT_EQ(Page->Format().LineEnd, "\r\n");
    EXPECT_FALSE(Edit->isUndoAvailable());
    EXPECT_TRUE(Page->Saved());
    EXPECT_EQ(Sci(QsciScintillaBase::SCI_GETCURRENTPOS), 0);
    const QString saved = Home.Path() + "/saved.txt";
    Page->SaveToFile(saved);
    EXPECT_TRUE(Read(saved) == bytes);
  }
}

TEST_F(PageTextTest, LargeHtmlIsHighlightedAsFarAsItIsShown) {
  const QByteArray line = "<p class=\"x\">caf\xC3\xA9 &amp; more</p>\n";
  const QByteArray bytes = line.repeated(4 * 1024 * 1024 / line.size());
  Page->LoadFromFile(Write("big.html", bytes));
  NameDocument(Page, "big.html");
  Page->UpdateHighlighter();
  ASSERT_EQ(Edit->lexer(), Form.Highlighters().HtmlSyn());
  EXPECT_LT(Sci(QsciScintillaBase::SCI_GETENDSTYLED), TEditor::EagerStylingLimit);

  Paint();
  EXPECT_EQ(Sci(QsciScintillaBase::SCI_GETSTYLEAT, 1), QsciLexerHTML::Tag);
  EXPECT_LT(Sci(QsciScintillaBase::SCI_GETENDSTYLED), bytes.size() / 2);

  Sci(QsciScintillaBase::SCI_DOCUMENTEND);
  Paint();
  const long lastTag = bytes.size() - line.size() + 1;
  EXPECT_EQ(Sci(QsciScintillaBase::SCI_GETSTYLEAT, lastTag), QsciLexerHTML::Tag);
}

// A small document is styled at once, as QsciScintilla does it.
TEST_F(PageTextTest, SmallHtmlIsHighlightedAtOnce) {
  Page->LoadFromFile(Write("small.html", "<p>caf&eacute;</p>\n"));
  NameDocument(Page, "small.html");
  Page->UpdateHighlighter();
  EXPECT_EQ(Sci(QsciScintillaBase::SCI_GETSTYLEAT, 1), QsciLexerHTML::Tag);
  EXPECT_EQ(Sci(QsciScintillaBase::SCI_GETSTYLEAT, 7), QsciLexerHTML::Entity);
}

}  // namespace
