#include "remote/operations/RemoveOperation.h"

#include "remote/operations/PsftpCommand.h"

namespace {
const char* WordOf(TRemoveOperation::TKind Kind) {
  return Kind == TRemoveOperation::TKind::Folder ? "rmdir" : "rm";
}
}  // namespace

TRemoveOperation::TRemoveOperation(IPage* Page, const QByteArray& Path, const QString& Writes,
                                   TKind Kind)
    : TPsftpOperation(Page), FPath(Path), FWrites(Writes), FKind(Kind) {
  SetMissing("psftp did not report the removal");
  Command();  // refuses a name psftp cannot take before anything is queued
}

QByteArray TRemoveOperation::Command() const {
  return TPsftpCommand::Build(WordOf(FKind), {TPsftpCommand::LiteralPattern(FPath)});
}

// A pattern that matched several files would give several lines; ours is
// literal, so a second line of any kind is not ours and fails it.
void TRemoveOperation::Line(const QString& Text) {
  if (!FRemoved && !Failed() && AnsweredOk(Text, WordOf(FKind), FPath)) {
    FRemoved = true;
    return;
  }
  Fail(Text);
}
