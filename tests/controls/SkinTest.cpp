// Dialog-unit geometry, control identifiers and the skin bitmaps with their white-outside rule.
#include "controls/ControlLayout.h"
#include "controls/SkinBitmap.h"

#include <QImage>
#include <QPainter>
#include <QWidget>

#include <gtest/gtest.h>

using namespace zentrova;

TEST(ControlLayout, DialogUnitsBecomePixelsEdgeByEdge)
{
    EXPECT_EQ(DialogUnitRect(0, 0, 503, 307).size(), QSize(880, 537));
    EXPECT_EQ(DialogUnitRect(7, 13, 78, 34), QRect(12, 23, 137, 59));
    // Rounding each edge, not the width: 82 -> 143.5 -> 144 and 158 -> 276.5 -> 277.
    EXPECT_EQ(DialogUnitRect(82, 13, 76, 34), QRect(144, 23, 133, 59));
    EXPECT_EQ(DialogUnitRect(0, 0, 288, 161, 6, 13).size(), QSize(432, 262));
}

TEST(ControlLayout, ControlsAreFoundByTheirIdentifiers)
{
    QWidget root;
    auto *inner = new QWidget(&root);
    auto *deep = new QWidget(inner);
    SetControlId(inner, 1000);
    SetControlId(deep, 1114);
    EXPECT_EQ(FindControl(&root, 1114), deep);
    EXPECT_EQ(FindControl(&root, 1000), inner);
    EXPECT_EQ(FindControl(&root, 4242), nullptr);
    EXPECT_EQ(ControlId(&root), 0);
}

TEST(SkinBitmap, RegionKeepsEverythingButPureWhite)
{
    QImage white(20, 10, QImage::Format_RGB32);
    white.fill(Qt::white);
    EXPECT_TRUE(RegionFromBitmap(white).isEmpty());
    EXPECT_TRUE(RegionFromBitmap(QImage()).isEmpty());

    QImage ring = white;
    QPainter painter(&ring);
    painter.fillRect(2, 2, 12, 6, QColor(254, 255, 255)); // almost white is inside
    painter.fillRect(6, 4, 3, 2, Qt::white);              // a hole
    painter.end();
    const QRegion region = RegionFromBitmap(ring);
    EXPECT_TRUE(region.contains(QPoint(2, 2)));
    EXPECT_TRUE(region.contains(QPoint(13, 7)));
    EXPECT_FALSE(region.contains(QPoint(7, 5)));
    EXPECT_FALSE(region.contains(QPoint(14, 2)));
    EXPECT_FALSE(region.contains(QPoint(0, 0)));
}

TEST(SkinBitmap, KeyColourBecomesTransparent)
{
    QImage image(4, 1, QImage::Format_RGB32);
    image.fill(qRgb(255, 0, 255));
    image.setPixel(1, 0, qRgb(10, 20, 30));
    const QImage keyed = KeyedPixmap(image, qRgb(255, 0, 255)).toImage();
    EXPECT_EQ(qAlpha(keyed.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(keyed.pixel(1, 0)), 255);
}

TEST(SkinBitmap, EveryBitmapTheWindowsNameIsThere)
{
    const int numbers[] = {177, 178, 180, 181, 182, 185, 186, 188, 189, 191, 196, 197, 199, 200, 204, 207, 208,
                           209, 210, 212, 226, 229, 243, 244, 249, 253, 254, 261, 266, 269, 279, 280, 286, 290,
                           292, 293, 295, 296, 299, 300, 301, 302, 303, 304, 306, 307, 308, 309, 310, 311, 314, 319};
    for (int number : numbers)
        EXPECT_FALSE(SkinImage(number).isNull()) << number;
    EXPECT_TRUE(SkinImage(12345).isNull());

    EXPECT_EQ(SkinImage(290).size(), QSize(880, 540));
    EXPECT_EQ(SkinImage(249).size(), QSize(408, 86));
    EXPECT_EQ(SkinImage(292).size(), QSize(48, 16));
    EXPECT_EQ(SkinImage(308).size(), QSize(23, 11));
    EXPECT_EQ(SkinImage(309).size(), QSize(23, 11));
    // Thumbs and the header boxes are keyed by magenta in their corner.
    EXPECT_EQ(SkinImage(308).pixel(0, 0) & 0xFFFFFF, 0xFF00FFu);
    EXPECT_EQ(SkinImage(292).pixel(16, 0) & 0xFFFFFF, 0xFF00FFu);
}

TEST(SkinBitmap, ButtonShapesHaveWhiteOutsideAndNoWhiteInside)
{
    // The Add button's shape: rounded, so its corner is outside and its middle inside.
    const QImage add = SkinImage(177);
    const QRegion region = RegionFromBitmap(add);
    EXPECT_FALSE(region.contains(QPoint(0, 0)));
    EXPECT_TRUE(region.contains(QPoint(add.width() / 2, add.height() / 2)));
    // Every state of a button shares the shape of its shape bitmap.
    EXPECT_EQ(RegionFromBitmap(SkinImage(178)), region);
    EXPECT_EQ(RegionFromBitmap(SkinImage(226)), RegionFromBitmap(SkinImage(280)));
    EXPECT_EQ(RegionFromBitmap(SkinImage(302)), RegionFromBitmap(SkinImage(301)));
    EXPECT_EQ(RegionFromBitmap(SkinImage(310)), RegionFromBitmap(SkinImage(301)));
}
