// Listing remote directories and moving through them.
#include <memory>

#include "core/Exception.h"
#include "remote/ConnectionDriver.h"
#include "remote/ListingParser.h"
#include "remote/Page.h"
#include "remote/PsftpCommand.h"

namespace {
// The extension as the binary question sees it: from the last period to the
// end, empty when a backslash or colon follows that period.
QString ExtractFileExt(const QString& Name) {
  const int dot = Name.lastIndexOf('.');
  if (dot < 0) return QString();
  const int separator = qMax(Name.lastIndexOf('\\'), Name.lastIndexOf(':'));
  return separator > dot ? QString() : Name.mid(dot);
}

const QString kBinaryExtensions = ".exe.png.gif.jpg.jpeg.dll.bmp";
}  // namespace

void TConnectionDriver::OnListDirectory() {
  SetDownloading(false);
  IPage* page = ResultPage("Listing");
  if (!page) {
    SetDataPending(false);
    return;
  }
  page->ClearDirListBox();

  QString name;
  if (FData.isEmpty() || !TListingParser::ParseHeader(FData.first(), name)) {
    // Leave no listing state behind, or the next prompt would parse again.
    SetDataPending(false);
    throw Exception("Directory name not found in OnListDirectory");
  }
  FData.removeFirst();

  TDir* dir = FDirectories.Find(name);
  if (dir) {
    dir->Clear();
  } else {
    auto created = std::make_unique<TDir>();
    created->SetName(name);
    dir = FDirectories.Add(std::move(created));
  }
  for (const QString& line : FData) {
    QString entry;
    bool isDirectory = false;
    if (!TListingParser::ParseEntry(line, entry, isDirectory)) continue;
    auto file = std::make_unique<TFile>(entry);
    file->SetIsDirectory(isDirectory);
    dir->AddFile(std::move(file));
  }
  dir->Sort();

  page->SetDir(dir);
  UpdateTabsWithNewDirectoryList(dir);
  Debug("OnListDirectory finished");
  SetDataPending(false);
}

void TConnectionDriver::UpdateTabsWithNewDirectoryList(TDir* Dir) {
  for (int i = 0; i < FView.PageCount(); ++i) {
    IPage* page = FView.Pages(i);
    if (page->Dir() == Dir) page->PopulateDirListBox();
  }
}

void TConnectionDriver::DirListBoxDblClick() {
  IPage* page = FView.ActivePage();
  if (!page) return;
  const TFile* file = page->SelectedFile();
  if (!file) return;
  const QString shortName = file->RemoteShortName();
  if (shortName != "..") {
    const QString ext = ExtractFileExt(shortName);
    if (!ext.isEmpty() && kBinaryExtensions.contains(ext) &&
        !FView.Confirm(QString("%1 may be a binary file. Download anyway?").arg(shortName)))
      return;
  }
  // psftp resolves names against its own current directory, which another
  // page may have moved; a page showing another directory names its entry in full.
  QString path = shortName;
  const TDir* shown = page->Dir();
  if (shown && shown->Name() != FCurrentDir && !shown->Name().isEmpty())
    path = shown->Name() + (shown->Name().endsWith('/') ? "" : "/") + shortName;
  const QByteArray name = path.toLocal8Bit();
  if (file->IsDirectory()) {
    Cmd("cd", {name});
    SetDownloading(true);
  } else {
    // Build the command first: a name psftp cannot take leaves nothing busy.
    const QByteArray command = TPsftpCommand::Build("get", {name});
    SetDownloading(true);
    WriteCommand(command, TAwaited::Get);
  }
}
