#include "remote/operations/MoveOperation.h"

#include "remote/operations/PsftpCommand.h"

namespace {
QString NameOf(const QByteArray& Path) {
  return QString::fromLocal8Bit(Path.mid(Path.lastIndexOf('/') + 1));
}
// psftp words SFTP's "no such file" status this way, whatever the server said.
const QString kNoSuchFile = ": no such file or directory";
}  // namespace

TMoveOperation::TMoveOperation(IPage* Page, const QByteArray& From, const QByteArray& To,
                               const QString& Writes)
    : TPsftpOperation(Page), FFrom(From), FTo(To), FWrites(Writes) {
  SetMissing("psftp did not report the move");
  Command();  // refuses a name psftp cannot take before anything is queued
}

QByteArray TMoveOperation::Command() const {
  return TPsftpCommand::Build("mv", {TPsftpCommand::LiteralPattern(FFrom), FTo});
}

void TMoveOperation::Line(const QString& Text) {
  const QString from = "/" + NameOf(FFrom);
  const QString to = "/" + NameOf(FTo);
  const QString arrow = " -> ";
  // The line is D + from + arrow + D + to: its length gives D's.
  const qsizetype folder = (Text.size() - from.size() - arrow.size() - to.size()) / 2;
  if (!FMoved && !Failed() && folder >= 0 &&
      Text.size() == 2 * folder + from.size() + arrow.size() + to.size()) {
    const QString d = Text.left(folder);
    if (Text == d + from + arrow + d + to) {
      FMoved = true;
      return;
    }
  }
  // Only the failure of this very move says the source is gone: its line
  // begins with the command's word and ends with psftp's words for it.
  if (Text.startsWith("mv ") && Text.endsWith(kNoSuchFile) && Text.contains(from + " ") && !FMoved)
    FSourceMissing = true;
  Fail(Text);
}
