#include "remote/operations/PsftpCommand.h"

#include "core/Exception.h"

QByteArray TPsftpCommand::QuoteArgument(const QByteArray& Arg) {
  if (Arg.contains('\r') || Arg.contains('\n'))
    throw Exception(QString("The name \"%1\" holds a line break and cannot be sent to psftp")
                        .arg(QString::fromLocal8Bit(Arg).simplified()));
  // psftp reads "" at the start of a word as a literal quote, not as an empty
  // word: `put "a" ""` would create a file named ". There is no way to send one.
  if (Arg.isEmpty()) throw Exception("An empty name cannot be sent to psftp");
  QByteArray quoted = Arg;
  quoted.replace("\"", "\"\"");
  return '"' + quoted + '"';
}

QByteArray TPsftpCommand::Build(const QByteArray& Verb, const QByteArrayList& Args) {
  QByteArray command = Verb;
  for (const QByteArray& arg : Args) command += ' ' + QuoteArgument(arg);
  return command;
}

QByteArray TPsftpCommand::LiteralPattern(const QByteArray& Path) {
  QByteArray escaped;
  escaped.reserve(Path.size());
  for (const char c : Path) {
    if (c == '*' || c == '?' || c == '[' || c == ']' || c == '\\') escaped += '\\';
    escaped += c;
  }
  return escaped;
}
