#include "engine/DisplayRotation.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/display.h>
}

#include <cmath>
#include <cstring>

namespace zentrova {

int UprightQuarterTurns(const AVStream &stream)
{
    std::size_t size = 0;
    const std::uint8_t *matrix = av_stream_get_side_data(&stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (!matrix || size < 9 * sizeof(std::int32_t))
        return 0;
    // The matrix turns counter-clockwise; a degenerate one gives NaN.
    const double clockwise = -av_display_rotation_get(reinterpret_cast<const std::int32_t *>(matrix));
    if (!std::isfinite(clockwise))
        return 0;
    const long turns = std::lround(clockwise / 90.0);
    if (std::abs(clockwise - 90.0 * static_cast<double>(turns)) > 1.0)
        return 0;
    return static_cast<int>(((turns % 4) + 4) % 4);
}

void TurnPixels(const std::uint8_t *src, int srcStride, int width, int height, int bytesPerPixel, int quarterTurns,
                std::uint8_t *dst, int dstStride)
{
    const int turns = ((quarterTurns % 4) + 4) % 4;
    const auto pixel = static_cast<std::size_t>(bytesPerPixel);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t *row = src + static_cast<std::ptrdiff_t>(y) * srcStride;
        for (int x = 0; x < width; ++x) {
            // Where (x, y) lands: a clockwise quarter turn takes the top left corner to the top right.
            int tx = x, ty = y;
            if (turns == 1) {
                tx = height - 1 - y;
                ty = x;
            } else if (turns == 2) {
                tx = width - 1 - x;
                ty = height - 1 - y;
            } else if (turns == 3) {
                tx = y;
                ty = width - 1 - x;
            }
            std::memcpy(dst + static_cast<std::ptrdiff_t>(ty) * dstStride + static_cast<std::size_t>(tx) * pixel,
                        row + static_cast<std::size_t>(x) * pixel, pixel);
        }
    }
}

} // namespace zentrova
