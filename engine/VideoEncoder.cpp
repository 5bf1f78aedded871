// Video encoder set-up and encoding.
#include "engine/VideoEncoder.h"

#include "engine/CodecMap.h"
#include "engine/CodecThreads.h"
#include "engine/DeviceTable.h"
#include "engine/OutputFile.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <pthread.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <system_error>

namespace zentrova {

namespace {

const AVCodec *FindEncoder(int programId)
{
    return zentrova::FindEncoder(CodecKind::Video, programId);
}

} // namespace

int KeyFrameInterval(AVRational timeBase)
{
    // A key frame every few seconds lets players seek; many more only spend bits and raise the
    // peaks the devices must buffer. The devices seek badly beyond 10 s.
    const double fps = timeBase.num > 0 ? static_cast<double>(timeBase.den) / timeBase.num : 0.0;
    const int target = static_cast<int>(std::lround(fps * kKeyFrameSeconds));
    const int ceiling = static_cast<int>(fps * kMaxKeyFrameSeconds);
    return std::max(1, std::min(target, ceiling));
}

EngineStatus VideoEncoder::Open(const VideoEncoderParams &params, const TranscodeRules &rules,
                                const OutputFile &output, AVStream *stream, AVRational sourceRate)
{
    const AVCodec *codec = FindEncoder(params.codecId);
    if (!codec)
        return EngineStatus::Failure("no video encoder for codec " + std::to_string(params.codecId));
    encoder_.reset(avcodec_alloc_context3(codec));
    packet_.reset(av_packet_alloc());
    if (!encoder_ || !packet_)
        return EngineStatus::Failure("out of memory", AVERROR(ENOMEM));
    AVCodecContext *c = encoder_.get();
    stream_ = stream;

    c->width = params.width;
    c->height = params.height;
    std::optional<AVRational> tb = TimeBaseForFrameRate(rules, params.frameRate);
    if (!tb || (rules.rmOutputUsesSourceRate && output.isRealMedia()))
        tb = AVRational{sourceRate.den, sourceRate.num};
    if (tb->num <= 0 || tb->den <= 0)
        return EngineStatus::Failure("the source has no usable frame rate");
    // The iPod codecs get the peak rate, buffer and level of the devices' table; an average
    // above what they play is lowered to it.
    const VideoRatePlan plan = PlanVideoRate(params.codecId, params.width, params.height, 1.0 / av_q2d(*tb), params.bitRate);
    if (!plan.refusal.empty())
        return EngineStatus::Failure(plan.refusal);
    c->bit_rate = plan.averageBps;
    if (plan.maxBps > 0) {
        c->rc_max_rate = plan.maxBps;
        c->rc_buffer_size = plan.bufferBits;
        c->rc_initial_buffer_occupancy = plan.bufferBits * 3 / 4;
    }
    c->time_base = *tb;
    c->framerate = av_inv_q(*tb);
    c->gop_size = KeyFrameInterval(*tb);
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    if (params.codecId == 25)
        c->pix_fmt = AV_PIX_FMT_YUV411P;
    else if (params.codecId == 8 && rules.mjpegFullRange422)
        c->pix_fmt = AV_PIX_FMT_YUVJ422P;
    // The picture filters fit the source's shape into the frame, so the pixels are square.
    c->sample_aspect_ratio = AVRational{1, 1};
    c->max_b_frames = 0;
    if (params.codecId == 1)
        c->mb_decision = FF_MB_DECISION_RD;
    if (output.wantsGlobalHeader())
        c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    c->thread_count = params.codecId == kH264CodecId ? H264EncoderThreads() : 0;

    AVDictionary *options = nullptr;
    if (params.codecId == kH264CodecId) {
        c->me_range = 16;
        c->max_qdiff = 4;
        c->qmin = 10;
        c->qmax = 51;
        c->qcompress = 0.6f;
        c->keyint_min = 25;
        c->refs = 1;
        // iPods play Constrained Baseline only; x264 would otherwise choose High.
        av_dict_set(&options, "profile", "baseline", 0);
        if (plan.level > 0)
            av_dict_set(&options, "level", (std::to_string(plan.level / 10) + "." + std::to_string(plan.level % 10)).c_str(), 0);
    } else if (params.codecId == kMpeg4CodecId || params.codecId == kXvidCodecId) {
        c->profile = FF_PROFILE_MPEG4_SIMPLE;
        if (plan.level > 0)
            c->level = plan.level;
    }
    const int ret = avcodec_open2(c, codec, &options);
    if (const AVDictionaryEntry *left = av_dict_get(options, "", nullptr, AV_DICT_IGNORE_SUFFIX))
        av_log(c, AV_LOG_WARNING, "encoder option %s was not used\n", left->key);
    av_dict_free(&options);
    if (ret < 0)
        return EngineStatus::Failure(std::string("cannot open the video encoder ") + codec->name, ret);

    stream->time_base = c->time_base;
    stream->sample_aspect_ratio = c->sample_aspect_ratio;
    const int p = avcodec_parameters_from_context(stream->codecpar, c);
    if (p < 0)
        return EngineStatus::Failure("video stream parameters", p);

    fit_ = params.fit;
    StartFilter();
    // A frame-threaded encoder starts a frame only when it is handed the next picture. Filtering
    // that picture on the same thread left its frame threads idle meanwhile; with a thread of its
    // own it is handed pictures as fast as it takes them. A few pictures of the output's size
    // are enough to keep it fed.
    filtered_ = std::make_unique<StageQueue<Filtered>>(4);
    try {
        encoderThread_ = std::thread([this] { RunEncoder(); });
    } catch (const std::system_error &e) {
        return EngineStatus::Failure(std::string("cannot start the video encoder's thread: ") + e.what());
    }
    return {};
}

VideoEncoder::~VideoEncoder()
{
    if (filtered_)
        filtered_->Abort();
    if (encoderThread_.joinable())
        encoderThread_.join();
}

void VideoEncoder::RunEncoder()
{
    pthread_setname_np(pthread_self(), "zentrova-venc");
    while (auto item = filtered_->Pop()) {
        Filtered &f = item->value;
        const int ret = avcodec_send_frame(encoder_.get(), f.picture.get());
        EngineStatus s = ret < 0 ? EngineStatus::Failure("video encoding", ret) : WritePackets(*f.output);
        if (!s.ok()) {
            encoderFailure_ = std::move(s);
            filtered_->Abort();
            return;
        }
    }
}

// Waits until every queued picture is encoded; the first failure, if any.
EngineStatus VideoEncoder::StopEncoder()
{
    if (!filtered_)
        return EngineStatus::Failure("the video encoder is not open");
    filtered_->End();
    if (encoderThread_.joinable())
        encoderThread_.join();
    return encoderFailure_;
}

void VideoEncoder::StartFilter()
{
    const AVCodecContext *c = encoder_.get();
    filter_.emplace(c->width, c->height, c->pix_fmt, c->time_base, fit_,
                    [this](AVFrame &picture) { return EncodePicture(picture, *target_); });
}

EngineStatus VideoEncoder::Encode(const AVFrame &frame, std::int64_t pts, std::int64_t duration, OutputFile &output)
{
    target_ = &output;
    {
        std::lock_guard lock(durationsMutex_);
        durations_.emplace_back(pts, duration);
    }
    return filter_->Push(frame, pts);
}

EngineStatus VideoEncoder::EncodePicture(AVFrame &picture, OutputFile &output)
{
    // The encoder decides which pictures are key frames, but for a new source's first: a merged
    // row can be found and played from its start.
    picture.pict_type = keyFrameNext_ ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
    picture.key_frame = 0;
    keyFrameNext_ = false;
    Filtered f{AVFramePtr(av_frame_alloc()), &output};
    if (!f.picture)
        return EngineStatus::Failure("out of memory", AVERROR(ENOMEM));
    av_frame_move_ref(f.picture.get(), &picture);
    // Refused only once the encoder's thread has given up, after recording why.
    if (!filtered_->Push(std::move(f)))
        return encoderFailure_.ok() ? EngineStatus::Failure("the video encoder has ended") : encoderFailure_;
    return {};
}

EngineStatus VideoEncoder::EndSource(OutputFile &output)
{
    target_ = &output;
    const EngineStatus s = filter_->Flush();
    // The next source's shape, field order and pixel shape are its own.
    StartFilter();
    keyFrameNext_ = true;
    return s;
}

EngineStatus VideoEncoder::Drain(OutputFile &output)
{
    target_ = &output;
    EngineStatus s = filter_->Flush();
    EngineStatus e = StopEncoder();
    if (!s.ok())
        return s;
    if (!e.ok())
        return e;
    const int ret = avcodec_send_frame(encoder_.get(), nullptr);
    if (ret < 0 && ret != AVERROR_EOF)
        return EngineStatus::Failure("video encoder drain", ret);
    return WritePackets(output);
}

EngineStatus VideoEncoder::WritePackets(OutputFile &output)
{
    for (;;) {
        int ret = avcodec_receive_packet(encoder_.get(), packet_.get());
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF)
            return {};
        if (ret < 0)
            return EngineStatus::Failure("video encoding", ret);
        // Without B-frames packets leave in the order the pictures went in.
        std::int64_t duration = 1;
        {
            std::lock_guard lock(durationsMutex_);
            while (!durations_.empty() && durations_.front().first <= packet_->pts) {
                duration = durations_.front().second;
                durations_.pop_front();
            }
        }
        packet_->duration = duration;
        packet_->stream_index = stream_->index;
        const double end = static_cast<double>(packet_->pts + 1) * av_q2d(encoder_->time_base);
        ret = output.WritePacket(packet_.get(), encoder_->time_base);
        av_packet_unref(packet_.get());
        if (ret < 0)
            return EngineStatus::Failure("cannot write a video packet", ret);
        writtenSeconds_.store(std::max(writtenSeconds(), end), std::memory_order_relaxed);
    }
}

} // namespace zentrova
