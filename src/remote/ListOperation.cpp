#include "remote/ListOperation.h"

namespace {
const QString kHeader = "Listing directory ";
// psftp names the directory first and only then finds it cannot read it
// ("Unable to open /x: permission denied"), or that reading broke off part
// way ("Reading directory /x: failure"): the lines are then not the
// directory's contents.
const QString kReadFailures[] = {"Unable to open ", "Reading directory "};
}  // namespace

TListOperation::TListOperation(IPage* Page, const QString& Dir)
    : TPsftpOperation(TKind::List, Page), FDir(Dir) {
  SetMissing("Directory name not found in the listing");
}

void TListOperation::Line(const QString& Text) {
  if (!FHeaderSeen) {
    if (Text == kHeader + FDir)
      FHeaderSeen = true;
    else
      Fail(Text);
    return;
  }
  for (const QString& failure : kReadFailures) {
    if (Text.startsWith(failure)) {
      Fail(Text);
      return;
    }
  }
  FLines.append(Text);
}
