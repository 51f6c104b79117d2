// A file larger than a page loads at once goes into the editor over several
// turns of the event loop, and a text that large is written on a worker:
// byte for byte in every form, with the page held meanwhile, and safe to
// close at any moment.
#include <QFile>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <Qsci/qsciscintilla.h>
#include <gtest/gtest.h>
#include <memory>

#include "WaitFor.h"
#include "WindowTest.h"
#include "core/ByteOrderMark.h"
#include "ui/MainWindow.h"

namespace {

QByteArray Bytes(const char* Data, size_t Size) { return QByteArray(Data, qsizetype(Size)); }
#define B(literal) Bytes(literal, sizeof(literal) - 1)

// Just over the size a page loads at once: a few turns' worth of slices.
constexpr qsizetype kLarge = TPage::AtOnceLimit + 512 * 1024;

class TextLoadTest : public WindowTest {
 protected:
  void SetUp() override {
    Form = ShowForm();
    Form->SaveAnswer = QMessageBox::No;
    Page = Form->ActivePage();
  }
  QString Write(const QString& Name, const QByteArray& Data) {
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
  static QByteArray EditorBytes(TPage* Page) {
    QsciScintilla* edit = Page->Editor();
    const long length = edit->SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
    const auto* text = reinterpret_cast<const char*>(
        edit->SendScintilla(QsciScintillaBase::SCI_GETCHARACTERPOINTER));
    return QByteArray(text, length);
  }
  // Page's text written as a save writes it; false when it failed or never ended.
  static bool SaveThen(TPage* Page, const QString& Path, QString& Error) {
    bool done = false;
    Page->SaveToFileThen(Path, [&](const QString& Failure) {
      Error = Failure;
      done = true;
    });
    return WaitFor([&] { return done; }, 30000) && Error.isEmpty();
  }

  std::unique_ptr<TScriptedForm> Form;
  TPage* Page = nullptr;
};

// Units of an odd length, repeated past the size, so that the slice
// boundaries fall on every byte of a unit in turn: inside a two-, three- and
// four-byte UTF-8 sequence, between CR and LF, and next to a NUL byte.
struct TLargeCase {
  const char* Name;
  QByteArray Prefix;  // the byte-order mark, if any
  QByteArray Unit;    // as stored in the file
  QByteArray Utf8;    // the unit as the editor holds it
  TTextFormat::TEncoding Encoding;
  const char* LineEnd;
  bool Mixed;
};

TEST_F(TextLoadTest, LargeFilesGoInOverSeveralTurnsAndComeBackByteForByte) {
  const TLargeCase cases[] = {
      {"utf8 nul crlf",
       {},
       B("a\0\xE2\x82\xAC\r\n"),
       B("a\0\xE2\x82\xAC\r\n"),
       TTextFormat::Utf8,
       "\r\n",
       false},
      {"utf8 mark lf", Utf8Mark,
       B("\xF0\x9F\x98\x80"
         "ab\n"),
       B("\xF0\x9F\x98\x80"
         "ab\n"),
       TTextFormat::Utf8, "\n", false},
      {"utf16le crlf", B("\xFF\xFE"), B("\xE9\0\xAC\x20x\0y\0\r\0\n\0"),
       B("\xC3\xA9\xE2\x82\xACxy\r\n"), TTextFormat::Utf16LE, "\r\n", false},
      {"utf16be cr", B("\xFE\xFF"), B("\x20\xAC\0a\0\r"),
       B("\xE2\x82\xAC"
         "a\r"),
       TTextFormat::Utf16BE, "\r", false},
      {"latin1 crlf",
       {},
       B("caf\xE9\r\n"),
       B("caf\xC3\xA9\r\n"),
       TTextFormat::Latin1,
       "\r\n",
       false},
      {"utf8 mixed",
       {},
       B("\xC3\xA9\r\nx\nyz\r"),
       B("\xC3\xA9\r\nx\nyz\r"),
       TTextFormat::Utf8,
       "\r\n",
       true},
  };
  for (const TLargeCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const qsizetype count = kLarge / c.Unit.size() + 1;
    const QByteArray file = c.Prefix + c.Unit.repeated(count);
    Page->LoadFromFile(Write("large.txt", file));
    EXPECT_TRUE(Page->Loading());
    ASSERT_TRUE(WaitFor([&] { return !Page->Loading(); }, 30000));
    EXPECT_TRUE(EditorBytes(Page) == c.Utf8.repeated(count));
    EXPECT_EQ(Page->Format().Encoding, c.Encoding);
    EXPECT_EQ(Page->Format().ByteOrderMark, !c.Prefix.isEmpty());
    EXPECT_EQ(Page->Format().LineEnd, c.LineEnd);
    EXPECT_EQ(Page->Format().MixedLineEnds, c.Mixed);
    EXPECT_FALSE(Page->Editor()->isUndoAvailable());
    EXPECT_FALSE(Page->Editor()->isModified());
    EXPECT_FALSE(Page->Editor()->isReadOnly());
    EXPECT_TRUE(Page->Saved());
    EXPECT_EQ(Page->Editor()->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS), 0);
    QString error;
    const QString saved = Home.Path() + "/saved.txt";
    ASSERT_TRUE(SaveThen(Page, saved, error)) << error.toStdString();
    EXPECT_TRUE(Contents(saved) == file);
  }
}

// While it loads, the page takes no typing and does not save; the status
// bar tells how far it has come, and gives its message back at the end.
TEST_F(TextLoadTest, ALoadingPageIsHeldAndShowsItsProgress) {
  const QByteArray file = QByteArray("first line\n").repeated(3 * kLarge / 11);
  const QString path = Write("big.txt", file);
  Form->SetStatus("Ready", 0);
  Page->LoadFromFile(path);
  QStringList shown;
  ASSERT_TRUE(WaitFor(
      [&] {
        const QString text = Form->StatusText(0);
        if (shown.value(shown.size() - 1) != text) shown << text;
        return !Page->Loading();
      },
      30000));
  EXPECT_EQ(shown.value(0), "Opening big.txt\u2026 0%");
  const bool between = std::any_of(shown.begin(), shown.end(), [](const QString& Text) {
    const int percent = Text.section(' ', -1).chopped(1).toInt();
    return Text.startsWith("Opening big.txt\u2026 ") && percent > 0 && percent < 100;
  });
  EXPECT_TRUE(between) << shown.join(" | ").toStdString();
  EXPECT_EQ(Form->StatusText(0), "Ready");

  // Typing, saving and a save's write, all during a second load.
  Page->LoadFromFile(path);
  ASSERT_TRUE(WaitFor([&] { return Page->Editor()->length() > 0; }, 30000));
  ASSERT_TRUE(Page->Loading());
  QTest::keyClicks(Page->Editor(), "typed");
  EXPECT_ANY_THROW(Page->SaveToFile(Home.Path() + "/half.txt"));
  Form->SaveActionExecute();
  EXPECT_EQ(Form->Messages, QStringList{"Untitled is still being opened."});
  EXPECT_FALSE(QFile::exists(Home.Path() + "/half.txt"));
  ASSERT_TRUE(WaitFor([&] { return !Page->Loading(); }, 30000));
  EXPECT_TRUE(EditorBytes(Page) == file);
  EXPECT_TRUE(Page->Saved());
  EXPECT_TRUE(Reported.isEmpty()) << Reported.join("\n").toStdString();
}

// A tab or the whole window closed while the file is read, or half way
// through its slices: nothing is left to touch what has gone, and the file
// the page was loading from is untouched.
TEST_F(TextLoadTest, ClosingInTheMiddleOfALoadIsSafe) {
  const QByteArray file = QByteArray("\xC3\xA9t\xC3\xA9\r\n").repeated(4 * kLarge / 8);
  const QString path = Write("big.txt", file);
  for (const bool sliced : {false, true}) {
    SCOPED_TRACE(sliced ? "half way through the slices" : "while the file is read");
    TPage* page = Form->CreateTab();
    page->LoadFromFile(path);
    if (sliced) {
      ASSERT_TRUE(WaitFor([&] { return page->Editor()->length() > 0; }, 30000));
      ASSERT_TRUE(page->Loading());
    }
    Form->CloseActiveTab();
    QTest::qWait(500);
    EXPECT_EQ(Form->PageCount(), 1);
  }
  for (const bool sliced : {false, true}) {
    SCOPED_TRACE(sliced ? "window closed half way through the slices"
                        : "window closed while the file is read");
    auto form = ShowForm();
    TPage* page = form->ActivePage();
    page->LoadFromFile(path);
    if (sliced) {
      ASSERT_TRUE(WaitFor([&] { return page->Editor()->length() > 0; }, 30000));
      ASSERT_TRUE(page->Loading());
    }
    form->SaveAnswer = QMessageBox::No;
    form->close();
    form.reset();
    QTest::qWait(500);
  }
  EXPECT_TRUE(Contents(path) == file);
  EXPECT_TRUE(Reported.isEmpty()) << Reported.join("\n").toStdString();
}

// The copy a save writes is one text: typing that comes while the text is
// being copied out, before or between its slices, has the whole text copied
// again, with what was typed.
TEST_F(TextLoadTest, TypingWhileTheTextIsCopiedOutGivesOneWholeText) {
  const QByteArray file = QByteArray("\xE2\x82\xAC line\r\n").repeated(5 * kLarge / 10);
  Page->LoadFromFile(Write("big.txt", file));
  ASSERT_TRUE(WaitFor([&] { return !Page->Loading(); }, 30000));
  for (const bool between : {false, true}) {
    SCOPED_TRACE(between ? "between the slices" : "before the first slice");
    Page->Editor()->setCursorPosition(0, 0);
    const QByteArray before = EditorBytes(Page);
    bool done = false;
    QString error;
    const QString saved = Home.Path() + "/saved.txt";
    Page->SaveToFileThen(saved, [&](const QString& Failure) {
      error = Failure;
      done = true;
    });
    // The copy's first slice, which touches megabytes of new memory, takes
    // longer than a millisecond: this timer fires before the second.
    if (between)
      QTimer::singleShot(1, Page->Editor(), [&] { QTest::keyClicks(Page->Editor(), "new"); });
    else
      QTest::keyClicks(Page->Editor(), "new");
    ASSERT_TRUE(WaitFor([&] { return done; }, 30000));
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_TRUE(Contents(saved) == "new" + before);
    EXPECT_TRUE(EditorBytes(Page) == "new" + before);
  }
}

}  // namespace
