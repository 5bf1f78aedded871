// Fitting the display shape into the preview's largest picture.
#include "dialogs/player/PictureSize.h"

#include <algorithm>
#include <cmath>

namespace zentrova::player {

namespace {
constexpr double kMaxWidth = 640;
constexpr double kMaxHeight = 480;
} // namespace

PictureSize FitPictureSize(int width, int height, int sarNum, int sarDen)
{
    if (width <= 0 || height <= 0)
        return {};
    double w = width;
    const double h = height;
    if (sarNum > 0 && sarDen > 0)
        w = w * sarNum / sarDen;
    const double scale = std::min({1.0, kMaxWidth / w, kMaxHeight / h});
    PictureSize size;
    size.width = std::max(4, static_cast<int>(std::floor(w * scale / 4)) * 4);
    size.height = std::max(2, static_cast<int>(std::lround(h * scale / 2)) * 2);
    return size;
}

} // namespace zentrova::player
