#pragma once

#include <QAbstractListModel>

class TDir;
class TFile;

// The rows of a directory list, read straight from the directory: a listing
// of tens of thousands of entries then shows at once, without one list item
// made per entry. Each row shows the entry's name (a directory's in
// brackets) and carries its TFile (Qt::UserRole). One model serves every tab
// that shows the directory (TDirListModels).
//
// The directory is not watched: whoever refills it calls Refill (the
// connection driver has every list that shows it refilled before returning to
// the event loop), and until then rows past its end read as empty. A refill
// is a reset: the views keep no rows of their own to update (TDirListView),
// and each tab puts back its selection and scroll position by name.
class TDirListModel : public QAbstractListModel {
  Q_OBJECT
 public:
  using QAbstractListModel::QAbstractListModel;

  TDir* Dir() const { return FDir; }
  // Shows Value's entries from now on (none for null), even when it is the
  // directory shown already: its entries may have changed.
  void SetDir(TDir* Value);
  // The directory's entries changed: every view reads them again.
  void Refill() { SetDir(FDir); }
  // The entry of a row, or null.
  TFile* File(int Row) const;

  int rowCount(const QModelIndex& Parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;

 private:
  TDir* FDir = nullptr;
};
