#include "remote/operations/PsftpOutputReader.h"

namespace {
// psftp prints "psftp> " when it is ready for the next command, at the start
// of a line, and then waits: with standard input on a pipe it echoes nothing.
const QByteArray kPrompt = "psftp>";
}  // namespace

void TPsftpOutputReader::Reset() {
  FPending.clear();
  FSkipPromptBlank = false;
}

std::vector<TPsftpOutputReader::TEvent> TPsftpOutputReader::Feed(const QByteArray& Piece) {
  std::vector<TEvent> events;
  FPending += Piece;
  qsizetype at = 0;
  while (at < FPending.size()) {
    const QByteArray rest =
        QByteArray::fromRawData(FPending.constData() + at, FPending.size() - at);
    if (FSkipPromptBlank) {
      FSkipPromptBlank = false;
      if (rest.startsWith(' ')) ++at;
      continue;
    }
    // A prompt only stands at the start of a line. psftp writes nothing after
    // it until it is given a command, and commands are written one at a time
    // after the prompt has been read; so "psftp>" with more text behind it in
    // the same piece is a server's text that begins a listing line, and stays
    // part of that line.
    if (rest.startsWith(kPrompt)) {
      const QByteArray after = rest.mid(kPrompt.size());
      const bool followed = !(after.isEmpty() || after == " ");
      if (!followed) {
        at += kPrompt.size();
        FSkipPromptBlank = true;
        events.push_back({TEvent::Prompt, QString()});
        continue;
      }
    } else if (kPrompt.startsWith(rest)) {
      break;  // the piece ends inside what may be the prompt: wait for the rest
    }
    const int end = LineEnd(rest);
    if (end < 0) break;
    events.push_back({TEvent::Line, QString::fromLocal8Bit(rest.left(end))});
    at += end + (rest.mid(end, 2) == "\r\n" ? 2 : 1);
  }
  FPending.remove(0, at);
  return events;
}

// Index of the first complete line end; -1 when the text has none yet. A CR
// that ends the text may be the first half of CR LF, so it waits.
int TPsftpOutputReader::LineEnd(const QByteArray& Text) {
  for (int i = 0; i < Text.size(); ++i) {
    if (Text[i] == '\n') return i;
    if (Text[i] == '\r') return i + 1 < Text.size() ? i : -1;
  }
  return -1;
}
