#pragma once

#include <QIconEngine>
#include <QString>

// Draws one of our own SVG pictures, rendered the first time each size and
// mode is asked for and then kept in the pixmap cache. Qt's own SVG icon
// engine reads and checks the file as soon as the icon is made and reads it
// again to draw it; every toolbar and menu icon is made while the window is
// being built, so that reading would be start-up time spent on pictures
// not yet on screen (and, with a desktop theme, never shown).
class TSvgIconEngine : public QIconEngine {
 public:
  // Path names an SVG file or resource with a square picture.
  explicit TSvgIconEngine(const QString& Path);

  QIconEngine* clone() const override;
  QString key() const override;
  bool isNull() override;
  // Our pictures are square: the largest square that fits Size.
  QSize actualSize(const QSize& Size, QIcon::Mode Mode, QIcon::State State) override;
  QPixmap pixmap(const QSize& Size, QIcon::Mode Mode, QIcon::State State) override;
  void paint(QPainter* Painter, const QRect& Rect, QIcon::Mode Mode, QIcon::State State) override;

 private:
  QPixmap Render(const QSize& Size) const;

  QString FPath;
  // Whether the file exists, asked once (widgets ask for every paint).
  int FExists = -1;
};
