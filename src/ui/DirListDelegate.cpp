#include "ui/DirListDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

#include "remote/listing/File.h"

const QColor TDirListDelegate::DirectoryColor = QColor(255, 102, 28);
const QColor TDirListDelegate::TextFileColor = QColor(0, 127, 255);

TFile* TDirListDelegate::FileOf(const QModelIndex& Index) {
  return static_cast<TFile*>(Index.data(Qt::UserRole).value<void*>());
}

QColor TDirListDelegate::TextColor(const TFile* File, bool Selected, const QPalette& Palette) {
  if (Selected) return Palette.color(QPalette::Active, QPalette::HighlightedText);
  if (File) {
    // ".." may come without the directory flag, yet it always leads somewhere.
    if (File->IsDirectory() || File->RemoteShortName() == "..") return DirectoryColor;
    // A name that looks like both counts as text: it can be opened.
    if (File->IsTextFile()) return TextFileColor;
    if (File->IsBinaryFile()) return Palette.color(QPalette::Disabled, QPalette::Text);
  }
  return Palette.color(QPalette::Active, QPalette::Text);
}

void TDirListDelegate::paint(QPainter* Painter, const QStyleOptionViewItem& Option,
                             const QModelIndex& Index) const {
  const bool selected = Option.state & QStyle::State_Selected;
  const QPalette& palette = Option.palette;
  Painter->save();
  Painter->fillRect(Option.rect, palette.color(QPalette::Active,
                                               selected ? QPalette::Highlight : QPalette::Base));
  Painter->setFont(Option.font);
  Painter->setPen(TextColor(FileOf(Index), selected, palette));
  Painter->drawText(Option.rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                    Index.data(Qt::DisplayRole).toString());
  Painter->restore();

  if (Option.state & QStyle::State_HasFocus) {
    QStyleOptionFocusRect focus;
    focus.QStyleOption::operator=(Option);
    focus.backgroundColor = palette.color(selected ? QPalette::Highlight : QPalette::Base);
    const QWidget* widget = Option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, Painter, widget);
  }
}

QSize TDirListDelegate::sizeHint(const QStyleOptionViewItem& Option,
                                 const QModelIndex& Index) const {
  const int width = Option.fontMetrics.horizontalAdvance(Index.data(Qt::DisplayRole).toString());
  return QSize(width, ItemHeight);
}
