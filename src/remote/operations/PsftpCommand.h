#pragma once

#include <QByteArray>
#include <QByteArrayList>

// The one place where text for psftp's standard input is made.
class TPsftpCommand {
 public:
  // The verb followed by each argument quoted the way psftp splits its
  // command lines. Throws Exception when an argument holds CR or LF: psftp
  // would take the rest as a second command.
  static QByteArray Build(const QByteArray& Verb, const QByteArrayList& Args);
  // psftp groups words with double quotes and reads a doubled double quote
  // as one literal quote, inside or outside quotes; nothing else is special.
  static QByteArray QuoteArgument(const QByteArray& Arg);
  // Path as a psftp pattern that matches only itself, for the commands that
  // read their file arguments as patterns ("mv"'s sources, "rm", "chmod"):
  // psftp (PuTTY's wildcard.c) takes a backslash as making the next byte
  // literal, and a path holding none of "*?[]\\" after that as a plain name.
  static QByteArray LiteralPattern(const QByteArray& Path);
};
