// Opening a source for transcoding.
#include "engine/SourceInput.h"

#include "engine/CodecThreads.h"
#include "engine/StreamSelection.h"

#include <cmath>
#include <limits>

namespace zentrova {

namespace {

EngineStatus OpenDecoder(AVStream *stream, AVCodecContextPtr &ctx, const char *kind, std::int64_t encodedArea = 0)
{
    const AVCodec *decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!decoder)
        return EngineStatus::Failure(std::string("no ") + kind + " decoder for " +
                                     avcodec_get_name(stream->codecpar->codec_id));
    AVCodecContextPtr c(avcodec_alloc_context3(decoder));
    if (!c)
        return EngineStatus::Failure("out of memory", AVERROR(ENOMEM));
    int ret = avcodec_parameters_to_context(c.get(), stream->codecpar);
    if (ret < 0)
        return EngineStatus::Failure(std::string(kind) + " decoder parameters", ret);
    const AVCodecParameters *par = stream->codecpar;
    const std::int64_t sourceArea = std::int64_t{par->width} * par->height;
    // Pictures are decoded on every core; sound decoders take what they can use.
    c->thread_count = par->codec_type == AVMEDIA_TYPE_VIDEO ? DecoderThreads(sourceArea, encodedArea) : 0;
    c->pkt_timebase = stream->time_base;
    // A picture decoder's frame threads, started as it opens, run at the feeders' priority when
    // the encoder has the larger share of the work and no other program wants the cores. Slice
    // threads keep this thread's: the demuxing thread decodes beside them and waits for them (a
    // 720p MPEG-2 conversion was 2 % slower with them lowered).
    //
    // Unlike the sound stage, a lowered decoder has no stand-in: its threads cannot be raised
    // again, and beside other programs' work they get a tenth of a share and hold the whole
    // conversion to it (a 480p MPEG-4 conversion beside two busy loops: 8.9-10.8 s lowered,
    // 6.6-7.7 s not). So it is only lowered when the machine is otherwise idle as the row starts.
    if (par->codec_type == AVMEDIA_TYPE_VIDEO && (decoder->capabilities & AV_CODEC_CAP_FRAME_THREADS) &&
        DecoderFeedsEncoder(sourceArea, encodedArea) && OtherRunnableThreads() == 0)
        ret = OpenAtFeederPriority([&] { return avcodec_open2(c.get(), decoder, nullptr); });
    else
        ret = avcodec_open2(c.get(), decoder, nullptr);
    if (ret < 0)
        return EngineStatus::Failure(std::string("cannot open the ") + kind + " decoder", ret);
    ctx = std::move(c);
    return {};
}

} // namespace

double TimestampSeconds(std::int64_t ts, AVRational timeBase)
{
    if (ts == AV_NOPTS_VALUE)
        return std::numeric_limits<double>::quiet_NaN();
    return static_cast<double>(ts) * av_q2d(timeBase);
}

EngineStatus SourceInput::Open(const std::string &path, const AVIOInterruptCB &interrupt, std::int64_t encodedArea)
{
    if (path.empty())
        return EngineStatus::Failure("no source (unchecked row)");
    StreamChoice choice;
    if (std::optional<OpenedSource> kept = TakeOpenedSource(path)) {
        relay_ = std::move(kept->relay);
        relay_->target = interrupt;
        format_ = std::move(kept->format);
        choice = kept->streams;
        ahead_ = std::move(kept->ahead);
    } else {
        AVIOInterruptCB cb = interrupt;
        int ret = OpenInput(format_, path, &cb);
        if (ret < 0)
            return EngineStatus::Failure("cannot open " + path, ret);
        ret = avformat_find_stream_info(format_.get(), nullptr);
        if (ret < 0)
            return EngineStatus::Failure("cannot read the stream information", ret);
        choice = ChooseStreams(*format_, &ahead_);
    }
    videoIndex_ = choice.video;
    audioIndex_ = choice.audio;
    for (unsigned i = 0; i < format_->nb_streams; ++i)
        if (static_cast<int>(i) != videoIndex_ && static_cast<int>(i) != audioIndex_)
            format_->streams[i]->discard = AVDISCARD_ALL;

    if (videoIndex_ >= 0) {
        EngineStatus s = OpenDecoder(videoStream(), videoDecoder_, "video", encodedArea);
        if (!s.ok())
            return s;
        AVStream *v = videoStream();
        oddFrameRate_ = v->r_frame_rate.num == 359 && v->r_frame_rate.den == 12;
        if (v->r_frame_rate.den != 0 && v->r_frame_rate.num / v->r_frame_rate.den > 1000)
            v->r_frame_rate.den = 1001;
    }
    if (audioIndex_ >= 0) {
        EngineStatus s = OpenDecoder(audioStream(), audioDecoder_, "audio");
        if (!s.ok())
            return s;
    }
    return {};
}

AVRational SourceInput::videoRate() const
{
    const AVStream *v = videoStream();
    return v ? v->r_frame_rate : AVRational{0, 1};
}

double SourceInput::startSeconds() const
{
    if (!format_ || format_->start_time == AV_NOPTS_VALUE)
        return 0.0;
    return static_cast<double>(format_->start_time) / AV_TIME_BASE;
}

std::string SourceInput::formatName() const
{
    return format_ && format_->iformat ? format_->iformat->name : "";
}

EngineStatus SourceInput::SeekTo(double seconds)
{
    const auto target = static_cast<std::int64_t>(std::llround(seconds * AV_TIME_BASE));
    const int ret = av_seek_frame(format_.get(), -1, target, AVSEEK_FLAG_BACKWARD);
    if (ret < 0)
        return EngineStatus::Failure("cannot seek to the clip start", ret);
    ahead_ = {};
    if (videoDecoder_)
        avcodec_flush_buffers(videoDecoder_.get());
    if (audioDecoder_)
        avcodec_flush_buffers(audioDecoder_.get());
    return {};
}

int SourceInput::ReadPacket(AVPacket *packet)
{
    if (!ahead_.packets.empty()) {
        av_packet_move_ref(packet, ahead_.packets.front().get());
        ahead_.packets.pop_front();
        return 0;
    }
    if (ahead_.end < 0) {
        const int end = ahead_.end;
        ahead_.end = 0;
        return end;
    }
    return av_read_frame(format_.get(), packet);
}

bool SourceInput::readFailed() const
{
    // Demuxers report a failed read as the end of the file or as damage; the I/O context keeps
    // what really happened.
    const AVIOContext *pb = format_ ? format_->pb : nullptr;
    return pb && pb->error < 0 && pb->error != AVERROR_EOF && pb->error != AVERROR_EXIT;
}

} // namespace zentrova
