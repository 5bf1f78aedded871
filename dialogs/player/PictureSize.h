// The size pictures are delivered at, from the source's coded size and pixel aspect.
#pragma once

namespace zentrova::player {

struct PictureSize {
    int width = 0;
    int height = 0;
};

// The display shape (pixel aspect `sarNum`:`sarDen`, unknown when either is not positive) fitted
// inside 640 x 480 without enlarging. The width is a multiple of 4 so that rows of width * 3
// bytes need no padding where the drawing side expects rows on 4-byte boundaries, and the height
// is even. Pictures are converted at this size only: a 1080p source is not converted whole
// (6 MB of BGR) on every fetch.
PictureSize FitPictureSize(int width, int height, int sarNum, int sarDen);

} // namespace zentrova::player
