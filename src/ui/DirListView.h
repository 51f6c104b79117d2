#pragma once

#include <QListView>

// The directory list's view: one column of rows of one height, laid out by
// arithmetic. QListView keeps a position per row, laid out again whenever its
// model resets; for a folder of half a million entries that is megabytes and
// tens of milliseconds per tab, and again per tab at every refill. This view
// keeps nothing per row, so a tab costs the same whatever its folder's size,
// and many tabs can show one shared model.
//
// It scrolls by rows: the vertical scroll bar's value is the top row. Rows
// span the viewport's width; there is no horizontal scrolling.
class TDirListView : public QListView {
  Q_OBJECT
 public:
  explicit TDirListView(int RowHeight, QWidget* Parent = nullptr);

  QRect visualRect(const QModelIndex& Index) const override;
  QModelIndex indexAt(const QPoint& Point) const override;
  void scrollTo(const QModelIndex& Index, ScrollHint Hint = EnsureVisible) override;
  void doItemsLayout() override;

 protected:
  void paintEvent(QPaintEvent* Event) override;
  void updateGeometries() override;
  void scrollContentsBy(int Dx, int Dy) override;
  int horizontalOffset() const override;
  int verticalOffset() const override;
  QModelIndex moveCursor(CursorAction Action, Qt::KeyboardModifiers Modifiers) override;
  void setSelection(const QRect& Rect, QItemSelectionModel::SelectionFlags Command) override;
  QRegion visualRegionForSelection(const QItemSelection& Selection) const override;

 private:
  int Rows() const;
  int TopRow() const;
  // Rows that fit the viewport whole; at least one.
  int FullRows() const;
  // The row at a viewport height, not bounded by the rows there are.
  int RowAtY(int Y) const;
  QModelIndex Row(int Value) const;
  QRect RowsRect(int First, int Last) const;

  int FRowHeight;
};
