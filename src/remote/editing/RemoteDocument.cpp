#include "remote/editing/RemoteDocument.h"

#include <QFileInfo>

#include "remote/local/TempFolder.h"

QString TRemoteDocument::DisplayName() const {
  return Named() ? QFileInfo(LocalPath).fileName() : UntitledName();
}

QString TRemoteDocument::Folder() {
  if (LocalFolder.isEmpty()) LocalFolder = NewPageFolder();
  return LocalFolder;
}
