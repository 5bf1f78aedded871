#include "engine/PictureFilter.h"

extern "C" {
#include <libswscale/swscale.h>
}

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

using namespace zentrova;

class LargeSource : public ::testing::TestWithParam<std::pair<int, int>> {};

// Big sources take a cheaper way down to the iPod frame; what comes out must still be the
// bicubic scale of the whole picture, within rounding, in every plane and place.
TEST_P(LargeSource, ComesOutAsTheDirectBicubicScale)
{
    const auto [width, height] = GetParam();
    AVFramePtr source(av_frame_alloc()), direct(av_frame_alloc()), out(av_frame_alloc());
    source->format = direct->format = AV_PIX_FMT_YUV420P;
    source->width = width;
    source->height = height;
    ASSERT_GE(av_frame_get_buffer(source.get(), 0), 0);
    // Edges at odd places in every plane: a shift, a swapped plane or a wrong stride shows as a
    // large difference along them.
    for (int p = 0; p < 3; ++p) {
        const int w = p ? (width + 1) / 2 : width, h = p ? (height + 1) / 2 : height;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const bool box = x > w * (3 + p) / 10 + 1 && x < w * 11 / 20 + 3 && y > h * (7 - p) / 20 + 1 &&
                                 y < h * 3 / 5;
                source->data[p][y * source->linesize[p] + x] = box ? 220 - 90 * p : 16 + (x * (p + 1) + y) * 100 / (w + h);
            }
    }
    PictureFilter filter(320, 240, AV_PIX_FMT_YUV420P, {1, 25}, PictureFit::Pad, [&](AVFrame &f) {
        av_frame_unref(out.get());
        return av_frame_ref(out.get(), &f) < 0 ? EngineStatus::Failure("ref") : EngineStatus{};
    });
    ASSERT_TRUE(filter.Push(*source, 0).ok() && filter.Flush().ok());
    ASSERT_EQ(out->width, 320);
    ASSERT_EQ(out->height, 240);
    direct->width = 320;
    direct->height = 180;
    const SwsContextPtr sws(sws_getContext(width, height, AV_PIX_FMT_YUV420P, 320, 180, AV_PIX_FMT_YUV420P,
                                           SWS_BICUBIC, nullptr, nullptr, nullptr));
    ASSERT_TRUE(sws && sws_scale_frame(sws.get(), direct.get(), source.get()) >= 0);

    for (int p = 0; p < 3; ++p) {
        const int shift = p == 0 ? 0 : 1, top = 30 >> shift;  // the picture sits below a 30-line bar
        int worst = 0;
        for (int y = 0; y < 180 >> shift; ++y)
            for (int x = 0; x < 320 >> shift; ++x)
                worst = std::max(worst, std::abs(out->data[p][(y + top) * out->linesize[p] + x] -
                                                 direct->data[p][y * direct->linesize[p] + x]));
        EXPECT_LE(worst, 8) << "plane " << p;
    }
}

// 1080p and 720p are averaged first; a size that cannot be halved evenly is scaled directly.
INSTANTIATE_TEST_SUITE_P(Sizes, LargeSource,
                         ::testing::Values(std::pair{1920, 1080}, std::pair{1280, 720}, std::pair{1278, 718}));
