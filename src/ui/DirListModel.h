#pragma once

#include <QAbstractListModel>

class TDir;
class TFile;

// The rows of an edit frame's directory list, read straight from the page's
// directory: a listing of tens of thousands of entries then shows at once,
// without one list item made per entry. Each row shows the entry's name
// (a directory's in brackets) and carries its TFile (Qt::UserRole).
//
// The directory is not watched: whoever refills it calls SetDir again (the
// connection driver refills every page that shows it before returning to the
// event loop), and until then rows past its end read as empty.
class TDirListModel : public QAbstractListModel {
  Q_OBJECT
 public:
  using QAbstractListModel::QAbstractListModel;

  TDir* Dir() const { return FDir; }
  // Shows Value's entries from now on (none for null), even when it is the
  // directory shown already: its entries may have changed.
  void SetDir(TDir* Value);
  // The entry of a row, or null.
  TFile* File(int Row) const;

  int rowCount(const QModelIndex& Parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;

 private:
  TDir* FDir = nullptr;
};
