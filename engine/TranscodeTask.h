// One row of a batch going through the pipeline: source, decoders, encoders, the threaded stages, drain.
// The single-file worker runs one per output file; a merge runs one per row into a shared output.
#pragma once

#include "engine/AudioEncoder.h"
#include "engine/EngineStatus.h"
#include "engine/FFmpegPtr.h"
#include "engine/SourceInput.h"
#include "engine/StageQueue.h"
#include "engine/StandInStage.h"
#include "engine/TranscodeRules.h"
#include "engine/VideoEncoder.h"
#include "engine/VideoTimeline.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <thread>

namespace zentrova {

class AVConvert;
class OutputFile;
class PreviewOutput;

// What a merge carries from one row into the next; a single file starts from these defaults.
struct TaskCarry {
    std::int64_t videoLastPts = -1;  // the last video timestamp written, -1 before any
    double timelineOffset = 0;       // seconds of output before this row
    double progressSeconds = 0;      // progress denominator; 0 takes the row's clip
};

VideoEncoderParams VideoParamsFromJob(const AVConvert &job);
AudioEncoderParams AudioParamsFromJob(const AVConvert &job);

// Where a row stands. Opened: the source is open; Converting: the stages run; Draining: the
// packet loop has ended and the decoders, the resampler and the encoders give what they hold.
enum class TaskPhase { Created, Opened, Converting, Draining, Done };

// Why the packet loop ended.
enum class StopReason {
    None,           // it has not ended
    SourceEnded,    // the source (or damage the demuxer gives up on) ended it
    ClipEnded,      // every stream reached the end of the row's clip
    StopRequested,  // the user stopped the run: the file is finished with what was converted
    Failed,         // the source could not be read, or a picture could not be encoded or written
};

// The facts about the row's source the pipeline works with, read when the source is opened.
struct SourceFacts {
    std::int64_t duration = 0;         // microseconds; AV_NOPTS_VALUE when the source does not say
    std::int64_t durationSeconds = 0;  // its whole seconds, as the row's time texts show them
    AVRational videoRate{0, 1};
    bool oddFrameRate = false;         // the rate is exactly 359/12
};

class TranscodeTask {
public:
    TranscodeTask(AVConvert &job, int row, const TranscodeRules &rules, PreviewOutput &preview,
                  const TaskCarry &carry = {});
    ~TranscodeTask();
    TranscodeTask(const TranscodeTask &) = delete;
    TranscodeTask &operator=(const TranscodeTask &) = delete;

    // Opens the row's source and reads its facts into the task. Fails when the source has
    // nothing the profile can use, or the row's clip starts at or after the end of the source.
    EngineStatus OpenSource();
    const SourceInput &input() const { return input_; }
    const SourceFacts &facts() const { return facts_; }
    bool usesVideo() const;
    bool usesAudio() const { return input_.audioStream() != nullptr; }

    // Creates the output streams this row needs on `output` and opens an encoder for each.
    EngineStatus CreateOutputStreams(OutputFile &output);
    // Encodes into encoders that outlive the row (a merge); either may be null.
    void UseEncoders(VideoEncoder *video, AudioEncoder *audio);

    // Seeks to the clip start and converts until the source or the clip ends, a stop is
    // requested, or a video packet cannot be written or the source cannot be read (returned as
    // the failure). Damage the demuxer gives up on ends the source like its end. Demuxing and
    // decoding run on the calling thread, the picture work and the video encoder on a second,
    // resampling and encoding the sound on a third; all have finished when Run returns.
    EngineStatus Run(OutputFile &output);
    // Delivers what the decoders, the resampler and the FIFO still hold. The row's own encoders
    // are drained; encoders that outlive the row only see its source end.
    EngineStatus Finish(OutputFile &output);

    TaskPhase phase() const { return phase_; }
    StopReason stopReason() const { return stopReason_; }
    bool stopped() const { return stopReason_ == StopReason::StopRequested; }
    // Why the sound failed (a packet the muxer refused, the resampler, the encoder); the row
    // fails, but the conversion went on. OK when it did not fail.
    const EngineStatus &audioFailure() const { return audioFailure_; }
    // After Finish: fails unless every kind of data the row set out to convert reached its
    // encoder from the source (a row that gave no picture, or no sound, is not whole).
    EngineStatus CheckWhole() const;
    std::int64_t videoLastPts() const { return timeline_ ? timeline_->lastPts() : carry_.videoLastPts; }

private:
    struct PlacedPicture {
        AVFramePtr frame;
        std::int64_t pts = 0;
        std::int64_t duration = 1;
    };
    struct DecodedSound {
        AVFramePtr frame;
        double seconds = 0;  // where its first sample lies on the row's output timeline
    };

    // The steps of Run.
    void PlanClip();
    void PrepareAudio();
    void PrepareVideo(const OutputFile &output);
    EngineStatus StartStages(OutputFile &output);
    EngineStatus PumpPackets();
    bool MayReadAhead() const;
    bool ReadsAhead() const;
    EngineStatus DecodeHeldVideo();
    EngineStatus DecodeAllHeldVideo();
    EngineStatus StopAfterHeldVideo();
    void EndStages();
    void AbortStages();
    void JoinStages();

    // The demuxing thread.
    EngineStatus DecodeVideo(const AVPacket *packet);
    EngineStatus HandleVideoFrame(AVFrame &frame);
    EngineStatus DecodeAudio(const AVPacket *packet);
    void PublishProgress();
    bool StopRequested() const;
    bool Done() const;

    // The stage threads.
    void RunVideoStage(OutputFile &output);
    void RunAudioStage();
    void ConvertSound(const DecodedSound &sound, OutputFile &output);

    AVConvert &job_;
    int row_;
    const TranscodeRules &rules_;
    PreviewOutput &preview_;
    TaskCarry carry_;
    SourceInput input_;
    SourceFacts facts_;
    std::optional<VideoEncoder> ownVideo_;
    std::optional<AudioEncoder> ownAudio_;
    VideoEncoder *video_ = nullptr;
    AudioEncoder *audio_ = nullptr;
    std::optional<VideoTimeline> timeline_;
    AVFramePtr videoFrame_;
    AVFramePtr audioFrame_;
    AVPacketPtr packet_;

    TaskPhase phase_ = TaskPhase::Created;
    StopReason stopReason_ = StopReason::None;
    double origin_ = 0;     // source time that becomes the row's output time 0
    double clipStart_ = 0;  // the row's clip starts this far into the source; 0 from its beginning
    double endSeconds_ = 0;
    double progressSeconds_ = 0;
    bool videoPastEnd_ = false;  // the picture has reached the end of the clip
    std::int64_t picturesPlaced_ = 0;
    double audioBefore_ = 0;  // the audio encoder's position when the row began
    double audioAfter_ = 0;   // ... and when the source's sound was all delivered
    std::int64_t audioPackets_ = 0;
    std::int64_t vorbisProgressBase_ = 100;

    // Video packets read past a full picture queue, so that the sound runs on meanwhile.
    std::deque<AVPacketPtr> heldVideo_;
    std::size_t heldBytes_ = 0;
    std::size_t heldLimit_ = 0;  // packets: the sound's lead over the picture, in pictures

    // Between the demuxing thread and the stages.
    std::unique_ptr<StageQueue<PlacedPicture>> pictures_;
    std::unique_ptr<StandInStage<DecodedSound>> sound_;
    std::thread videoStage_;
    std::thread audioStage_;
    std::atomic<double> audioPosition_{0};
    std::atomic<bool> audioFull_{false};
    EngineStatus videoFailure_;  // written by the video stage, read after it is joined
    EngineStatus audioFailure_;  // written by the one converting the sound, read after the stages end
};

} // namespace zentrova
