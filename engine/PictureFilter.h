// The way from a decoded picture to the encoder's frame: deinterlacing, scaling to the profile's
// frame with the picture's shape kept, square pixels, the encoder's pixel format.
#pragma once

#include "engine/EngineStatus.h"
#include "engine/FFmpegPtr.h"

#include <functional>

namespace zentrova {

// How a picture of another shape goes into the profile's frame.
enum class PictureFit {
    Pad,      // all of it, with black bars
    Crop,     // the frame filled, the overhang cut off
    Stretch,  // the frame filled, the shape given up
};

struct PictureGeometry {
    int width = 0;   // the scaled picture
    int height = 0;
    int x = 0;       // Pad: where it sits in the frame; Crop: where the frame sits in it
    int y = 0;
};

// Where a `sourceWidth` x `sourceHeight` picture of sample aspect `sar` (0/x: square) goes in a
// `frameWidth` x `frameHeight` frame of square pixels. Sizes and offsets are even, for 4:2:0.
PictureGeometry FitPicture(int sourceWidth, int sourceHeight, AVRational sar, int frameWidth, int frameHeight,
                           PictureFit fit);

class PictureFilter {
public:
    using Sink = std::function<EngineStatus(AVFrame &)>;

    // Output frames of `width` x `height`, `format`, on `timeBase`, handed to `sink`.
    PictureFilter(int width, int height, AVPixelFormat format, AVRational timeBase, PictureFit fit, Sink sink);

    // Filters `frame` as the picture at `pts`; the picture may leave later (the deinterlacer
    // looks one frame ahead). A picture of another size or kind first flushes the pictures held.
    EngineStatus Push(const AVFrame &frame, std::int64_t pts);
    // Delivers every picture still held.
    EngineStatus Flush();
    // The pixel shape the source's container gives; it takes precedence over the pictures' own.
    void SetSourceAspect(AVRational sar) { sourceSar_ = sar; }
    // The source's field order says it is interlaced: every picture is deinterlaced, also those
    // its decoder does not mark (raw and intra codecs often mark none).
    void SetSourceInterlaced(bool interlaced) { sourceInterlaced_ = interlaced; }
    // Clockwise quarter turns that stand the source's pictures upright (see DisplayRotation.h).
    void SetSourceTurns(int quarterTurns) { turns_ = ((quarterTurns % 4) + 4) % 4; }

private:
    EngineStatus Build(const AVFrame &frame);
    EngineStatus Pull();
    // The source's pixel shape, else the picture's, else square.
    AVRational PixelShape(const AVFrame &frame) const;

    int width_;
    int height_;
    AVPixelFormat format_;
    AVRational timeBase_;
    PictureFit fit_;
    Sink sink_;
    AVFilterGraphPtr graph_;
    AVFilterContext *source_ = nullptr;
    AVFilterContext *output_ = nullptr;
    AVFramePtr filtered_;
    int inWidth_ = 0;
    int inHeight_ = 0;
    int inFormat_ = -1;
    AVRational inSar_{0, 1};
    AVRational sourceSar_{0, 1};
    bool deinterlace_ = false;
    bool fields_ = false;  // each picture's first field alone goes to the graph
    bool halve_ = false;   // pictures are averaged 2x2 before the graph
    bool sourceInterlaced_ = false;
    int turns_ = 0;
};

} // namespace zentrova
