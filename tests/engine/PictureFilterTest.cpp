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

// An output frame, and the height of a 16:9 picture padded into it.
struct Frame {
    int width, height, picture;
};
constexpr Frame kIpod{320, 240, 180};

// What comes out of the filter for `frame` must be the bicubic scale of `expected` to the
// picture's size, below the top bar: within a few levels, as averaging first softens a sharp edge
// a little, where half a pixel's shift is off by tens of levels and a swapped plane or the wrong
// field by far more.
void ExpectDirectScale(const AVFrame &source, bool interlaced, const AVFrame &expected, Frame frame = kIpod)
{
    AVFramePtr out(av_frame_alloc());
    PictureFilter filter(frame.width, frame.height, AV_PIX_FMT_YUV420P, {1, 25}, PictureFit::Pad, [&](AVFrame &f) {
        av_frame_unref(out.get());
        return av_frame_ref(out.get(), &f) < 0 ? EngineStatus::Failure("ref") : EngineStatus{};
    });
    filter.SetSourceInterlaced(interlaced);
    ASSERT_TRUE(filter.Push(source, 0).ok() && filter.Flush().ok());
    ASSERT_EQ(out->width, frame.width);
    ASSERT_EQ(out->height, frame.height);
    AVFramePtr direct = Picture(frame.width, frame.picture);
    const SwsContextPtr sws(sws_getContext(expected.width, expected.height, AV_PIX_FMT_YUV420P, frame.width,
                                           frame.picture, AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr));
    ASSERT_TRUE(direct && sws && sws_scale_frame(sws.get(), direct.get(), &expected) >= 0);
    for (int p = 0; p < 3; ++p) {
        const int shift = p == 0 ? 0 : 1, top = (frame.height - frame.picture) / 2 >> shift;
        int worst = 0;
        for (int y = 0; y < frame.picture >> shift; ++y)
            for (int x = 0; x < frame.width >> shift; ++x)
                worst = std::max(worst, std::abs(out->data[p][(y + top) * out->linesize[p] + x] -
                                                 direct->data[p][y * direct->linesize[p] + x]));
        EXPECT_LE(worst, 12) << "plane " << p;
    }
}

} // namespace

struct SizeCase {
    int width, height;
    Frame frame;
};

class LargeSource : public ::testing::TestWithParam<SizeCase> {};

// Big sources take a cheaper way down to a small frame; the picture must come out the same.
TEST_P(LargeSource, ComesOutAsTheDirectBicubicScale)
{
    const SizeCase c = GetParam();
    AVFramePtr source = Picture(c.width, c.height);
    ASSERT_TRUE(source);
    Draw(*source, 0);
    ExpectDirectScale(*source, false, *source, c.frame);
}

// Shrunk to a third or less each way, pictures are averaged first; a size that cannot be halved
// evenly, or a smaller downscale, is scaled directly.
INSTANTIATE_TEST_SUITE_P(Sizes, LargeSource,
                         ::testing::Values(SizeCase{1920, 1080, kIpod}, SizeCase{1280, 720, kIpod},
                                           SizeCase{1278, 718, kIpod}, SizeCase{1920, 1080, {640, 480, 360}},
                                           SizeCase{1280, 720, {640, 480, 360}}));

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
