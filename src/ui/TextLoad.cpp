#include "ui/TextLoad.h"

#include <QElapsedTimer>
#include <algorithm>

#include "ui/Editor.h"

namespace {
// QsciScintilla copies every inserted piece for its change signal, and once
// more into a QString for accessibility: a large file inserted in one piece
// would cost three times its size on top of the editor's own copy. Pieces of
// a quarter megabyte, into room reserved at once, keep that small and let a
// turn of the event loop end soon after its time is up.
constexpr qsizetype kPiece = 256 * 1024;
// The time one turn of the event loop spends inserting: the window answers
// the user between turns.
constexpr qint64 kTurnNs = 15 * 1000 * 1000;

// The start of the piece that ends at End: never inside a UTF-8 sequence nor
// between the CR and LF of one line end.
qsizetype PieceStart(const QByteArray& Text, qsizetype End) {
  qsizetype start = std::max<qsizetype>(0, End - kPiece);
  while (start > 0 && start < End - 1 &&
         ((uchar(Text[start]) & 0xC0) == 0x80 || (Text[start] == '\n' && Text[start - 1] == '\r')))
    ++start;
  return start;
}
}  // namespace

TTextLoad::TTextLoad(TEditor* Editor, int Fd, const QString& Path, THooks Hooks)
    : FEditor(Editor), FHooks(std::move(Hooks)) {
  FEditor->Hold(true);
  FTimer.setInterval(0);
  connect(&FTimer, &QTimer::timeout, this, [this] { Step(); });
  if (FHooks.Progress) FHooks.Progress(0);
  TTextFileWorker::Load(Fd, Path, this,
                        [this](TTextFileWorker::TLoaded& Loaded) { Decoded(Loaded); });
}

void TTextLoad::Begin(QsciScintilla* Edit, qsizetype Size) {
  // Loading is no edit: nothing to undo, and no undo copy of a large file.
  Edit->SendScintilla(QsciScintillaBase::SCI_SETUNDOCOLLECTION, 0UL);
  Edit->SendScintilla(QsciScintillaBase::SCI_CLEARALL);
  Edit->SendScintilla(QsciScintillaBase::SCI_ALLOCATE, static_cast<unsigned long>(Size + 1));
}

// For accessibility QsciScintilla turns the position of every insertion
// into a character count from the start, so appending piece after piece
// would count through the whole text again each time; at the start there is
// nothing to count. By length, as the text may hold NUL bytes.
void TTextLoad::Insert(QsciScintilla* Edit, const QByteArray& Text, qsizetype& End,
                       qint64 BudgetNs) {
  QElapsedTimer clock;
  clock.start();
  while (End > 0 && (BudgetNs < 0 || clock.nsecsElapsed() < BudgetNs)) {
    const qsizetype start = PieceStart(Text, End);
    Edit->SendScintilla(QsciScintillaBase::SCI_SETTARGETSTART, 0UL);
    Edit->SendScintilla(QsciScintillaBase::SCI_SETTARGETEND, 0UL);
    Edit->SendScintilla(QsciScintillaBase::SCI_REPLACETARGET,
                        static_cast<unsigned long>(End - start), Text.constData() + start);
    End = start;
  }
}

void TTextLoad::End(QsciScintilla* Edit) {
  Edit->SendScintilla(QsciScintillaBase::SCI_EMPTYUNDOBUFFER);
  Edit->SendScintilla(QsciScintillaBase::SCI_SETUNDOCOLLECTION, 1UL);
  Edit->SendScintilla(QsciScintillaBase::SCI_GOTOPOS, 0UL);
  Edit->setModified(false);
}

// The old text stays until the new one is known: a file that cannot be
// read leaves the page as it was.
void TTextLoad::Decoded(TTextFileWorker::TLoaded& Loaded) {
  if (!Loaded.Error.isEmpty()) {
    FEditor->Hold(false);
    if (FHooks.Failed) FHooks.Failed(Loaded.Error);
    return;
  }
  FText = std::move(Loaded.Utf8);
  FFormat = Loaded.Format;
  FEnd = FText.size();
  FEditor->SendScintilla(QsciScintillaBase::SCI_SETREADONLY, 0UL);
  Begin(FEditor, FText.size());
  FEditor->SendScintilla(QsciScintillaBase::SCI_SETREADONLY, 1UL);
  FTimer.start();
}

// Held, the editor is read-only to Scintilla as well; only these insertions
// lift that, each for its own turn.
void TTextLoad::Step() {
  FEditor->SendScintilla(QsciScintillaBase::SCI_SETREADONLY, 0UL);
  Insert(FEditor, FText, FEnd, kTurnNs);
  if (FEnd > 0) {
    FEditor->SendScintilla(QsciScintillaBase::SCI_SETREADONLY, 1UL);
    if (FHooks.Progress) FHooks.Progress(int((FText.size() - FEnd) * 100 / FText.size()));
    return;
  }
  FTimer.stop();
  End(FEditor);
  FText = QByteArray();
  FEditor->Hold(false);
  if (FHooks.Done) FHooks.Done(FFormat);
}
