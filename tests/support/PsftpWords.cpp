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

namespace {
// A pattern argument of "mv" or "rm" as psftp reads it: a backslash makes
// the next character literal.
QString Unescaped(const QString& Pattern) {
  QString plain;
  for (int i = 0; i < Pattern.size(); ++i) {
    if (Pattern[i] == '\\' && i + 1 < Pattern.size()) ++i;
    plain += Pattern[i];
  }
  return plain;
}
}  // namespace

QByteArray Done(const QByteArray& Command) {
  const QStringList words = Words(Command);
  const QString verb = words.value(0);
  QString line;
  if (verb == "put")
    line = "local:" + words.value(1) + " => remote:" + words.value(2);
  else if (verb == "mv")
    line = Unescaped(words.value(1)) + " -> " + words.value(2);
  else if (verb == "rm")
    line = "rm " + Unescaped(words.value(1)) + ": OK";
  else if (verb == "chmod")
    line = Unescaped(words.value(2)) + ": 0600 -> " + words.value(1);
  return (line + "\npsftp> ").toUtf8();
}
