#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <functional>

class QsciScintilla;

// An editor's text copied out for a save, a slice per turn of the event
// loop: the first touch of the copy's memory costs more than the copying,
// and a hundred megabytes of it at once would hold the window up. The
// user may type meanwhile; a change before the last slice (Version moved)
// has the whole text copied again at once, so the copy is always one text.
// Deleting the copy stops it; Done is then never called.
class TTextCopy : public QObject {
 public:
  TTextCopy(QsciScintilla* Editor, std::function<quint64()> Version,
            std::function<void(QByteArray Text)> Done);

  // The whole text at once, copied in the two runs either side of
  // Scintilla's gap, which so stays where it is.
  static QByteArray All(QsciScintilla* Editor);

 private:
  void Step();

  QsciScintilla* FEditor;
  std::function<quint64()> FVersion;
  std::function<void(QByteArray)> FDone;
  quint64 FStartVersion;
  QByteArray FText;
  qsizetype FCopied = 0;
  QTimer FTimer;
};
