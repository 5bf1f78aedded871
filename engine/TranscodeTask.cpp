// The per-row pipeline shared by the workers.
#include "engine/TranscodeTask.h"

#include "engine/AVConvert.h"
#include "engine/DeviceTable.h"
#include "engine/OutputFile.h"
#include "engine/PreviewOutput.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace zentrova {

namespace {

constexpr int kVorbis = 0x15005;
// Frames this far before the clip start still count as at the start (timestamp rounding).
constexpr double kStartTolerance = 0.001;

int StopCallback(void *opaque)
{
    return static_cast<const AVConvert *>(opaque)->StopRequested.load(std::memory_order_relaxed) ? 1 : 0;
}

} // namespace

VideoEncoderParams VideoParamsFromJob(const AVConvert &job)
{
    return {job.VideoCodecId, job.VideoBitRate, job.OutputWidth, job.OutputHeight, job.FrameRate, job.Fit};
}

AudioEncoderParams AudioParamsFromJob(const AVConvert &job)
{
    OutputValues values;
    values.video = job.VideoEnabled && (job.VideoCodecId == kH264CodecId || job.VideoCodecId == kMpeg4CodecId);
    values.audioBps = job.AudioBitRate;
    return {job.AudioCodecId, CappedAudioBps(values), job.SampleRate, job.Channels};
}

TranscodeTask::TranscodeTask(AVConvert &job, int row, const TranscodeRules &rules, PreviewOutput &preview,
                             const TaskCarry &carry)
    : job_(job), row_(row), rules_(rules), preview_(preview), carry_(carry), frame_(av_frame_alloc()),
      packet_(av_packet_alloc())
{
}

bool TranscodeTask::StopRequested() const
{
    return job_.StopRequested.load(std::memory_order_relaxed);
}

bool TranscodeTask::usesVideo() const
{
    return job_.VideoEnabled && input_.videoStream() != nullptr;
}

EngineStatus TranscodeTask::OpenSource()
{
    if (!frame_ || !packet_)
        return EngineStatus::Failure("out of memory", AVERROR(ENOMEM));
    const AVIOInterruptCB interrupt{StopCallback, &job_};
    EngineStatus s = input_.Open(job_.SourcePaths[static_cast<std::size_t>(row_)], interrupt);
    if (!s.ok())
        return s;

    const AVFormatContext *format = input_.format();
    job_.ProbeDuration = format->duration;
    if (input_.videoStream()) {
        job_.SourceHeight = input_.videoDecoder()->height;
        job_.SourceWidth = input_.videoDecoder()->width;
        const AVRational rate = input_.videoRate();
        if (rate.den != 0)
            job_.SourceFps = rate.num / rate.den;
        if (rules_.recordSourceRate) {
            job_.OddFrameRate = input_.oddFrameRate();
            job_.SourceFrameRateDen = rate.den;
            job_.SourceFrameRateNum = rate.num;
        }
    }
    job_.ProbeStartSeconds = 0;
    job_.ProbeDurationSeconds = job_.ProbeDuration / 1000000;
    if (!usesVideo() && input_.videoStream())
        input_.videoStream()->discard = AVDISCARD_ALL;
    if (!usesVideo() && !usesAudio())
        return EngineStatus::Failure("the source has nothing the profile can use");

    const double clipStart = rules_.useClip ? job_.ClipStart[static_cast<std::size_t>(row_)] : 0.0;
    const double sourceSeconds = static_cast<double>(job_.ProbeDuration) / AV_TIME_BASE;
    if (clipStart > 0 && job_.ProbeDuration > 0 && clipStart >= sourceSeconds) {
        char text[160];
        std::snprintf(text, sizeof text, "the clip starts at %.0f s, at or after the end of the source (%.1f s)",
                      clipStart, sourceSeconds);
        return EngineStatus::Failure(text);
    }
    return {};
}

EngineStatus TranscodeTask::CreateOutputStreams(OutputFile &output)
{
    if (usesVideo()) {
        AVStream *stream = output.AddStream();
        if (!stream)
            return EngineStatus::Failure("cannot create the output video stream", AVERROR(ENOMEM));
        ownVideo_.emplace();
        EngineStatus s = ownVideo_->Open(VideoParamsFromJob(job_), rules_, output, stream, input_.videoRate(), true);
        if (!s.ok())
            return s;
        video_ = &*ownVideo_;
    }
    if (usesAudio()) {
        AVStream *stream = output.AddStream();
        if (!stream)
            return EngineStatus::Failure("cannot create the output audio stream", AVERROR(ENOMEM));
        ownAudio_.emplace();
        EngineStatus s = ownAudio_->Open(AudioParamsFromJob(job_), output, stream, input_.audioDecoder()->sample_fmt, true);
        if (!s.ok())
            return s;
        audio_ = &*ownAudio_;
    }
    return {};
}

void TranscodeTask::UseEncoders(VideoEncoder *video, AudioEncoder *audio)
{
    video_ = usesVideo() ? video : nullptr;
    audio_ = usesAudio() ? audio : nullptr;
}

EngineStatus TranscodeTask::Run(OutputFile &output)
{
    const auto row = static_cast<std::size_t>(row_);
    origin_ = input_.startSeconds();
    const double clipStart = rules_.useClip ? job_.ClipStart[row] : 0.0;
    const double clipDuration = rules_.useClip ? job_.ClipDuration[row] : 0.0;
    if (clipStart != 0) {
        origin_ += clipStart;
        trimBeforeOrigin_ = true;
        EngineStatus s = input_.SeekTo(origin_);
        // Without the seek the frames before the clip are decoded and dropped: slower, same output.
        if (!s.ok())
            av_log(nullptr, AV_LOG_WARNING, "%s\n", s.what().c_str());
        job_.ClipStart[row] = 0;
    }

    // A clip reaching the whole-second length of the source (what a new row shows as its end),
    // or one of no length at all, runs to the real end of the source instead of cutting off the
    // fraction of a second the row's time texts cannot show.
    const double sourceSeconds = job_.ProbeDuration > 0 ? static_cast<double>(job_.ProbeDuration) / AV_TIME_BASE : 0.0;
    const bool toEnd = !rules_.useClip || clipDuration <= 0 ||
                       (job_.ProbeDurationSeconds >= 0 &&
                        clipStart + clipDuration >= static_cast<double>(job_.ProbeDurationSeconds));
    endSeconds_ = toEnd ? std::numeric_limits<double>::infinity() : clipDuration;
    progressSeconds_ = carry_.progressSeconds > 0 ? carry_.progressSeconds
                       : toEnd && sourceSeconds > clipStart ? sourceSeconds - clipStart
                                                            : clipDuration;

    if (audio_) {
        audio_->BeginSource(endSeconds_);
        audioBefore_ = audio_->position();
        const AVCodecContext *dec = input_.audioDecoder();
        if (dec->sample_rate > 0) {
            vorbisProgressBase_ = (job_.ProbeDuration / dec->sample_rate) * dec->ch_layout.nb_channels;
            if (vorbisProgressBase_ == 0)
                vorbisProgressBase_ = 100;
        }
    }
    if (video_) {
        video_->SetSourceAspect(input_.videoStream()->sample_aspect_ratio);
        const AVFieldOrder fields = input_.videoStream()->codecpar->field_order;
        video_->SetSourceInterlaced(fields != AV_FIELD_UNKNOWN && fields != AV_FIELD_PROGRESSIVE);
        const AVRational rate = input_.videoRate();
        VideoTimelineConfig config;
        config.timeBase = video_->timeBase();
        config.sourceFps = rate.den > 0 ? rate.num / rate.den : 0;
        config.dropAllowed = !(rules_.rmOutputUsesSourceRate && output.isRealMedia());
        const std::string demuxer = input_.formatName();
        config.stampByCount =
            rules_.stampOddSourcesByCount && (demuxer == "rm" || demuxer == "rmvb" || input_.oddFrameRate());
        config.startSeconds = carry_.timelineOffset;
        config.endSeconds = carry_.timelineOffset + endSeconds_;
        config.lastPts = carry_.videoLastPts;
        timeline_.emplace(config);
    }
    videoDone_ = video_ == nullptr;

    bool endOfInput = false;
    EngineStatus result;
    for (;;) {
        preview_.Service();
        if (StopRequested()) {
            stopped_ = true;
            break;
        }
        if (Done())
            break;
        const int ret = input_.ReadPacket(packet_.get());
        if (ret < 0) {
            if (StopRequested()) {
                stopped_ = true;
                break;
            }
            if (input_.readFailed() || ret == AVERROR(EIO))
                return EngineStatus::Failure("cannot read the source", input_.readFailed() ? input_.format()->pb->error : ret);
            // Damage the demuxer cannot read past ends the source; what came before is kept
            // when the row is still whole.
            if (ret != AVERROR_EOF)
                av_log(nullptr, AV_LOG_WARNING, "the source ends in damaged data: %s\n", AVErrorText(ret).c_str());
            endOfInput = true;
            break;
        }
        if (packet_->stream_index == input_.videoIndex() && video_ && !videoDone_) {
            result = DecodeVideo(packet_.get(), output);
        } else if (packet_->stream_index == input_.audioIndex() && audio_ && !audio_->full()) {
            ++audioPackets_;
            DecodeAudio(packet_.get(), output);
        }
        av_packet_unref(packet_.get());
        if (!result.ok())
            return result;
    }
    if (endOfInput) {
        if (video_ && !videoDone_)
            result = DecodeVideo(nullptr, output);
        if (audio_ && !audio_->full())
            DecodeAudio(nullptr, output);
    }
    return result;
}

bool TranscodeTask::Done() const
{
    const bool audioDone = audio_ == nullptr || audio_->full();
    return videoDone_ && audioDone;
}

EngineStatus TranscodeTask::DecodeVideo(const AVPacket *packet, OutputFile &output)
{
    AVCodecContext *decoder = input_.videoDecoder();
    int ret = avcodec_send_packet(decoder, packet);
    // A damaged packet costs its picture, not the task.
    if (ret < 0 && ret != AVERROR(EAGAIN) && ret != AVERROR_EOF)
        return {};
    for (;;) {
        ret = avcodec_receive_frame(decoder, frame_.get());
        if (ret < 0)
            return {};
        EngineStatus s = videoDone_ ? EngineStatus{} : HandleVideoFrame(*frame_, output);
        av_frame_unref(frame_.get());
        if (!s.ok())
            return s;
    }
}

void TranscodeTask::DecodeAudio(const AVPacket *packet, OutputFile &output)
{
    AVCodecContext *decoder = input_.audioDecoder();
    int ret = avcodec_send_packet(decoder, packet);
    if (ret < 0 && ret != AVERROR(EAGAIN) && ret != AVERROR_EOF)
        return;
    while (avcodec_receive_frame(decoder, frame_.get()) >= 0) {
        HandleAudioFrame(*frame_, output);
        av_frame_unref(frame_.get());
    }
}

EngineStatus TranscodeTask::HandleVideoFrame(const AVFrame &frame, OutputFile &output)
{
    const double t = TimestampSeconds(frame.best_effort_timestamp, input_.videoStream()->time_base) - origin_;
    // After the backward seek to a key frame, the pictures before the clip start only prime the decoder.
    if (trimBeforeOrigin_ && t < -kStartTolerance)
        return {};
    PublishProgress();
    if (!job_.PreviewHidden.load(std::memory_order_relaxed))
        preview_.Show(frame);
    const VideoTimeline::Placement place = timeline_->Place(carry_.timelineOffset + t);
    switch (place.action) {
    case VideoTimeline::Action::Drop:
        return {};
    case VideoTimeline::Action::PastEnd:
        videoDone_ = true;
        return {};
    case VideoTimeline::Action::Encode:
        break;
    }
    EngineStatus s = video_->Encode(frame, place.pts, place.duration, output);
    if (s.ok())
        ++picturesPlaced_;
    return s;
}

void TranscodeTask::HandleAudioFrame(const AVFrame &frame, OutputFile &output)
{
    const double t = TimestampSeconds(frame.best_effort_timestamp, input_.audioStream()->time_base) - origin_;
    EngineStatus s = audio_->Push(frame, t, output);
    if (!s.ok() && audioFailure_.ok())
        audioFailure_ = std::move(s);
    PublishProgress();
}

void TranscodeTask::PublishProgress()
{
    std::int64_t percent = -1;
    if (audio_ && job_.AudioCodecId == kVorbis && rules_.vorbisProgressByPackets) {
        percent = audioPackets_ * 100 / std::max<std::int64_t>(vorbisProgressBase_, 1);
    } else if (progressSeconds_ > 0) {
        const double a = audio_ ? audio_->position() : 0.0;
        const double v = timeline_ ? timeline_->position() : 0.0;
        percent = static_cast<std::int64_t>(std::max(a, v) * 100.0 / progressSeconds_);
    }
    if (percent >= 0)
        job_.Progress.store(static_cast<std::int32_t>(std::min<std::int64_t>(percent, 100)), std::memory_order_relaxed);
}

EngineStatus TranscodeTask::Finish(OutputFile &output)
{
    EngineStatus result;
    if (audio_) {
        EngineStatus a = audio_->EndSource(output);
        // Before Finish: its padding of the last frame is not the source's sound.
        soundDelivered_ = audio_->position() > audioBefore_;
        if (ownAudio_) {
            EngineStatus f = audio_->Finish(output);
            if (a.ok())
                a = f;
        }
        if (!a.ok()) {
            if (audioFailure_.ok())
                audioFailure_ = a;
            result = a;
        }
    }
    if (video_ && ownVideo_) {
        EngineStatus v = video_->Drain(output);
        if (!v.ok())
            result = v;
    }
    return result;
}

EngineStatus TranscodeTask::CheckWhole() const
{
    const bool picture = picturesPlaced_ > 0;
    if (!picture && !soundDelivered_)
        return EngineStatus::Failure("the source gave no picture and no sound");
    if (video_ && !picture)
        return EngineStatus::Failure("the source's video gave no picture");
    if (audio_ && !soundDelivered_)
        return EngineStatus::Failure("the source's audio gave no sound");
    return {};
}

} // namespace zentrova
