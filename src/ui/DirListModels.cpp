#include "ui/DirListModels.h"

#include "ui/DirListModel.h"

TDirListModel* TDirListModels::For(TDir* Dir) {
  if (!Dir) return nullptr;
  TDirListModel*& model = FModels[Dir];
  if (!model) {
    model = new TDirListModel(this);
    model->SetDir(Dir);
  }
  return model;
}

TDirListModel* TDirListModels::Find(const TDir* Dir) const {
  const auto found = FModels.find(Dir);
  return found == FModels.end() ? nullptr : found->second;
}

void TDirListModels::Refill(const TDir* Dir) {
  if (TDirListModel* model = Find(Dir)) model->Refill();
}
