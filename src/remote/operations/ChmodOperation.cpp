#include "remote/operations/ChmodOperation.h"

#include "remote/operations/PsftpCommand.h"

TChmodOperation::TChmodOperation(IPage* Page, const QByteArray& Path, int Permissions,
                                 const QString& Writes)
    : TPsftpOperation(Page), FPath(Path), FPermissions(Permissions & 07777), FWrites(Writes) {
  Command();  // refuses a name psftp cannot take before anything is queued
}

QByteArray TChmodOperation::Octal(int Permissions) {
  return QByteArray::number(Permissions & 07777, 8).rightJustified(4, '0');
}

QByteArray TChmodOperation::Command() const {
  return TPsftpCommand::Build("chmod", {Octal(FPermissions), TPsftpCommand::LiteralPattern(FPath)});
}

void TChmodOperation::Line(const QString& Text) {
  const QString name = QString::fromLocal8Bit(FPath.mid(FPath.lastIndexOf('/') + 1));
  // "/" NAME ": " OLD " -> " NEW, OLD and NEW four octal digits each.
  const QString tail = ": 0000 -> " + QString::fromLatin1(Octal(FPermissions));
  const QString head = "/" + name;
  const qsizetype at = Text.size() - tail.size();
  bool octal = at > 0;
  for (qsizetype i = at + 2; octal && i < at + 6; ++i) octal = Text[i] >= u'0' && Text[i] <= u'7';
  if (!FChanged && !Failed() && octal && Text.startsWith('/') && Text.mid(at, 2) == ": " &&
      Text.mid(at + 6) == tail.mid(6) && Text.left(at).endsWith(head)) {
    FChanged = true;
    return;
  }
  Fail(Text);
}
