#include "PsftpWords.h"

// The words of a command as psftp splits them: quoted, inner quotes doubled.
QStringList Words(const QByteArray& Command) {
  QStringList words;
  const QString text = QString::fromUtf8(Command);
  QString word;
  bool quoted = false, inWord = false;
  for (int i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c == '"') {
      if (quoted && i + 1 < text.size() && text[i + 1] == '"') {
        word += '"';
        ++i;
      } else {
        quoted = !quoted;
      }
      inWord = true;
    } else if (c == ' ' && !quoted) {
      if (inWord) words << word;
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words << word;
  return words;
}
