#include "remote/operations/MakeDirOperation.h"

#include "remote/operations/PsftpCommand.h"

TMakeDirOperation::TMakeDirOperation(IPage* Page, const QByteArray& Path)
    : TPsftpOperation(Page), FPath(Path) {
  SetMissing("psftp did not report the new folder");
  Command();  // refuses a name psftp cannot take before anything is queued
}

QByteArray TMakeDirOperation::Command() const { return TPsftpCommand::Build("mkdir", {FPath}); }

// Any second line, or a line about another name, is not this command's
// success and fails it.
void TMakeDirOperation::Line(const QString& Text) {
  if (!FMade && !Failed() && AnsweredOk(Text, "mkdir", FPath)) {
    FMade = true;
    return;
  }
  Fail(Text);
}
