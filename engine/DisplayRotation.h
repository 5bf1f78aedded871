// Pictures stored sideways or upside down: phones record that way and say in the container how
// the picture is to be turned for showing.
#pragma once

#include <cstdint>

struct AVStream;

namespace zentrova {

// Clockwise quarter turns (0 to 3) that stand the stream's pictures upright, from the display
// matrix its container gives; 0 without one, or for an angle that is not a multiple of 90 degrees.
int UprightQuarterTurns(const AVStream &stream);

// Copies a `width` x `height` picture of `bytesPerPixel`-byte pixels into `dst`, turned clockwise
// by `quarterTurns`: `dst` is `height` x `width` for an odd number of turns.
void TurnPixels(const std::uint8_t *src, int srcStride, int width, int height, int bytesPerPixel, int quarterTurns,
                std::uint8_t *dst, int dstStride);

} // namespace zentrova
