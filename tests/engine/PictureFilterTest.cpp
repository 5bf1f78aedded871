#include "engine/PictureFilter.h"

extern "C" {
#include <libswscale/swscale.h>
}

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

using namespace zentrova;

namespace {

AVFramePtr Picture(int width, int height)
{
    AVFramePtr frame(av_frame_alloc());
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = width;
    frame->height = height;
    return av_frame_get_buffer(frame.get(), 0) < 0 ? nullptr : std::move(frame);
}

// Edges at odd places in every plane, the box `shift` tenths further right: a shift, a swapped
// plane, a wrong stride or the wrong field shows as a large difference along them.
void Draw(AVFrame &frame, int shift)
{
    for (int p = 0; p < 3; ++p) {
        const int w = p ? (frame.width + 1) / 2 : frame.width, h = p ? (frame.height + 1) / 2 : frame.height;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const bool box = x > w * (3 + p + shift) / 10 + 1 && x < w * (11 + 2 * shift) / 20 + 3 &&
                                 y > h * (7 - p) / 20 + 1 && y < h * 3 / 5;
                frame.data[p][y * frame.linesize[p] + x] = box ? 220 - 90 * p : 16 + (x * (p + 1) + y) * 100 / (w + h);
            }
    }
}

// What comes out of the filter for the iPod frame must be the bicubic scale of `expected` to
// 320x180, within rounding, below the 30-line bar.
void ExpectDirectScale(const AVFrame &source, bool interlaced, const AVFrame &expected)
{
    AVFramePtr out(av_frame_alloc());
    PictureFilter filter(320, 240, AV_PIX_FMT_YUV420P, {1, 25}, PictureFit::Pad, [&](AVFrame &f) {
        av_frame_unref(out.get());
        return av_frame_ref(out.get(), &f) < 0 ? EngineStatus::Failure("ref") : EngineStatus{};
    });
    filter.SetSourceInterlaced(interlaced);
    ASSERT_TRUE(filter.Push(source, 0).ok() && filter.Flush().ok());
    ASSERT_EQ(out->width, 320);
    ASSERT_EQ(out->height, 240);
    AVFramePtr direct = Picture(320, 180);
    const SwsContextPtr sws(sws_getContext(expected.width, expected.height, AV_PIX_FMT_YUV420P, 320, 180,
                                           AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr));
    ASSERT_TRUE(direct && sws && sws_scale_frame(sws.get(), direct.get(), &expected) >= 0);
    for (int p = 0; p < 3; ++p) {
        const int shift = p == 0 ? 0 : 1, top = 30 >> shift;
        int worst = 0;
        for (int y = 0; y < 180 >> shift; ++y)
            for (int x = 0; x < 320 >> shift; ++x)
                worst = std::max(worst, std::abs(out->data[p][(y + top) * out->linesize[p] + x] -
                                                 direct->data[p][y * direct->linesize[p] + x]));
        EXPECT_LE(worst, 8) << "plane " << p;
    }
}

} // namespace

class LargeSource : public ::testing::TestWithParam<std::pair<int, int>> {};

// Big sources take a cheaper way down to the iPod frame; the picture must come out the same.
TEST_P(LargeSource, ComesOutAsTheDirectBicubicScale)
{
    const auto [width, height] = GetParam();
    AVFramePtr source = Picture(width, height);
    ASSERT_TRUE(source);
    Draw(*source, 0);
    ExpectDirectScale(*source, false, *source);
}

// 1080p and 720p are averaged first; a size that cannot be halved evenly is scaled directly.
INSTANTIATE_TEST_SUITE_P(Sizes, LargeSource,
                         ::testing::Values(std::pair{1920, 1080}, std::pair{1280, 720}, std::pair{1278, 718}));

struct FieldCase {
    bool marked;          // the decoder marks the picture interlaced
    bool topFieldFirst;
    bool topExpected;     // the field the picture must come from
};

class LargeInterlacedSource : public ::testing::TestWithParam<FieldCase> {};

// Shrunk far enough, an interlaced picture is made from its first field in time alone, as the
// deinterlacer would keep it; the other field, a moment later, must not show.
TEST_P(LargeInterlacedSource, ComesOutAsItsFirstFieldScaled)
{
    const FieldCase c = GetParam();
    AVFramePtr top = Picture(1920, 540), bottom = Picture(1920, 540), source = Picture(1920, 1080);
    ASSERT_TRUE(top && bottom && source);
    Draw(*top, 0);
    Draw(*bottom, 3);
    for (int p = 0; p < 3; ++p)
        for (int y = 0; y < (p ? 540 : 1080); ++y) {
            const AVFrame &field = y % 2 ? *bottom : *top;
            std::copy_n(field.data[p] + (y / 2) * field.linesize[p], p ? 960 : 1920,
                        source->data[p] + y * source->linesize[p]);
        }
    source->interlaced_frame = c.marked;
    source->top_field_first = c.topFieldFirst;
    ExpectDirectScale(*source, true, c.topExpected ? *top : *bottom);
}

INSTANTIATE_TEST_SUITE_P(FieldOrders, LargeInterlacedSource,
                         ::testing::Values(FieldCase{true, true, true}, FieldCase{true, false, false},
                                           FieldCase{false, false, true}));
