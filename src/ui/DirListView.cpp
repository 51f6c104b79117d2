#include "ui/DirListView.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

TDirListView::TDirListView(int RowHeight, QWidget* Parent)
    : QListView(Parent), FRowHeight(std::max(1, RowHeight)) {
  // The scroll bar counts rows whatever the style prefers.
  setVerticalScrollMode(ScrollPerItem);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

int TDirListView::Rows() const { return model() ? model()->rowCount(rootIndex()) : 0; }

int TDirListView::TopRow() const { return verticalScrollBar()->value(); }

int TDirListView::FullRows() const { return std::max(1, viewport()->height() / FRowHeight); }

int TDirListView::RowAtY(int Y) const {
  // Rounded down for negative heights as well: the row above the top one.
  return TopRow() + (Y >= 0 ? Y / FRowHeight : (Y - FRowHeight + 1) / FRowHeight);
}

QModelIndex TDirListView::Row(int Value) const {
  if (!model() || Value < 0 || Value >= Rows()) return QModelIndex();
  return model()->index(Value, modelColumn(), rootIndex());
}

QRect TDirListView::RowsRect(int First, int Last) const {
  return QRect(0, (First - TopRow()) * FRowHeight, viewport()->width(),
               (Last - First + 1) * FRowHeight);
}

QRect TDirListView::visualRect(const QModelIndex& Index) const {
  if (!Index.isValid() || Index.parent() != rootIndex() || Index.column() != modelColumn())
    return QRect();
  return RowsRect(Index.row(), Index.row());
}

QModelIndex TDirListView::indexAt(const QPoint& Point) const {
  if (Point.x() < 0 || Point.x() >= viewport()->width() || Point.y() < 0) return QModelIndex();
  return Row(RowAtY(Point.y()));
}

void TDirListView::scrollTo(const QModelIndex& Index, ScrollHint Hint) {
  if (!Index.isValid() || Index.parent() != rootIndex()) return;
  const int row = Index.row();
  const int top = TopRow();
  const int shown = FullRows();
  int wanted = top;
  switch (Hint) {
    case EnsureVisible:
      if (row < top)
        wanted = row;
      else if (row >= top + shown)
        wanted = row - shown + 1;
      break;
    case PositionAtTop:
      wanted = row;
      break;
    case PositionAtBottom:
      wanted = row - shown + 1;
      break;
    case PositionAtCenter:
      wanted = row - shown / 2;
      break;
  }
  verticalScrollBar()->setValue(wanted);
}

// Nothing to lay out: the scroll range follows the row count.
void TDirListView::doItemsLayout() { QAbstractItemView::doItemsLayout(); }

void TDirListView::updateGeometries() {
  const int shown = FullRows();
  verticalScrollBar()->setSingleStep(1);
  verticalScrollBar()->setPageStep(shown);
  verticalScrollBar()->setRange(0, std::max(0, Rows() - shown));
  horizontalScrollBar()->setRange(0, 0);
  QAbstractItemView::updateGeometries();
}

// Dy counts rows (the scroll bar's unit); the viewport moves by pixels.
void TDirListView::scrollContentsBy(int Dx, int Dy) {
  Q_UNUSED(Dx);
  QAbstractItemView::scrollContentsBy(0, Dy * FRowHeight);
}

int TDirListView::horizontalOffset() const { return 0; }

int TDirListView::verticalOffset() const { return TopRow() * FRowHeight; }

QModelIndex TDirListView::moveCursor(CursorAction Action, Qt::KeyboardModifiers Modifiers) {
  Q_UNUSED(Modifiers);
  const int rows = Rows();
  if (rows == 0) return QModelIndex();
  const QModelIndex current = currentIndex();
  if (!current.isValid()) return Row(0);
  const int row = current.row();
  const int last = rows - 1;
  switch (Action) {
    case MoveUp:
    case MovePrevious:
      return Row(std::max(0, row - 1));
    case MoveDown:
    case MoveNext:
      return Row(std::min(last, row + 1));
    case MovePageUp:
      return Row(std::max(0, row - FullRows()));
    case MovePageDown:
      return Row(std::min(last, row + FullRows()));
    case MoveHome:
      return Row(0);
    case MoveEnd:
      return Row(last);
    case MoveLeft:
    case MoveRight:
      break;
  }
  return current;
}

// The rows the rectangle touches; none when it lies below the last row (a
// click there clears a single selection, as in any list).
void TDirListView::setSelection(const QRect& Rect, QItemSelectionModel::SelectionFlags Command) {
  if (!selectionModel()) return;
  const QRect rect = Rect.normalized();
  const int first = std::max(0, RowAtY(rect.top()));
  const int last = std::min(Rows() - 1, RowAtY(rect.bottom()));
  QItemSelection selection;
  if (first <= last && rect.right() >= 0 && rect.left() < viewport()->width())
    selection.select(Row(first), Row(last));
  selectionModel()->select(selection, Command);
}

QRegion TDirListView::visualRegionForSelection(const QItemSelection& Selection) const {
  QRegion region;
  const int top = TopRow();
  const int bottom = top + FullRows();
  for (const QItemSelectionRange& range : Selection) {
    if (range.parent() != rootIndex() || !range.isValid()) continue;
    const int first = std::max(range.top(), top);
    const int last = std::min(range.bottom(), bottom);
    if (first <= last) region += RowsRect(first, last);
  }
  return region;
}

// Only the rows the event's rectangle touches are asked for.
void TDirListView::paintEvent(QPaintEvent* Event) {
  QAbstractItemDelegate* delegate = itemDelegate();
  if (!model() || !delegate) return;
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  const QStyle::State state = option.state;
  const QModelIndex current = currentIndex();
  const bool focus = (hasFocus() || viewport()->hasFocus()) && current.isValid();
  const QItemSelectionModel* selections = selectionModel();
  QPainter painter(viewport());
  const int first = std::max(0, RowAtY(Event->rect().top()));
  const int last = std::min(Rows() - 1, RowAtY(Event->rect().bottom()));
  for (int row = first; row <= last; ++row) {
    const QModelIndex index = Row(row);
    option.rect = RowsRect(row, row);
    option.state = state;
    if (selections && selections->isSelected(index)) option.state |= QStyle::State_Selected;
    if ((model()->flags(index) & Qt::ItemIsEnabled) == 0) option.state &= ~QStyle::State_Enabled;
    if (focus && index == current) option.state |= QStyle::State_HasFocus;
    itemDelegateForIndex(index)->paint(&painter, option, index);
  }
}
