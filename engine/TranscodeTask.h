// One row of a batch going through the pipeline: source, decoders, encoders, packet loop, drain.
// The single-file worker runs one per output file; a merge runs one per row into a shared output.
#pragma once

#include "engine/AudioEncoder.h"
#include "engine/EngineStatus.h"
#include "engine/FFmpegPtr.h"
#include "engine/SourceInput.h"
#include "engine/TranscodeRules.h"
#include "engine/VideoEncoder.h"
#include "engine/VideoTimeline.h"

#include <cstdint>
#include <optional>

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

class TranscodeTask {
public:
    TranscodeTask(AVConvert &job, int row, const TranscodeRules &rules, PreviewOutput &preview,
                  const TaskCarry &carry = {});

    // Opens the row's source and records its facts in the job record as the probe does. Fails
    // when the source has nothing the profile can use, or the row's clip starts at or after
    // the end of the source.
    EngineStatus OpenSource();
    const SourceInput &input() const { return input_; }
    bool usesVideo() const;
    bool usesAudio() const { return input_.audioStream() != nullptr; }

    // Creates the output streams this row needs on `output` and opens an encoder for each.
    EngineStatus CreateOutputStreams(OutputFile &output);
    // Encodes into encoders that outlive the row (a merge); either may be null.
    void UseEncoders(VideoEncoder *video, AudioEncoder *audio);

    // Seeks to the clip start and runs the packet loop until the source or the clip ends, a
    // stop is requested, or a video packet cannot be written or the source cannot be read
    // (returned as the failure). Damage the demuxer gives up on ends the source like its end.
    EngineStatus Run(OutputFile &output);
    // Delivers what the decoders, the resampler, the FIFO and the encoders still hold.
    EngineStatus Finish(OutputFile &output);

    bool stopped() const { return stopped_; }
    // An audio packet was refused by the muxer; the row fails but the loop went on.
    bool audioWriteFailed() const { return !audioFailure_.ok(); }
    const EngineStatus &audioFailure() const { return audioFailure_; }
    // After Finish: fails unless every kind of data the row set out to convert reached its
    // encoder from the source (a row that gave no picture, or no sound, is not whole).
    EngineStatus CheckWhole() const;
    std::int64_t videoLastPts() const { return timeline_ ? timeline_->lastPts() : carry_.videoLastPts; }

private:
    EngineStatus DecodeVideo(const AVPacket *packet, OutputFile &output);
    void DecodeAudio(const AVPacket *packet, OutputFile &output);
    EngineStatus HandleVideoFrame(const AVFrame &frame, OutputFile &output);
    void HandleAudioFrame(const AVFrame &frame, OutputFile &output);
    void PublishProgress();
    bool StopRequested() const;
    bool Done() const;

    AVConvert &job_;
    int row_;
    const TranscodeRules &rules_;
    PreviewOutput &preview_;
    TaskCarry carry_;
    SourceInput input_;
    std::optional<VideoEncoder> ownVideo_;
    std::optional<AudioEncoder> ownAudio_;
    VideoEncoder *video_ = nullptr;
    AudioEncoder *audio_ = nullptr;
    std::optional<VideoTimeline> timeline_;
    AVFramePtr frame_;
    AVPacketPtr packet_;

    double origin_ = 0;  // source time that becomes the row's output time 0
    double endSeconds_ = 0;
    double progressSeconds_ = 0;
    bool trimBeforeOrigin_ = false;
    bool videoDone_ = false;
    bool stopped_ = false;
    EngineStatus audioFailure_;
    std::int64_t picturesPlaced_ = 0;
    double audioBefore_ = 0;  // the audio encoder's position when the row began
    bool soundDelivered_ = false;
    std::int64_t audioPackets_ = 0;
    std::int64_t vorbisProgressBase_ = 100;
};

} // namespace zentrova
