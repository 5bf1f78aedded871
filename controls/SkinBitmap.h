// The program's bitmaps, addressed by their resource numbers, and the shapes cut from them.
#pragma once

#include <QImage>
#include <QPixmap>
#include <QRegion>

namespace zentrova {

// Bitmap `number` from the program's resources (":/bitmaps/<number>.png"); null when missing.
QImage SkinImage(int number);
QPixmap SkinPixmap(int number);

// The region of all pixels that are not pure white, built from one-pixel-high runs.
// A null image gives an empty region.
QRegion RegionFromBitmap(const QImage &image);

// `image` with every pixel of colour `key` made transparent.
QPixmap KeyedPixmap(const QImage &image, QRgb key);

} // namespace zentrova
