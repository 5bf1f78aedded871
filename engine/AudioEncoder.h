// The audio half of a task's output: resampling, re-framing through a FIFO, encoding, draining.
#pragma once

#include "engine/EngineStatus.h"
#include "engine/FFmpegPtr.h"

#include <cstdint>
#include <limits>

namespace zentrova {

class OutputFile;

struct AudioEncoderParams {
    int codecId = 0;  // program codec number (0x15002 AAC, 0x15001 MP3 ...)
    int bitRate = 0;
    int sampleRate = 0;
    int channels = 0;
};

class AudioEncoder {
public:
    AudioEncoder() = default;
    ~AudioEncoder();
    AudioEncoder(const AudioEncoder &) = delete;
    AudioEncoder &operator=(const AudioEncoder &) = delete;

    // Configures and opens an encoder writing into `stream`; `sourceFormat` (the source
    // decoder's) is used when the encoder takes it. When `describeStream` is set the stream's
    // parameters are filled from the encoder.
    EngineStatus Open(const AudioEncoderParams &params, const OutputFile &output, AVStream *stream,
                      AVSampleFormat sourceFormat, bool describeStream);

    // Starts taking samples from a new source: at most `maxSeconds` of them reach the encoder.
    void BeginSource(double maxSeconds = std::numeric_limits<double>::infinity());
    // Adds a decoded frame whose first sample lies at `seconds` on the source's output timeline
    // (NaN when unknown). Samples before 0 are cut off; a first frame after 0 is preceded by
    // silence, so the audio keeps its place against the video. A packet the muxer refuses fails
    // the call, but the encoder stays usable.
    EngineStatus Push(const AVFrame &frame, double seconds, OutputFile &output);
    // Delivers what the resampler still holds for the current source.
    EngineStatus EndSource(OutputFile &output);
    // Adds silence until position() reaches `seconds` (nothing when it already has).
    EngineStatus PadTo(double seconds, OutputFile &output);
    // Encodes the rest of the FIFO (a short or silence-padded last frame) and drains the encoder.
    EngineStatus Finish(OutputFile &output);

    // Seconds of audio handed to the encoder so far, over all sources.
    double position() const;
    // The current source has delivered all the audio it may.
    bool full() const { return sourceSamples_ >= sourceLimit_; }
    AVCodecContext *context() const { return encoder_.get(); }

private:
    EngineStatus Queue(const std::uint8_t *const *data, int offset, int count, OutputFile &output);
    EngineStatus QueueSilence(std::int64_t count, OutputFile &output);
    EngineStatus EncodeFrames(int minimum, OutputFile &output);
    EngineStatus SendFrame(int samples, OutputFile &output);
    EngineStatus WritePackets(OutputFile &output);
    EngineStatus EnsureResampler(const AVFrame &frame);
    bool EnsureScratch(int samples);

    AVCodecContextPtr encoder_;
    AVStream *stream_ = nullptr;
    AVAudioFifoPtr fifo_;
    SwrContextPtr resampler_;
    AVFramePtr scratch_;  // resampler output and silence
    AVFramePtr frame_;    // one encoder frame
    AVPacketPtr packet_;
    int frameSize_ = 0;
    bool resample_ = false;
    int inRate_ = 0;
    int inFormat_ = -1;
    AVChannelLayout inLayout_{};
    std::int64_t samplesQueued_ = 0;  // over all sources, in the encoder's rate
    std::int64_t nextPts_ = 0;
    std::int64_t sourceSamples_ = 0;
    std::int64_t sourceLimit_ = std::numeric_limits<std::int64_t>::max();
    bool sourceStarted_ = false;
};

} // namespace zentrova
