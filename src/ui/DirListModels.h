#pragma once

#include <QObject>
#include <unordered_map>

class TDir;
class TDirListModel;

// One list model per listed folder, shared by every tab whose list shows
// that folder: a new tab showing a large folder costs a view, not a model,
// and a refill resets the one model that all those views read.
// The models are children of this object; a cached folder lives as long as
// the connection driver, so its model is kept as long as this object.
class TDirListModels : public QObject {
 public:
  using QObject::QObject;

  // The model of Dir, made on first use; null for null.
  TDirListModel* For(TDir* Dir);
  // The model of Dir if one was made; null otherwise.
  TDirListModel* Find(const TDir* Dir) const;
  // Dir's entries changed: every list that shows it shows them now.
  void Refill(const TDir* Dir);

 private:
  std::unordered_map<const TDir*, TDirListModel*> FModels;
};
