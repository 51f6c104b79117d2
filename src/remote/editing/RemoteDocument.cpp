#include "remote/editing/RemoteDocument.h"

#include <QFileInfo>

QString TRemoteDocument::DisplayName() const {
  return Named() ? QFileInfo(LocalPath).fileName() : UntitledName();
}
