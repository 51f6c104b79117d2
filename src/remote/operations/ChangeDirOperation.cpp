#include "remote/operations/ChangeDirOperation.h"

#include "remote/operations/PsftpCommand.h"

namespace {
const QString kChanged = "Remote directory is now ";
}

TChangeDirOperation::TChangeDirOperation(IPage* Page, const QByteArray& Dir)
    : TPsftpOperation(Page), FDir(Dir) {
  SetMissing("psftp did not confirm the change of directory");
  Command();  // refuses a name psftp cannot take before anything is queued
}

// An empty directory asks psftp for the home directory: psftp takes "cd"
// with no word so, and an empty quoted word would not be empty to it.
QByteArray TChangeDirOperation::Command() const {
  return FDir.isEmpty() ? QByteArray("cd ") : TPsftpCommand::Build("cd", {FDir});
}

void TChangeDirOperation::Line(const QString& Text) {
  if (!FChanged && Text.startsWith(kChanged) && Text.size() > kChanged.size()) {
    FChanged = true;
    FNewDir = Text.mid(kChanged.size());
    return;
  }
  if (!Text.trimmed().isEmpty()) Fail(Text);
}
