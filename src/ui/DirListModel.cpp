#include "ui/DirListModel.h"

#include "remote/listing/Dir.h"

void TDirListModel::SetDir(TDir* Value) {
  beginResetModel();
  FDir = Value;
  endResetModel();
}

TFile* TDirListModel::File(int Row) const {
  if (!FDir || Row < 0 || Row >= FDir->Count()) return nullptr;
  return FDir->Files(Row);
}

int TDirListModel::rowCount(const QModelIndex& Parent) const {
  if (Parent.isValid() || !FDir) return 0;
  return FDir->Count();
}

QVariant TDirListModel::data(const QModelIndex& Index, int Role) const {
  TFile* file = File(Index.row());
  if (!file) return QVariant();
  switch (Role) {
    case Qt::DisplayRole:
      return file->IsDirectory() ? QString("[%1]").arg(file->RemoteName()) : file->RemoteName();
    case Qt::UserRole:
      return QVariant::fromValue(static_cast<void*>(file));
    default:
      return QVariant();
  }
}
