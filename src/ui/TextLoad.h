#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

#include "remote/local/TextFile.h"
#include "remote/local/TextFileWorker.h"

class QsciScintilla;
class TEditor;

// A large file put into a page's editor without holding the window up: it
// is read and decoded on a worker (TTextFileWorker), then goes into the
// editor a slice at a time, with the event loop turning between the slices.
// The editor keeps its old text until the file is read, and is held (no
// typing) until the last slice is in. Deleting the load stops it where it
// is; the half-filled editor is then its owner's to clear or throw away.
//
// The slices, and the pieces a small file goes in with at once, follow the
// same rules (Insert): they go in back to front, each at the start of the
// text, with no undo kept.
class TTextLoad : public QObject {
 public:
  struct THooks {
    // How far the load has come, 0 to 100.
    std::function<void(int Percent)> Progress;
    // The whole text is in, in this form; the editor is let go.
    std::function<void(const TTextFormat& Format)> Done;
    // The file could not be read; the editor, let go, holds its old text.
    std::function<void(const QString& Error)> Failed;
  };

  // Takes over Fd, the file open for reading.
  TTextLoad(TEditor* Editor, int Fd, const QString& Path, THooks Hooks);

  // Empties Edit for Size bytes of new text and stops keeping undo.
  static void Begin(QsciScintilla* Edit, qsizetype Size);
  // Puts Text's bytes before End in at the start of Edit, piece after piece
  // from the back, until End is 0 or the time given is up; End moves to
  // where the next call goes on.
  static void Insert(QsciScintilla* Edit, const QByteArray& Text, qsizetype& End,
                     qint64 BudgetNs = -1);
  // The text as loaded: nothing to undo, unmodified, the caret at the start.
  static void End(QsciScintilla* Edit);

 private:
  void Decoded(TTextFileWorker::TLoaded& Loaded);
  void Step();

  TEditor* FEditor;
  THooks FHooks;
  TTextFormat FFormat;
  QByteArray FText;
  qsizetype FEnd = 0;
  QTimer FTimer;
};
