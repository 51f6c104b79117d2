#include "ui/TextCopy.h"

#include <Qsci/qsciscintilla.h>
#include <algorithm>
#include <cstring>

namespace {
constexpr qsizetype kSlice = 8 * 1024 * 1024;

// Length bytes of the text from Start, where Scintilla keeps them: a range
// that does not cross the gap is read where it lies.
void CopyOut(QsciScintilla* Editor, qsizetype Start, qsizetype Length, char* To) {
  if (Length <= 0) return;
  const auto* text = reinterpret_cast<const char*>(
      Editor->SendScintilla(QsciScintillaBase::SCI_GETRANGEPOINTER,
                            static_cast<unsigned long>(Start), static_cast<long>(Length)));
  std::memcpy(To, text, size_t(Length));
}

// The parts of [Start, Start + Length) before and after the gap, each read
// without moving it.
void CopyAround(QsciScintilla* Editor, qsizetype Start, qsizetype Length, char* To) {
  const qsizetype gap = Editor->SendScintilla(QsciScintillaBase::SCI_GETGAPPOSITION);
  const qsizetype before = std::clamp<qsizetype>(gap - Start, 0, Length);
  CopyOut(Editor, Start, before, To);
  CopyOut(Editor, Start + before, Length - before, To + before);
}
}  // namespace

TTextCopy::TTextCopy(QsciScintilla* Editor, std::function<quint64()> Version,
                     std::function<void(QByteArray Text)> Done)
    : FEditor(Editor),
      FVersion(std::move(Version)),
      FDone(std::move(Done)),
      FStartVersion(FVersion()),
      // Reserved, not touched: each slice touches its own part.
      FText(FEditor->SendScintilla(QsciScintillaBase::SCI_GETLENGTH), Qt::Uninitialized) {
  FTimer.setInterval(0);
  connect(&FTimer, &QTimer::timeout, this, [this] { Step(); });
  FTimer.start();
}

QByteArray TTextCopy::All(QsciScintilla* Editor) {
  QByteArray text(Editor->SendScintilla(QsciScintillaBase::SCI_GETLENGTH), Qt::Uninitialized);
  CopyAround(Editor, 0, text.size(), text.data());
  return text;
}

void TTextCopy::Step() {
  if (FVersion() != FStartVersion) {
    FText = All(FEditor);
    FCopied = FText.size();
  } else {
    const qsizetype length = std::min(kSlice, FText.size() - FCopied);
    CopyAround(FEditor, FCopied, length, FText.data() + FCopied);
    FCopied += length;
  }
  if (FCopied < FText.size()) return;
  FTimer.stop();
  // Done may delete this copy.
  const auto done = std::move(FDone);
  FDone = nullptr;
  if (done) done(std::move(FText));
}
