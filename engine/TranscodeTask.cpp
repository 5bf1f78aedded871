// The per-row pipeline shared by the workers.
#include "engine/TranscodeTask.h"

#include "engine/AVConvert.h"
#include "engine/CodecMap.h"
#include "engine/CodecThreads.h"
#include "engine/DeviceTable.h"
#include "engine/DisplayRotation.h"
#include "engine/OutputFile.h"
#include "engine/PreviewOutput.h"

#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
#include <system_error>

namespace zentrova {

namespace {

// Frames this far before the clip start still count as at the start (timestamp rounding).
constexpr double kStartTolerance = 0.001;

// How far the sound may run ahead of the picture, seconds: enough for the gaps to be filled,
// short enough that a stopped file's sound does not outlast its picture by much.
constexpr double kSoundLead = 2.0;
// Video packets held for it, bytes: 2 s of a 50 Mbit/s source.
constexpr std::size_t kHeldBytesLimit = 12 << 20;

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
    : job_(job), row_(row), rules_(rules), preview_(preview), carry_(carry), videoFrame_(av_frame_alloc()),
      audioFrame_(av_frame_alloc()), packet_(av_packet_alloc())
{
}

TranscodeTask::~TranscodeTask()
{
    AbortStages();
    JoinStages();
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
    if (!videoFrame_ || !audioFrame_ || !packet_)
        return EngineStatus::Failure("out of memory", AVERROR(ENOMEM));
    const AVIOInterruptCB interrupt{StopCallback, &job_};
    const std::int64_t encodedArea = job_.VideoEnabled ? std::int64_t{job_.OutputWidth} * job_.OutputHeight : 0;
    EngineStatus s = input_.Open(job_.SourcePaths[static_cast<std::size_t>(row_)], interrupt, encodedArea);
    if (!s.ok())
        return s;

    facts_.duration = input_.format()->duration;
    facts_.durationSeconds = facts_.duration / 1000000;
    if (input_.videoStream()) {
        facts_.videoRate = input_.videoRate();
        facts_.oddFrameRate = input_.oddFrameRate();
    }
    if (!usesVideo() && input_.videoStream())
        input_.videoStream()->discard = AVDISCARD_ALL;
    if (!usesVideo() && !usesAudio())
        return EngineStatus::Failure("the source has nothing the profile can use");

    const double clipStart = rules_.useClip ? job_.ClipStart[static_cast<std::size_t>(row_)] : 0.0;
    const double sourceSeconds = static_cast<double>(facts_.duration) / AV_TIME_BASE;
    if (clipStart > 0 && facts_.duration > 0 && clipStart >= sourceSeconds) {
        char text[160];
        std::snprintf(text, sizeof text, "the clip starts at %.0f s, at or after the end of the source (%.1f s)",
                      clipStart, sourceSeconds);
        return EngineStatus::Failure(text);
    }
    phase_ = TaskPhase::Opened;
    return {};
}

EngineStatus TranscodeTask::CreateOutputStreams(OutputFile &output)
{
    if (usesVideo()) {
        AVStream *stream = output.AddStream();
        if (!stream)
            return EngineStatus::Failure("cannot create the output video stream", AVERROR(ENOMEM));
        ownVideo_.emplace();
        EngineStatus s = ownVideo_->Open(VideoParamsFromJob(job_), rules_, output, stream, facts_.videoRate);
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
    PlanClip();
    PrepareAudio();
    PrepareVideo(output);
    EngineStatus result = StartStages(output);
    phase_ = TaskPhase::Converting;
    if (result.ok())
        result = PumpPackets();
    if (result.ok())
        EndStages();
    else
        AbortStages();
    JoinStages();
    phase_ = TaskPhase::Draining;
    // A picture the video stage could not encode or write fails the row like a source that
    // cannot be read.
    if (result.ok() && !videoFailure_.ok()) {
        stopReason_ = StopReason::Failed;
        result = videoFailure_;
    }
    return result;
}

// Where the row starts and ends in the source, and what its progress is measured against.
void TranscodeTask::PlanClip()
{
    const auto row = static_cast<std::size_t>(row_);
    origin_ = input_.startSeconds();
    clipStart_ = rules_.useClip ? job_.ClipStart[row] : 0.0;
    const double clipDuration = rules_.useClip ? job_.ClipDuration[row] : 0.0;
    if (clipStart_ != 0) {
        origin_ += clipStart_;
        EngineStatus s = input_.SeekTo(origin_);
        // Without the seek the frames before the clip are decoded and dropped: slower, same output.
        if (!s.ok())
            av_log(nullptr, AV_LOG_WARNING, "%s\n", s.what().c_str());
        job_.ClipStart[row] = 0;
    }

    // A clip reaching the whole-second length of the source (what a new row shows as its end),
    // or one of no length at all, runs to the real end of the source instead of cutting off the
    // fraction of a second the row's time texts cannot show.
    const double sourceSeconds = facts_.duration > 0 ? static_cast<double>(facts_.duration) / AV_TIME_BASE : 0.0;
    const bool toEnd = !rules_.useClip || clipDuration <= 0 ||
                       (facts_.durationSeconds >= 0 &&
                        clipStart_ + clipDuration >= static_cast<double>(facts_.durationSeconds));
    endSeconds_ = toEnd ? std::numeric_limits<double>::infinity() : clipDuration;
    progressSeconds_ = carry_.progressSeconds > 0 ? carry_.progressSeconds
                       : toEnd && sourceSeconds > clipStart_ ? sourceSeconds - clipStart_
                                                             : clipDuration;
}

void TranscodeTask::PrepareAudio()
{
    if (!audio_)
        return;
    audio_->BeginSource(endSeconds_);
    audioBefore_ = audioAfter_ = audio_->position();
    audioPosition_.store(audioBefore_, std::memory_order_relaxed);
    audioFull_.store(audio_->full(), std::memory_order_relaxed);
    const AVCodecContext *dec = input_.audioDecoder();
    if (dec->sample_rate > 0) {
        vorbisProgressBase_ = (facts_.duration / dec->sample_rate) * dec->ch_layout.nb_channels;
        if (vorbisProgressBase_ == 0)
            vorbisProgressBase_ = 100;
    }
}

void TranscodeTask::PrepareVideo(const OutputFile &output)
{
    videoPastEnd_ = video_ == nullptr;
    if (!video_)
        return;
    // Shrunk to a quarter of its area or less, a picture keeps nothing visible of the deblocking
    // of frames no other frame refers to. Skipping it saves about 4 % of a 1080p conversion's
    // work; the output's SSIM against the source does not change in its fourth decimal.
    AVCodecContext *decoder = input_.videoDecoder();
    const AVCodecContext *encoder = video_->context();
    if (std::int64_t{encoder->width} * encoder->height * 4 <= std::int64_t{decoder->width} * decoder->height)
        decoder->skip_loop_filter = AVDISCARD_NONREF;
    video_->SetSourceAspect(input_.videoStream()->sample_aspect_ratio);
    const AVFieldOrder fields = input_.videoStream()->codecpar->field_order;
    video_->SetSourceInterlaced(fields != AV_FIELD_UNKNOWN && fields != AV_FIELD_PROGRESSIVE);
    const int turns = UprightQuarterTurns(*input_.videoStream());
    video_->SetSourceTurns(turns);
    preview_.SetTurns(turns);
    const AVRational rate = facts_.videoRate;
    VideoTimelineConfig config;
    config.timeBase = video_->timeBase();
    config.sourceFps = rate.den > 0 ? rate.num / rate.den : 0;
    config.dropAllowed = !(rules_.rmOutputUsesSourceRate && output.isRealMedia());
    const std::string demuxer = input_.formatName();
    config.stampByCount =
        rules_.stampOddSourcesByCount && (demuxer == "rm" || demuxer == "rmvb" || facts_.oddFrameRate);
    config.startSeconds = carry_.timelineOffset;
    config.endSeconds = carry_.timelineOffset + endSeconds_;
    config.lastPts = carry_.videoLastPts;
    timeline_.emplace(config);
}

EngineStatus TranscodeTask::StartStages(OutputFile &output)
{
    // A few decoded pictures are enough to keep both sides busy; each 1080p picture held costs
    // 3 MB. Sound frames are small (at most 36 kB, 5.1 AC-3), and a source may interleave a
    // second or two of them in one run.
    constexpr std::size_t kPictures = 4;
    constexpr std::size_t kSoundFrames = 96;
    if (video_)
        pictures_ = std::make_unique<StageQueue<PlacedPicture>>(kPictures);
    const AVRational rate = facts_.videoRate;
    const double fps = rate.num > 0 && rate.den > 0 ? std::clamp(av_q2d(rate), 1.0, 120.0) : 30.0;
    heldLimit_ = static_cast<std::size_t>(std::ceil(kSoundLead * fps));
    if (audio_)
        sound_ = std::make_unique<StandInStage<DecodedSound>>(
            kSoundFrames, [this, &output](DecodedSound &sound) { ConvertSound(sound, output); });
    try {
        if (video_)
            videoStage_ = std::thread([this, &output] { RunVideoStage(output); });
        if (audio_)
            audioStage_ = std::thread([this] { RunAudioStage(); });
    } catch (const std::system_error &e) {
        stopReason_ = StopReason::Failed;
        return EngineStatus::Failure(std::string("cannot start the conversion's threads: ") + e.what());
    }
    return {};
}

// The demuxing loop: every packet goes to its decoder until the source or the clip ends, a stop
// is requested or something fails.
//
// While the picture queue is full the loop reads on for the sound and holds the video packets it
// meets, up to a short lead: otherwise the sound stage, which only works in the gaps the picture
// encoder leaves, finds its queue empty in most of them and a core stands idle.
EngineStatus TranscodeTask::PumpPackets()
{
    EngineStatus result;
    for (;;) {
        preview_.Service();
        if (StopRequested())
            return StopAfterHeldVideo();
        if (Done()) {
            stopReason_ = StopReason::ClipEnded;
            return {};
        }
        if (!heldVideo_.empty() && !ReadsAhead()) {
            // Only a full sound queue stops the reading ahead: wait for whichever side frees first.
            if (MayReadAhead()) {
                pictures_->WaitForRoom(std::chrono::milliseconds(2));
                continue;
            }
            result = DecodeHeldVideo();
            if (!result.ok()) {
                stopReason_ = StopReason::Failed;
                return result;
            }
            continue;
        }
        const int ret = input_.ReadPacket(packet_.get());
        if (ret < 0) {
            if (StopRequested())
                return StopAfterHeldVideo();
            if (input_.readFailed() || ret == AVERROR(EIO)) {
                stopReason_ = StopReason::Failed;
                return EngineStatus::Failure("cannot read the source", input_.readFailed() ? input_.format()->pb->error : ret);
            }
            // Damage the demuxer cannot read past ends the source; what came before is kept
            // when the row is still whole.
            if (ret != AVERROR_EOF)
                av_log(nullptr, AV_LOG_WARNING, "the source ends in damaged data: %s\n", AVErrorText(ret).c_str());
            stopReason_ = StopReason::SourceEnded;
            break;
        }
        if (packet_->stream_index == input_.videoIndex() && video_ && !videoPastEnd_) {
            if (heldVideo_.empty() && !ReadsAhead()) {
                result = DecodeVideo(packet_.get());
            } else {
                AVPacketPtr held(av_packet_alloc());
                if (!held) {
                    stopReason_ = StopReason::Failed;
                    return EngineStatus::Failure("out of memory", AVERROR(ENOMEM));
                }
                av_packet_move_ref(held.get(), packet_.get());
                heldBytes_ += static_cast<std::size_t>(held->size);
                heldVideo_.push_back(std::move(held));
            }
        } else if (packet_->stream_index == input_.audioIndex() && audio_ &&
                   !audioFull_.load(std::memory_order_relaxed)) {
            ++audioPackets_;
            result = DecodeAudio(packet_.get());
            PublishProgress();
        }
        av_packet_unref(packet_.get());
        if (!result.ok()) {
            stopReason_ = StopReason::Failed;
            return result;
        }
    }
    // The source ended: what was held and what the decoders still hold belongs to it.
    result = DecodeAllHeldVideo();
    if (result.ok() && video_ && !videoPastEnd_)
        result = DecodeVideo(nullptr);
    if (result.ok() && audio_ && !audioFull_.load(std::memory_order_relaxed))
        result = DecodeAudio(nullptr);
    if (!result.ok())
        stopReason_ = StopReason::Failed;
    return result;
}

// Whether the loop may read on past the picture: the picture queue is full, the sound still wants
// its packets, and the lead is short.
bool TranscodeTask::MayReadAhead() const
{
    return pictures_ && pictures_->full() && sound_ && !audioFull_.load(std::memory_order_relaxed) &&
           heldVideo_.size() < heldLimit_ && heldBytes_ < kHeldBytesLimit;
}

// Whether the next packet is read rather than a held picture decoded.
bool TranscodeTask::ReadsAhead() const
{
    return MayReadAhead() && !sound_->full();
}

// A stopped file keeps the pictures read ahead, so that its picture lasts as long as its sound.
EngineStatus TranscodeTask::StopAfterHeldVideo()
{
    stopReason_ = StopReason::StopRequested;
    EngineStatus result = DecodeAllHeldVideo();
    if (!result.ok())
        stopReason_ = StopReason::Failed;
    return result;
}

EngineStatus TranscodeTask::DecodeHeldVideo()
{
    AVPacketPtr packet = std::move(heldVideo_.front());
    heldVideo_.pop_front();
    heldBytes_ -= static_cast<std::size_t>(packet->size);
    return videoPastEnd_ ? EngineStatus{} : DecodeVideo(packet.get());
}

EngineStatus TranscodeTask::DecodeAllHeldVideo()
{
    EngineStatus result;
    while (result.ok() && !heldVideo_.empty())
        result = DecodeHeldVideo();
    return result;
}

// The stages finish what they were given.
void TranscodeTask::EndStages()
{
    if (pictures_)
        pictures_->End();
    if (sound_)
        sound_->End();
}

void TranscodeTask::AbortStages()
{
    if (pictures_)
        pictures_->Abort();
    if (sound_)
        sound_->Abort();
}

void TranscodeTask::JoinStages()
{
    if (videoStage_.joinable())
        videoStage_.join();
    if (audioStage_.joinable())
        audioStage_.join();
}

bool TranscodeTask::Done() const
{
    const bool audioDone = audio_ == nullptr || audioFull_.load(std::memory_order_relaxed);
    return videoPastEnd_ && audioDone;
}

EngineStatus TranscodeTask::DecodeVideo(const AVPacket *packet)
{
    AVCodecContext *decoder = input_.videoDecoder();
    int ret = avcodec_send_packet(decoder, packet);
    // A damaged packet costs its picture, not the task.
    if (ret < 0 && ret != AVERROR(EAGAIN) && ret != AVERROR_EOF)
        return {};
    for (;;) {
        ret = avcodec_receive_frame(decoder, videoFrame_.get());
        if (ret < 0)
            return {};
        EngineStatus s = videoPastEnd_ ? EngineStatus{} : HandleVideoFrame(*videoFrame_);
        av_frame_unref(videoFrame_.get());
        if (!s.ok())
            return s;
    }
}

EngineStatus TranscodeTask::HandleVideoFrame(AVFrame &frame)
{
    const double t = TimestampSeconds(frame.best_effort_timestamp, input_.videoStream()->time_base) - origin_;
    // After the backward seek to a key frame, the pictures before the clip start only prime the decoder.
    if (clipStart_ != 0 && t < -kStartTolerance)
        return {};
    PublishProgress();
    const VideoTimeline::Placement place = timeline_->Place(carry_.timelineOffset + t);
    switch (place.action) {
    case VideoTimeline::Action::Drop:
        return {};
    case VideoTimeline::Action::PastEnd:
        videoPastEnd_ = true;
        return {};
    case VideoTimeline::Action::Encode:
        break;
    }
    // Only pictures that are converted are shown: shrinking a dropped one (every other picture
    // of a 60 fps source) to the preview's size costs as much as any other.
    if (!job_.PreviewHidden.load(std::memory_order_relaxed))
        preview_.Show(frame);
    // The decoder's picture is handed over, not copied.
    PlacedPicture picture{AVFramePtr(av_frame_alloc()), place.pts, place.duration};
    if (!picture.frame)
        return EngineStatus::Failure("out of memory", AVERROR(ENOMEM));
    av_frame_move_ref(picture.frame.get(), &frame);
    // Refused only once the video stage has given up, after recording why.
    if (!pictures_->Push(std::move(picture)))
        return videoFailure_.ok() ? EngineStatus::Failure("the picture stage ended early") : videoFailure_;
    ++picturesPlaced_;
    return {};
}

EngineStatus TranscodeTask::DecodeAudio(const AVPacket *packet)
{
    AVCodecContext *decoder = input_.audioDecoder();
    int ret = avcodec_send_packet(decoder, packet);
    if (ret < 0 && ret != AVERROR(EAGAIN) && ret != AVERROR_EOF)
        return {};
    while (avcodec_receive_frame(decoder, audioFrame_.get()) >= 0) {
        // The decoder's frame is handed over, not copied. Only this thread ends or aborts the
        // stage, so every frame is converted.
        DecodedSound sound{AVFramePtr(av_frame_alloc()),
                           TimestampSeconds(audioFrame_->best_effort_timestamp, input_.audioStream()->time_base) - origin_};
        if (!sound.frame)
            return EngineStatus::Failure("out of memory", AVERROR(ENOMEM));
        av_frame_move_ref(sound.frame.get(), audioFrame_.get());
        sound_->Hand(std::move(sound));
    }
    return {};
}

void TranscodeTask::PublishProgress()
{
    std::int64_t percent = -1;
    if (audio_ && job_.AudioCodecId == kVorbisCodecId && rules_.vorbisProgressByPackets) {
        percent = audioPackets_ * 100 / std::max<std::int64_t>(vorbisProgressBase_, 1);
    } else if (progressSeconds_ > 0) {
        const double a = audio_ ? audioPosition_.load(std::memory_order_relaxed) : 0.0;
        const double placed = timeline_ ? timeline_->position() : 0.0;
        const double written = timeline_ ? video_->writtenSeconds() : 0.0;
        const bool pictureRuns = timeline_ && !videoPastEnd_ && stopReason_ != StopReason::SourceEnded;
        percent = static_cast<std::int64_t>(ConvertedSeconds(a, placed, written, pictureRuns) * 100.0 / progressSeconds_);
        // The sound a merge's row counted once its picture had ended is not taken back while the
        // next row's picture catches up: the bar holds its place. This thread alone publishes
        // while the row runs.
        percent = std::max<std::int64_t>(percent, job_.Progress.load(std::memory_order_relaxed));
    }
    if (percent >= 0)
        job_.Progress.store(static_cast<std::int32_t>(std::min<std::int64_t>(percent, 100)), std::memory_order_relaxed);
}

// The picture stage: deinterlace, scale and pad each placed picture in turn; the encoder, on its
// own thread, encodes and writes them.
void TranscodeTask::RunVideoStage(OutputFile &output)
{
    pthread_setname_np(pthread_self(), "zentrova-video");
    while (auto item = pictures_->Pop()) {
        PlacedPicture &picture = item->value;
        EngineStatus s = video_->Encode(*picture.frame, picture.pts, picture.duration, output);
        if (!s.ok()) {
            videoFailure_ = std::move(s);
            // The demuxing thread learns of it at its next picture.
            pictures_->Abort();
            return;
        }
    }
}

// The sound stage: resample, re-frame, encode and write, at the feeders' priority when the picture
// encoder leaves gaps for it (see CodecThreads.h); the demuxing thread stands in for it once it
// is starved (StandInStage.h).
void TranscodeTask::RunAudioStage()
{
    pthread_setname_np(pthread_self(), "zentrova-audio");
    if (video_) {
        const AVCodecContext *encoder = video_->context();
        if (SoundYieldsToEncoder(encoder->codec_id == AV_CODEC_ID_H264, std::int64_t{encoder->width} * encoder->height))
            LowerToFeederPriority();
    }
    sound_->Run();
}

// Once the clip's sound is complete the rest of the source's frames are only taken off the queue.
void TranscodeTask::ConvertSound(const DecodedSound &sound, OutputFile &output)
{
    if (audio_->full())
        return;
    EngineStatus s = audio_->Push(*sound.frame, sound.seconds, output);
    if (!s.ok() && audioFailure_.ok())
        audioFailure_ = EngineStatus::Failure("the sound failed: " + s.what());
    audioPosition_.store(audio_->position(), std::memory_order_relaxed);
    audioFull_.store(audio_->full(), std::memory_order_relaxed);
}

EngineStatus TranscodeTask::Finish(OutputFile &output)
{
    EngineStatus result;
    if (audio_) {
        EngineStatus a = audio_->EndSource(output);
        // Before Finish: its padding of the last frame is not the source's sound.
        audioAfter_ = audio_->position();
        if (ownAudio_) {
            EngineStatus f = audio_->Finish(output);
            if (a.ok())
                a = f;
        }
        if (!a.ok()) {
            a = EngineStatus::Failure("the sound failed: " + a.what());
            if (audioFailure_.ok())
                audioFailure_ = a;
            result = a;
        }
    }
    if (video_) {
        EngineStatus v = ownVideo_ ? video_->Drain(output) : video_->EndSource(output);
        if (!v.ok())
            result = v;
    }
    phase_ = TaskPhase::Done;
    return result;
}

EngineStatus TranscodeTask::CheckWhole() const
{
    const bool picture = picturesPlaced_ > 0;
    const bool sound = audioAfter_ > audioBefore_;
    if (!picture && !sound)
        return EngineStatus::Failure("the source gave no picture and no sound");
    if (video_ && !picture)
        return EngineStatus::Failure("the source's video gave no picture");
    if (audio_ && !sound)
        return EngineStatus::Failure("the source's audio gave no sound");
    return {};
}

} // namespace zentrova
