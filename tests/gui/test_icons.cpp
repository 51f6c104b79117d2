// Our own icon pictures: drawn at the size asked for, greyed when disabled,
// and null only when the picture does not exist.
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <gtest/gtest.h>

#include "TempHome.h"
#include "ui/Icons.h"

namespace {

int DrawnPixels(const QImage& Image) {
  int drawn = 0;
  for (int y = 0; y < Image.height(); ++y)
    for (int x = 0; x < Image.width(); ++x) drawn += qAlpha(Image.pixel(x, y)) > 0;
  return drawn;
}

// Each size is drawn for itself: a picture kept from one size must not be
// handed out for another.
TEST(SvgIcons, EachSizeAndModeIsDrawnForItself) {
  TempHome home;
  const QIcon icon = Icons::Fallback("edit-cut");
  const QImage small = icon.pixmap(16, 16).toImage();
  const QImage large = icon.pixmap(32, 32).toImage();
  ASSERT_EQ(small.size(), QSize(16, 16));
  ASSERT_EQ(large.size(), QSize(32, 32));
  EXPECT_GT(DrawnPixels(large), 3 * DrawnPixels(small));
  EXPECT_EQ(icon.pixmap(16, 16).toImage(), small);

  const QImage disabled = icon.pixmap(QSize(16, 16), QIcon::Disabled).toImage();
  ASSERT_EQ(disabled.size(), QSize(16, 16));
  EXPECT_GT(DrawnPixels(disabled), 20);
  EXPECT_NE(disabled.convertToFormat(QImage::Format_ARGB32),
            small.convertToFormat(QImage::Format_ARGB32));
}

TEST(SvgIcons, OnlyAMissingPictureIsNull) {
  TempHome home;
  EXPECT_FALSE(Icons::Fallback("document-save").isNull());
  EXPECT_TRUE(Icons::Fallback("no-such-picture").isNull());
}

}  // namespace
