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
};
