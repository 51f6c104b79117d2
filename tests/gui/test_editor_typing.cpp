// Typing into a page: a key press is told to the window as a change of the
// text (the unsaved mark, Undo, the gutter, the status bar) whether or not an
// assistive technology listens, and one that listens reads and follows the
// text.
#include <QAccessible>
#include <QAction>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <Qsci/qsciscintilla.h>
#include <gtest/gtest.h>

#include "TempHome.h"
#include "store/Settings.h"
#include "ui/MainWindow.h"

namespace {

class EditorTypingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TSettings().Write("FormTop", "-1");
    Form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Form));
    Page = Form.ActivePage();
    Edit = Page->Editor();
    const QString path = Home.Path() + "/notes.txt";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    // Two-byte characters before the caret: offsets differ from positions.
    file.write("caf\xC3\xA9 one\nna\xC3\xAFve two\n");
    file.close();
    Page->LoadFromFile(path);
    Page->SetSaved(true);
    Edit->setFocus();
    QApplication::processEvents();
  }
  void Type(int Key, const QString& Text = QString(), Qt::KeyboardModifiers Modifiers = {}) {
    QKeyEvent press(QEvent::KeyPress, Key, Modifiers, Text);
    QApplication::sendEvent(Edit, &press);
    QKeyEvent release(QEvent::KeyRelease, Key, Modifiers, Text);
    QApplication::sendEvent(Edit, &release);
    QApplication::processEvents();
  }
  QString TabText() const { return Form.Tabs->tabText(Form.Tabs->currentIndex()); }
  QString Shown(const char* Panel) const { return Form.findChild<QLabel*>(Panel)->text(); }

  TempHome Home;
  TMainWindow Form;
  TPage* Page = nullptr;
  QsciScintilla* Edit = nullptr;
};

// Each kind of key press: a character, a new line (the gutter's line count
// follows), one that only moves the caret and one that deletes.
TEST_F(EditorTypingTest, KeyPressesAreToldAsChangesOfTheText) {
  struct TCase {
    const char* Name;
    int Key;
    const char* Text;
    int TextChanges;
    int LineChanges;
    const char* Result;
  };
  const TCase cases[] = {
      {"character", Qt::Key_X, "x", 1, 0, "xcaf\xC3\xA9 one\nna\xC3\xAFve two\n"},
      {"new line", Qt::Key_Return, "\r", 1, 1, "\ncaf\xC3\xA9 one\nna\xC3\xAFve two\n"},
      {"caret only", Qt::Key_Right, "", 0, 0, "caf\xC3\xA9 one\nna\xC3\xAFve two\n"},
      {"delete", Qt::Key_Delete, "", 1, 0, "af\xC3\xA9 one\nna\xC3\xAFve two\n"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    SetUp();
    QSignalSpy text(Edit, &QsciScintilla::textChanged);
    QSignalSpy lines(Edit, &QsciScintilla::linesChanged);
    Type(c.Key, c.Text);
    EXPECT_EQ(text.count(), c.TextChanges);
    EXPECT_EQ(lines.count(), c.LineChanges);
    EXPECT_EQ(Edit->text().toUtf8(), QByteArray(c.Result));
    EXPECT_EQ(Page->Saved(), c.TextChanges == 0);
    EXPECT_EQ(TabText().endsWith(QStringLiteral(" \u2022")), c.TextChanges != 0);
    if (c.TextChanges != 0) {
      EXPECT_TRUE(Form.UndoAction->isEnabled());
    }
  }
}

// What the window shows after typing, and Undo and Redo of it.
TEST_F(EditorTypingTest, TypedTextIsUndoneAndRedone) {
  Edit->setCursorPosition(1, 6);
  Type(Qt::Key_S, "s");
  Type(Qt::Key_Return, "\r");
  EXPECT_EQ(Edit->text().toUtf8(), QByteArray("caf\xC3\xA9 one\nna\xC3\xAFve s\ntwo\n"));
  EXPECT_EQ(Shown("PositionPanel"), "Ln 3, Col 1");
  EXPECT_EQ(Edit->lines(), 4);
  Form.UndoAction->trigger();
  QApplication::processEvents();
  EXPECT_EQ(Edit->text().toUtf8(), QByteArray("caf\xC3\xA9 one\nna\xC3\xAFve two\n"));
  EXPECT_TRUE(Form.RedoAction->isEnabled());
  Form.RedoAction->trigger();
  QApplication::processEvents();
  EXPECT_EQ(Edit->text().toUtf8(), QByteArray("caf\xC3\xA9 one\nna\xC3\xAFve s\ntwo\n"));
  EXPECT_FALSE(Form.RedoAction->isEnabled());
}

// A page that takes no typing is not changed by a key.
TEST_F(EditorTypingTest, ReadOnlyPageIsNotChanged) {
  Edit->setReadOnly(true);
  QSignalSpy text(Edit, &QsciScintilla::textChanged);
  Type(Qt::Key_X, "x");
  EXPECT_EQ(text.count(), 0);
  EXPECT_TRUE(Page->Saved());
}

// Once an assistive technology listens, the editor is QScintilla's readable
// text, which follows the caret, and each key's change reaches QScintilla
// as it happens, to be told to the listener at its character offset.
TEST_F(EditorTypingTest, ListeningAssistiveTechnologyFollowsTheTyping) {
  QAccessibleInterface* before = QAccessible::queryAccessibleInterface(Edit);
  ASSERT_NE(before, nullptr);
  EXPECT_EQ(before->textInterface(), nullptr);

  QAccessible::setActive(true);
  QAccessibleInterface* listened = QAccessible::queryAccessibleInterface(Edit);
  ASSERT_NE(listened, nullptr);
  ASSERT_NE(listened->textInterface(), nullptr);
  EXPECT_EQ(listened->textInterface()->text(0, 5), QString::fromUtf8("caf\xC3\xA9 "));

  Edit->setCursorPosition(1, 6);  // after "naïve ": 15 characters in, 17 bytes
  QSignalSpy text(Edit, &QsciScintilla::textChanged);
  QSignalSpy modified(Edit, &QsciScintillaBase::SCN_MODIFIED);
  Type(Qt::Key_S, "s");
  Edit->viewport()->repaint();
  const int caret = listened->textInterface()->cursorPosition();
  const QString typed = listened->textInterface()->text(9, 16);
  QAccessible::setActive(false);

  bool inserted = false;
  for (const QList<QVariant>& notice : modified)
    inserted = inserted || (notice[1].toInt() & QsciScintillaBase::SC_MOD_INSERTTEXT);
  EXPECT_TRUE(inserted);
  EXPECT_EQ(caret, 16);
  EXPECT_EQ(typed, QString::fromUtf8("na\xC3\xAFve s"));
  EXPECT_EQ(text.count(), 1);
  EXPECT_FALSE(Page->Saved());
}

// While nothing listens, a key's change is told once the key is handled,
// without QScintilla's notice of the insertion.
TEST_F(EditorTypingTest, UnheardTypingSkipsTheInsertionNotice) {
  QSignalSpy modified(Edit, &QsciScintillaBase::SCN_MODIFIED);
  Type(Qt::Key_S, "s");
  for (const QList<QVariant>& notice : modified) {
    EXPECT_EQ(notice[1].toInt() & QsciScintillaBase::SC_MOD_INSERTTEXT, 0);
  }
  EXPECT_FALSE(Page->Saved());
}

}  // namespace
