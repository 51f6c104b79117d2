#include "ui/SvgIconEngine.h"

#include <QApplication>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QStyle>
#include <QStyleOption>

TSvgIconEngine::TSvgIconEngine(const QString& Path) : FPath(Path) {}

QIconEngine* TSvgIconEngine::clone() const { return new TSvgIconEngine(FPath); }

QString TSvgIconEngine::key() const { return "TSvgIconEngine"; }

bool TSvgIconEngine::isNull() {
  if (FExists < 0) FExists = QFile::exists(FPath);
  return !FExists;
}

QSize TSvgIconEngine::actualSize(const QSize& Size, QIcon::Mode, QIcon::State) {
  const int side = qMin(Size.width(), Size.height());
  return QSize(side, side);
}

// The image reader's SVG plugin reads the file once and draws it straight at
// the size asked for.
QPixmap TSvgIconEngine::Render(const QSize& Size) const {
  QImageReader reader(FPath);
  reader.setScaledSize(Size);
  return QPixmap::fromImage(reader.read());
}

// Other modes are derived from the normal picture the way the style derives
// them for any icon (greyed out when disabled).
QPixmap TSvgIconEngine::pixmap(const QSize& Size, QIcon::Mode Mode, QIcon::State State) {
  const QSize size = actualSize(Size, Mode, State);
  if (size.isEmpty()) return QPixmap();
  const QString cacheKey =
      QString("TSvgIconEngine:%1:%2:%3").arg(FPath).arg(size.width()).arg(int(Mode));
  QPixmap result;
  if (QPixmapCache::find(cacheKey, &result)) return result;
  if (Mode == QIcon::Normal) {
    result = Render(size);
  } else {
    result = pixmap(size, QIcon::Normal, State);
    if (!result.isNull() && qobject_cast<QApplication*>(QCoreApplication::instance())) {
      QStyleOption option;
      option.palette = QGuiApplication::palette();
      result = QApplication::style()->generatedIconPixmap(Mode, result, &option);
    }
  }
  if (!result.isNull()) QPixmapCache::insert(cacheKey, result);
  return result;
}

void TSvgIconEngine::paint(QPainter* Painter, const QRect& Rect, QIcon::Mode Mode,
                           QIcon::State State) {
  const qreal ratio = Painter->device() ? Painter->device()->devicePixelRatio() : 1.0;
  const QPixmap drawn = pixmap(Rect.size() * ratio, Mode, State);
  const QSize shown = drawn.size() / ratio;
  const QRect target(Rect.x() + (Rect.width() - shown.width()) / 2,
                     Rect.y() + (Rect.height() - shown.height()) / 2, shown.width(),
                     shown.height());
  Painter->drawPixmap(target, drawn);
}
