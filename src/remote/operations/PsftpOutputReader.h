#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

// Turns psftp's standard output, in pieces cut anywhere, into lines and
// prompts. It knows nothing of commands: deciding what a line means is the
// business of the operation whose answer is open.
class TPsftpOutputReader {
 public:
  struct TEvent {
    enum TKind { Line, Prompt };
    TKind Kind = Line;
    QString Text;  // the line without its line end; empty for a prompt
  };

  // Feeds one piece; returns the lines and prompts it completed, in order.
  std::vector<TEvent> Feed(const QByteArray& Piece);
  // Forgets a half-read line, for a new psftp.
  void Reset();

 private:
  static int LineEnd(const QByteArray& Text);

  QByteArray FPending;  // bytes since the last complete line or prompt
  bool FSkipPromptBlank = false;
};
