#pragma once

#include <QColor>
#include <QStyledItemDelegate>

class TFile;

// Draws the items of an edit frame's directory list (DirListBoxDrawItem):
// the entry's kind shows in its text colour, each item 17 px high.
class TDirListDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  static constexpr int ItemHeight = 17;
  static const QColor DirectoryColor;  // directories and ".."
  static const QColor TextFileColor;

  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* Painter, const QStyleOptionViewItem& Option,
             const QModelIndex& Index) const override;
  QSize sizeHint(const QStyleOptionViewItem& Option, const QModelIndex& Index) const override;

  // The entry an item carries (Qt::UserRole), or null.
  static TFile* FileOf(const QModelIndex& Index);
  // The first rule that applies: selected, directory or "..", text file,
  // binary file, else the window text.
  static QColor TextColor(const TFile* File, bool Selected, const QPalette& Palette);
};
