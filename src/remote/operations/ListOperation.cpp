#include "remote/operations/ListOperation.h"

#include "remote/listing/ListingParser.h"

namespace {
// psftp names the directory first and only then finds it cannot read it
// ("Unable to open /x: permission denied"), or that reading broke off part
// way ("Reading directory /x: failure"): the lines are then not the
// directory's contents.
const QString kReadFailures[] = {"Unable to open ", "Reading directory "};
}  // namespace

TListOperation::TListOperation(IPage* Page, const QString& Dir)
    : TPsftpOperation(Page), FDirName(Dir), FEntries(std::make_unique<TDir>()) {
  SetMissing("Directory name not found in the listing");
  FEntries->SetName(Dir);
}

void TListOperation::Line(const QString& Text) {
  if (!FHeaderSeen) {
    if (Text == TListingParser::Header + FDirName)
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
  ++FLineCount;
  TListingParser::TEntry entry;
  if (!TListingParser::ParseEntry(Text, entry)) return;
  auto file = std::make_unique<TFile>(entry.Name);
  file->SetIsDirectory(entry.IsDirectory);
  file->SetIsLink(entry.IsLink);
  file->SetSize(entry.Size);
  file->SetListedTime(entry.Time);
  file->SetPermissions(entry.Permissions);
  file->SetLinks(entry.Links);
  FEntries->AddFile(std::move(file), entry.Owner);
}

QString TListOperation::Progress() const {
  return FLineCount > 0 ? QString("Listing... %1 entries").arg(FLineCount) : QString();
}
