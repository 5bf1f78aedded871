// The live picture drawn into a real X11 window (runs under xvfb-run).
#include "engine/ConvertWorker.h"
#include "engine/FFmpegPtr.h"
#include "engine/PreviewOutput.h"
#include "tests/engine/ConvertTestSupport.h"
#include "tests/support/TestMedia.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <thread>

// Last: Xlib defines macros (None, Bool, Status) that clash with the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace zentrova;
using namespace zentrova::test;

namespace {

// SDL loads the X extension libraries when its video starts and unloads them when it stops;
// keeping them mapped lets the leak checker name (and so suppress) what they keep for good.
const bool g_keepXLibraries = [] {
    for (const char *name : {"libXext.so.6", "libXcursor.so.1", "libXi.so.6", "libXrandr.so.2", "libXss.so.1",
                             "libXfixes.so.3", "libXrender.so.1", "libXinerama.so.1"})
        dlopen(name, RTLD_NOW | RTLD_NODELETE);
    return true;
}();

struct Rgb {
    int r, g, b;
};

int Channel(unsigned long pixel, unsigned long mask)
{
    if (!mask)
        return 0;
    int shift = 0;
    while (!(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    return static_cast<int>(((pixel >> shift) & mask) * 255 / mask);
}

class NativeWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        display_ = XOpenDisplay(nullptr);
        if (!display_)
            GTEST_SKIP() << "no X display";
        const int screen = DefaultScreen(display_);
        window_ = XCreateSimpleWindow(display_, RootWindow(display_, screen), 0, 0, 160, 120, 0,
                                      BlackPixel(display_, screen), BlackPixel(display_, screen));
        XSelectInput(display_, window_, StructureNotifyMask);
        XMapWindow(display_, window_);
        XEvent event;
        do
            XNextEvent(display_, &event);
        while (event.type != MapNotify);
        XSync(display_, False);
    }

    void TearDown() override
    {
        if (display_) {
            XDestroyWindow(display_, window_);
            XCloseDisplay(display_);
        }
    }

    Rgb PixelAt(int x, int y)
    {
        XSync(display_, False);
        XImage *image = XGetImage(display_, window_, x, y, 1, 1, AllPlanes, ZPixmap);
        if (!image)
            return {-1, -1, -1};
        const unsigned long p = XGetPixel(image, 0, 0);
        const Rgb rgb{Channel(p, image->red_mask), Channel(p, image->green_mask), Channel(p, image->blue_mask)};
        XDestroyImage(image);
        return rgb;
    }

    // rgb_bars.mp4 shows red, green and blue stripes from top to bottom.
    void ExpectBars()
    {
        const Rgb red = PixelAt(150, 20), green = PixelAt(150, 60), blue = PixelAt(150, 100);
        EXPECT_GT(red.r, 150);
        EXPECT_LT(red.g, 80);
        EXPECT_LT(red.b, 80);
        EXPECT_GT(green.g, 150);
        EXPECT_LT(green.r, 80);
        EXPECT_LT(green.b, 80);
        EXPECT_GT(blue.b, 150);
        EXPECT_LT(blue.r, 80);
        EXPECT_LT(blue.g, 80);
    }

    Display *display_ = nullptr;
    Window window_ = 0;
};

AVFramePtr FirstFrame(const std::string &path)
{
    AVFramePtr frame(av_frame_alloc());
    AVFormatContextPtr input;
    if (OpenInput(input, path) < 0 || avformat_find_stream_info(input.get(), nullptr) < 0)
        return nullptr;
    const int index = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const AVCodec *codec = avcodec_find_decoder(input->streams[index]->codecpar->codec_id);
    AVCodecContextPtr decoder(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(decoder.get(), input->streams[index]->codecpar);
    avcodec_open2(decoder.get(), codec, nullptr);
    AVPacketPtr packet(av_packet_alloc());
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->stream_index == index)
            avcodec_send_packet(decoder.get(), packet.get());
        av_packet_unref(packet.get());
        if (avcodec_receive_frame(decoder.get(), frame.get()) >= 0)
            return frame;
    }
    avcodec_send_packet(decoder.get(), nullptr);
    return avcodec_receive_frame(decoder.get(), frame.get()) >= 0 ? std::move(frame) : nullptr;
}

} // namespace

TEST_F(NativeWindow, FrameIsDrawnIntoTheBoundWindow)
{
    AVFramePtr frame = FirstFrame(MediaPath("rgb_bars.mp4"));
    ASSERT_TRUE(frame);
    PreviewControl control;
    control.Attach(PreviewTarget::NativeWindow, window_);
    PreviewOutput preview(control);
    ASSERT_TRUE(preview.Start());
    preview.Show(*frame);
    ExpectBars();
    preview.Stop();
}

TEST_F(NativeWindow, WindowIdComesFromTheEnvironment)
{
    setenv("SDL_WINDOWID", std::to_string(window_).c_str(), 1);
    PreviewControl control;
    control.Attach(PreviewTarget::NativeWindow);
    unsetenv("SDL_WINDOWID");
    PreviewOutput preview(control);
    EXPECT_TRUE(preview.Start());
    preview.Stop();

    PreviewControl none;
    none.Attach(PreviewTarget::NativeWindow);  // no SDL_WINDOWID: no picture
    PreviewOutput nothing(none);
    EXPECT_FALSE(nothing.Start());
}

TEST_F(NativeWindow, ConversionShowsItsFramesUpright)
{
    const auto convert = [this](const char *source) {
        auto job = FillRows({RowFor(MediaPath(source))}, 0, ScratchDir(std::string("preview-") + source));
        job->Preview.Attach(PreviewTarget::NativeWindow, window_);
        ConvertWorker(*job);
        return job->TaskStatus[0].load() == kTaskCompleted;
    };
    ASSERT_TRUE(convert("rgb_bars.mp4"));
    // The last frame shown stays in the window.
    ExpectBars();
    // Stored with its white half on top and marked to be shown turned counter-clockwise: the
    // white half is on the left, as in the converted file.
    ASSERT_TRUE(convert("turned_90.mp4"));
    for (int y : {30, 90}) {
        EXPECT_GT(PixelAt(40, y).g, 230);
        EXPECT_NEAR(PixelAt(120, y).g, 128, 20);
    }
}

TEST_F(NativeWindow, DetachWaitsUntilTheWorkerLetsGo)
{
    const std::string out = ScratchDir("preview-detach");
    auto job = FillRows({RowFor(MediaPath("long_h264_aac_30s.mp4")), RowFor(MediaPath("rgb_bars.mp4"))}, 0, out);
    job->Preview.Attach(PreviewTarget::NativeWindow, window_);
    std::thread worker([&] { ConvertWorker(*job); });
    while (job->Progress.load() < 10 && job->CurrentTask.load() < 1)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(job->DetachPreview(std::chrono::milliseconds(2000)));
    // Nothing draws into the window any more: clear it and see that it stays clear.
    XClearWindow(display_, window_);
    worker.join();
    EXPECT_EQ(job->TaskStatus[0].load(), kTaskCompleted);
    EXPECT_EQ(job->TaskStatus[1].load(), kTaskCompleted);
    const Rgb after = PixelAt(150, 20);
    EXPECT_LT(after.r, 40);
}
