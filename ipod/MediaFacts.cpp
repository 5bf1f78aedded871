// Reading a finished file with FFmpeg for its track record and its menu picture.
#include "ipod/MediaFacts.h"

#include "engine/FFmpegPtr.h"

extern "C" {
#include <libavutil/dict.h>
#include <libavutil/imgutils.h>
}

#include <algorithm>
#include <filesystem>

namespace zentrova {

namespace {

const AVStream *BestStream(const AVFormatContext &ctx, AVMediaType type)
{
    const int index = av_find_best_stream(const_cast<AVFormatContext *>(&ctx), type, -1, -1, nullptr, 0);
    if (index < 0)
        return nullptr;
    const AVStream *s = ctx.streams[index];
    // A cover picture in an audio file is not a video.
    if (type == AVMEDIA_TYPE_VIDEO && (s->disposition & AV_DISPOSITION_ATTACHED_PIC))
        return nullptr;
    return s;
}

} // namespace

bool ReadMediaFacts(const std::string &path, MediaFacts &facts, std::string &error)
{
    AVFormatContextPtr ctx;
    if (const int r = OpenInput(ctx, path); r < 0) {
        error = path + " cannot be read: " + AVErrorText(r);
        return false;
    }
    if (const int r = avformat_find_stream_info(ctx.get(), nullptr); r < 0) {
        error = path + " cannot be read: " + AVErrorText(r);
        return false;
    }
    const AVStream *video = BestStream(*ctx, AVMEDIA_TYPE_VIDEO);
    const AVStream *audio = BestStream(*ctx, AVMEDIA_TYPE_AUDIO);
    if (!video && !audio) {
        error = path + " holds neither picture nor sound";
        return false;
    }
    facts.video = video != nullptr;
    facts.durationMs = ctx->duration > 0 ? av_rescale(ctx->duration, 1000, AV_TIME_BASE) : 0;
    std::int64_t bitRate = ctx->bit_rate;
    if (bitRate <= 0 && facts.durationMs > 0) {
        std::error_code ec;
        const auto size = std::filesystem::file_size(path, ec);
        if (!ec)
            bitRate = static_cast<std::int64_t>(size) * 8000 / facts.durationMs;
    }
    facts.bitRateKbps = static_cast<int>(std::max<std::int64_t>(0, bitRate / 1000));
    facts.sampleRate = audio ? audio->codecpar->sample_rate : 0;
    return true;
}

std::string TrackTitle(const std::string &source)
{
    AVFormatContextPtr ctx;
    if (OpenInput(ctx, source) >= 0) {
        if (const AVDictionaryEntry *tag = av_dict_get(ctx->metadata, "title", nullptr, 0); tag && tag->value && *tag->value)
            return tag->value;
    }
    return std::filesystem::path(source).stem().string();
}

bool GrabPicture(const std::string &path, int maxWidth, RgbPicture &picture)
{
    AVFormatContextPtr ctx;
    if (OpenInput(ctx, path) < 0 || avformat_find_stream_info(ctx.get(), nullptr) < 0)
        return false;
    const AVStream *stream = BestStream(*ctx, AVMEDIA_TYPE_VIDEO);
    if (!stream)
        return false;
    const AVCodec *codec = avcodec_find_decoder(stream->codecpar->codec_id);
    AVCodecContextPtr decoder(codec ? avcodec_alloc_context3(codec) : nullptr);
    if (!decoder || avcodec_parameters_to_context(decoder.get(), stream->codecpar) < 0 ||
        avcodec_open2(decoder.get(), codec, nullptr) < 0)
        return false;
    // A tenth of the way in skips the black of a fade-in; a file that cannot seek starts at 0.
    // The seek lands on the key frame before; frames up to the wanted time are decoded past.
    std::int64_t wanted = AV_NOPTS_VALUE;
    if (ctx->duration > 0) {
        av_seek_frame(ctx.get(), -1, ctx->duration / 10, AVSEEK_FLAG_BACKWARD);
        wanted = av_rescale_q(ctx->duration / 10, AV_TIME_BASE_Q, stream->time_base);
        if (stream->start_time != AV_NOPTS_VALUE)
            wanted += stream->start_time;
    }

    AVPacketPtr packet(av_packet_alloc());
    AVFramePtr received(av_frame_alloc());
    // The latest frame decoded: the first at the wanted time, else the last of a file that
    // ends sooner than its container says.
    AVFramePtr frame(av_frame_alloc());
    if (!packet || !received || !frame)
        return false;
    bool have = false;
    bool draining = false;
    for (;;) {
        if (!draining) {
            const int r = av_read_frame(ctx.get(), packet.get());
            if (r < 0) {
                draining = true;
                if (avcodec_send_packet(decoder.get(), nullptr) < 0)
                    break;
            } else if (packet->stream_index == stream->index) {
                const int sent = avcodec_send_packet(decoder.get(), packet.get());
                av_packet_unref(packet.get());
                if (sent < 0 && sent != AVERROR(EAGAIN))
                    break;
            } else {
                av_packet_unref(packet.get());
                continue;
            }
        }
        const int r = avcodec_receive_frame(decoder.get(), received.get());
        if (r == AVERROR(EAGAIN) && !draining)
            continue;
        if (r < 0)
            break;
        av_frame_unref(frame.get());
        av_frame_move_ref(frame.get(), received.get());
        have = true;
        const std::int64_t at = frame->best_effort_timestamp;
        if (wanted == AV_NOPTS_VALUE || at == AV_NOPTS_VALUE || at >= wanted)
            break;
    }
    if (!have)
        return false;
    if (frame->width <= 0 || frame->height <= 0)
        return false;

    // The picture's own pixel shape decides its displayed width.
    const AVRational sar = frame->sample_aspect_ratio.num > 0 ? frame->sample_aspect_ratio : AVRational{1, 1};
    int width = static_cast<int>(av_rescale(frame->width, sar.num, sar.den));
    int height = frame->height;
    if (width > maxWidth) {
        height = std::max(1, static_cast<int>(av_rescale(height, maxWidth, width)));
        width = maxWidth;
    }
    SwsContextPtr scale(sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format), width,
                                       height, AV_PIX_FMT_RGB24, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!scale)
        return false;
    picture.width = width;
    picture.height = height;
    picture.pixels.assign(static_cast<std::size_t>(width) * 3 * static_cast<std::size_t>(height), 0);
    std::uint8_t *dst[4] = {picture.pixels.data(), nullptr, nullptr, nullptr};
    const int dstStride[4] = {width * 3, 0, 0, 0};
    return sws_scale(scale.get(), frame->data, frame->linesize, 0, frame->height, dst, dstStride) == height;
}

} // namespace zentrova
