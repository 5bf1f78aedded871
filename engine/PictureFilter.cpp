// Building and running the deinterlace, scale and pad graph.
#include "engine/PictureFilter.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

namespace zentrova {

namespace {

int Even(double v)
{
    return std::max(2, 2 * static_cast<int>(std::lround(v / 2.0)));
}

bool Planar420(int format)
{
    return format == AV_PIX_FMT_YUV420P || format == AV_PIX_FMT_YUVJ420P;
}

// The bicubic scaler's cost follows the lines and width it is given, so a picture scaled to a
// third of its size or less each way (1080p to the 640x480 frame, 1080p or 720p to the iPod's
// 320x240) is first averaged 2x2, which costs a tenth as much. Ahead of such a downscale the
// average barely shows: the encoded picture's SSIM against the source moves by under 0.001
// (1080p to 640x480: 0.0006 clean, 0.0007 under heavy grain), and 1080p to 640x480 takes 5 %
// less work. Fields must not be mixed, so never ahead of the deinterlacer, and a field taken
// alone (below) goes to the scaler as it is, which is how its margin was measured; 4:2:0 sizes in
// fours keep the chroma's average exact.
bool HalvesFirst(const AVFrame &frame, const PictureGeometry &g, bool deinterlacing)
{
    return Planar420(frame.format) && !deinterlacing && frame.width % 4 == 0 && frame.height % 4 == 0 &&
           g.width * 3 <= frame.width && g.height * 3 <= frame.height;
}

// The deinterlacer keeps a picture's first field and fills the lines between from both fields.
// Shrunk to a quarter of its height or less (1080i to the iPod frame), the picture shows next to
// nothing of those filled lines, and deinterlacing and scaling 1080 lines cost 4.9 ms a picture
// against 0.8 ms for scaling the first field's 540: the first field alone goes to the scaler.
// Against the progressive pictures a 1080i source was made from, the encoded SSIM is 0.0007
// (clean) and 0.0012 (heavy grain) below that of deinterlacing first. At 576 or 480 lines the gap
// reached 0.002, so those keep the deinterlacer. Only where every picture is interlaced: a
// progressive picture's lines would alias.
bool TakesFirstField(const AVFrame &frame, const PictureGeometry &g, bool everyPictureInterlaced)
{
    return everyPictureInterlaced && Planar420(frame.format) && frame.height % 4 == 0 && g.height * 4 <= frame.height;
}

// The picture's first field in time, as the deinterlacer picks it, by stride: no copy. In 4:2:0
// the chroma lines alternate between the fields as the luma lines do.
AVFramePtr FirstField(const AVFrame &frame)
{
    AVFramePtr field(av_frame_clone(&frame));
    if (!field)
        return nullptr;
    const bool bottomFirst = frame.interlaced_frame && !frame.top_field_first;
    for (int p = 0; p < 3; ++p) {
        if (bottomFirst)
            field->data[p] += field->linesize[p];
        field->linesize[p] *= 2;
    }
    field->height = frame.height / 2;
    return field;
}

// Each sample of `dst` (width x height) is the rounded mean of the 2x2 block of `src` under it.
// Plain loops the compiler vectorises (this file is built with -ftree-vectorize).
void HalvePlane(const std::uint8_t *src, int srcStride, std::uint8_t *dst, int dstStride, int width, int height)
{
    for (int y = 0; y < height; ++y) {
        const std::uint8_t *a = src + std::ptrdiff_t(2 * y) * srcStride;
        const std::uint8_t *b = a + srcStride;
        std::uint8_t *d = dst + std::ptrdiff_t(y) * dstStride;
        for (int x = 0; x < width; ++x)
            d[x] = static_cast<std::uint8_t>((a[2 * x] + a[2 * x + 1] + b[2 * x] + b[2 * x + 1] + 2) >> 2);
    }
}

AVFramePtr Halved(const AVFrame &frame)
{
    AVFramePtr half(av_frame_alloc());
    if (!half)
        return nullptr;
    half->format = frame.format;
    half->width = frame.width / 2;
    half->height = frame.height / 2;
    if (av_frame_get_buffer(half.get(), 0) < 0 || av_frame_copy_props(half.get(), &frame) < 0)
        return nullptr;
    for (int p = 0; p < 3; ++p) {
        const int shift = p == 0 ? 1 : 2;
        HalvePlane(frame.data[p], frame.linesize[p], half->data[p], half->linesize[p], frame.width >> shift,
                   frame.height >> shift);
    }
    return half;
}

} // namespace

PictureGeometry FitPicture(int sourceWidth, int sourceHeight, AVRational sar, int frameWidth, int frameHeight,
                           PictureFit fit)
{
    PictureGeometry g{frameWidth, frameHeight, 0, 0};
    if (fit == PictureFit::Stretch || sourceWidth <= 0 || sourceHeight <= 0 || frameWidth <= 0 || frameHeight <= 0)
        return g;
    const double pixel = sar.num > 0 && sar.den > 0 ? av_q2d(sar) : 1.0;
    const double aspect = sourceWidth * pixel / sourceHeight;
    const bool wider = aspect * frameHeight > frameWidth;
    // Pad fits the wider side to the frame, crop the narrower one.
    if (wider == (fit == PictureFit::Pad)) {
        g.width = frameWidth;
        g.height = Even(frameWidth / aspect);
    } else {
        g.height = frameHeight;
        g.width = Even(frameHeight * aspect);
    }
    // A shape within a pixel of the frame's is the frame's.
    if (std::abs(g.width - frameWidth) <= 2 && std::abs(g.height - frameHeight) <= 2)
        return {frameWidth, frameHeight, 0, 0};
    g.x = (std::abs(g.width - frameWidth) / 2) & ~1;
    g.y = (std::abs(g.height - frameHeight) / 2) & ~1;
    return g;
}

AVRational PictureFilter::PixelShape(const AVFrame &frame) const
{
    if (sourceSar_.num > 0 && sourceSar_.den > 0)
        return sourceSar_;
    if (frame.sample_aspect_ratio.num > 0 && frame.sample_aspect_ratio.den > 0)
        return frame.sample_aspect_ratio;
    return AVRational{1, 1};
}

PictureFilter::PictureFilter(int width, int height, AVPixelFormat format, AVRational timeBase, PictureFit fit,
                             Sink sink)
    : width_(width), height_(height), format_(format), timeBase_(timeBase), fit_(fit), sink_(std::move(sink)),
      filtered_(av_frame_alloc())
{
}

EngineStatus PictureFilter::Build(const AVFrame &frame)
{
    graph_.reset(avfilter_graph_alloc());
    if (!graph_ || !filtered_)
        return EngineStatus::Failure("cannot set up the picture filters", AVERROR(ENOMEM));
    inWidth_ = frame.width;
    inHeight_ = frame.height;
    inFormat_ = frame.format;
    inSar_ = PixelShape(frame);
    const AVRational sar = inSar_;
    // A picture stored sideways is fitted as it will be shown, and scaled as it is stored: the
    // turn comes after the scaler, on the smaller picture, and after the deinterlacer, which
    // needs the fields as they were recorded.
    const bool sideways = turns_ % 2 == 1;
    const PictureGeometry g = sideways ? FitPicture(frame.height, frame.width, AVRational{sar.den, sar.num}, width_,
                                                    height_, fit_)
                                       : FitPicture(frame.width, frame.height, sar, width_, height_, fit_);
    const PictureGeometry stored = sideways ? PictureGeometry{g.height, g.width, 0, 0} : g;
    fields_ = TakesFirstField(frame, stored, sourceInterlaced_);
    halve_ = !fields_ && HalvesFirst(frame, stored, sourceInterlaced_ || deinterlace_);
    const int graphWidth = halve_ ? frame.width / 2 : frame.width;
    const int graphHeight = fields_ || halve_ ? frame.height / 2 : frame.height;
    // A field's pixels stand for two lines each.
    const AVRational graphSar = fields_ ? av_mul_q(sar, AVRational{1, 2}) : sar;
    const char *inName = av_get_pix_fmt_name(static_cast<AVPixelFormat>(frame.format));
    const char *outName = av_get_pix_fmt_name(format_);
    if (!inName || !outName)
        return EngineStatus::Failure("the picture has no known pixel format");

    const std::string sourceArgs = "video_size=" + std::to_string(graphWidth) + "x" + std::to_string(graphHeight) +
                                   ":pix_fmt=" + inName + ":time_base=" + std::to_string(timeBase_.num) + "/" +
                                   std::to_string(timeBase_.den) + ":pixel_aspect=" + std::to_string(graphSar.num) + "/" +
                                   std::to_string(graphSar.den);
    int ret = avfilter_graph_create_filter(&source_, avfilter_get_by_name("buffer"), "in", sourceArgs.c_str(), nullptr,
                                           graph_.get());
    if (ret >= 0)
        ret = avfilter_graph_create_filter(&output_, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr,
                                           graph_.get());
    if (ret < 0)
        return EngineStatus::Failure("cannot set up the picture filters", ret);

    std::string chain;
    // Scaling mixes the two fields of an interlaced picture into ghosts and combs; bwdif makes
    // one whole picture per frame first. Pictures marked progressive pass it untouched, and a
    // first field taken alone needs none of it.
    if (sourceInterlaced_ && !fields_)
        chain += "bwdif=mode=send_frame:parity=auto:deint=all,";
    else if (deinterlace_ && !fields_)
        chain += "bwdif=mode=send_frame:parity=auto:deint=interlaced,";
    chain += "scale=" + std::to_string(stored.width) + ":" + std::to_string(stored.height) + ":flags=bicubic";
    static const char *const kTurns[] = {"", ",transpose=clock", ",hflip,vflip", ",transpose=cclock"};
    chain += kTurns[turns_];
    if (g.width < width_ || g.height < height_)
        chain += ",pad=" + std::to_string(width_) + ":" + std::to_string(height_) + ":" + std::to_string(g.x) + ":" +
                 std::to_string(g.y) + ":black";
    else if (g.width > width_ || g.height > height_)
        chain += ",crop=" + std::to_string(width_) + ":" + std::to_string(height_) + ":" + std::to_string(g.x) + ":" +
                 std::to_string(g.y);
    chain += ",setsar=1,format=" + std::string(outName);

    AVFilterInOut *outputs = avfilter_inout_alloc();
    AVFilterInOut *inputs = avfilter_inout_alloc();
    if (!outputs || !inputs) {
        avfilter_inout_free(&outputs);
        avfilter_inout_free(&inputs);
        return EngineStatus::Failure("cannot set up the picture filters", AVERROR(ENOMEM));
    }
    outputs->name = av_strdup("in");
    outputs->filter_ctx = source_;
    inputs->name = av_strdup("out");
    inputs->filter_ctx = output_;
    ret = avfilter_graph_parse_ptr(graph_.get(), chain.c_str(), &inputs, &outputs, nullptr);
    avfilter_inout_free(&outputs);
    avfilter_inout_free(&inputs);
    if (ret >= 0)
        ret = avfilter_graph_config(graph_.get(), nullptr);
    if (ret < 0) {
        graph_.reset();
        return EngineStatus::Failure("cannot set up the picture filters (" + chain + ")", ret);
    }
    return {};
}

EngineStatus PictureFilter::Push(const AVFrame &frame, std::int64_t pts)
{
    const bool interlaced = frame.interlaced_frame && !deinterlace_;
    const bool changed = !graph_ || frame.width != inWidth_ || frame.height != inHeight_ || frame.format != inFormat_ ||
                         av_cmp_q(PixelShape(frame), inSar_) != 0 || interlaced;
    if (changed) {
        EngineStatus s = Flush();
        if (!s.ok())
            return s;
        deinterlace_ = deinterlace_ || frame.interlaced_frame;
        s = Build(frame);
        if (!s.ok())
            return s;
    }
    AVFramePtr copy(fields_ ? FirstField(frame) : halve_ ? Halved(frame) : AVFramePtr(av_frame_clone(&frame)));
    if (!copy)
        return EngineStatus::Failure("out of memory", AVERROR(ENOMEM));
    copy->pts = pts;
    const int ret = av_buffersrc_add_frame(source_, copy.get());
    if (ret < 0)
        return EngineStatus::Failure("picture filters", ret);
    return Pull();
}

EngineStatus PictureFilter::Flush()
{
    if (!graph_)
        return {};
    const int ret = av_buffersrc_add_frame(source_, nullptr);
    EngineStatus s = ret < 0 ? EngineStatus::Failure("picture filters", ret) : Pull();
    graph_.reset();
    source_ = output_ = nullptr;
    return s;
}

EngineStatus PictureFilter::Pull()
{
    for (;;) {
        const int ret = av_buffersink_get_frame(output_, filtered_.get());
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF)
            return {};
        if (ret < 0)
            return EngineStatus::Failure("picture filters", ret);
        // bwdif counts in fields, at half the time base it was given; the encoder counts in slots.
        if (filtered_->pts != AV_NOPTS_VALUE)
            filtered_->pts = av_rescale_q(filtered_->pts, av_buffersink_get_time_base(output_), timeBase_);
        EngineStatus s = sink_(*filtered_);
        av_frame_unref(filtered_.get());
        if (!s.ok())
            return s;
    }
}

} // namespace zentrova
