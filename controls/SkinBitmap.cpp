// Bitmap lookup and the white-is-outside rule of the skin.
#include "controls/SkinBitmap.h"

#include <QString>

namespace zentrova {

QImage SkinImage(int number)
{
    return QImage(QStringLiteral(":/bitmaps/%1.png").arg(number));
}

QPixmap SkinPixmap(int number)
{
    return QPixmap::fromImage(SkinImage(number));
}

QRegion RegionFromBitmap(const QImage &image)
{
    QRegion region;
    if (image.isNull())
        return region;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    // Rectangles are gathered per row and merged in bulk: uniting runs one by one is quadratic.
    QList<QRect> rects;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        int x = 0;
        while (x < rgb.width()) {
            while (x < rgb.width() && (line[x] & 0xFFFFFF) == 0xFFFFFF)
                ++x;
            const int start = x;
            while (x < rgb.width() && (line[x] & 0xFFFFFF) != 0xFFFFFF)
                ++x;
            if (x > start)
                rects.append(QRect(start, y, x - start, 1));
        }
    }
    region.setRects(rects.constData(), static_cast<int>(rects.size()));
    return region;
}

QPixmap KeyedPixmap(const QImage &image, QRgb key)
{
    if (image.isNull())
        return {};
    QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(argb.scanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            if ((line[x] & 0xFFFFFF) == (key & 0xFFFFFF))
                line[x] = 0;
        }
    }
    return QPixmap::fromImage(argb);
}

} // namespace zentrova
