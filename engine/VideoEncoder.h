// The video half of a task's output: encoder settings, the scaler and the encode/drain loop.
#pragma once

#include "engine/EngineStatus.h"
#include "engine/FFmpegPtr.h"
#include "engine/PictureFilter.h"
#include "engine/StageQueue.h"
#include "engine/TranscodeRules.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace zentrova {

class OutputFile;

struct VideoEncoderParams {
    int codecId = 0;  // program codec number (28 H.264, 13 MPEG-4 ...)
    int bitRate = 0;
    int width = 0;
    int height = 0;
    double frameRate = 0;  // 0: the source's rate
    PictureFit fit = PictureFit::Pad;
};

constexpr double kKeyFrameSeconds = 5.0;
constexpr double kMaxKeyFrameSeconds = 10.0;
// Frames between key frames at the output rate 1/`timeBase`.
int KeyFrameInterval(AVRational timeBase);

class VideoEncoder {
public:
    VideoEncoder() = default;
    VideoEncoder(const VideoEncoder &) = delete;
    VideoEncoder &operator=(const VideoEncoder &) = delete;
    // Drops the pictures still queued for the encoder; Drain() is what writes them.
    ~VideoEncoder();

    // Configures and opens an encoder that writes into `stream`, whose parameters it fills (the
    // header is not yet written). `sourceRate` is the source video stream's rate.
    EngineStatus Open(const VideoEncoderParams &params, const TranscodeRules &rules, const OutputFile &output,
                      AVStream *stream, AVRational sourceRate);

    AVRational timeBase() const { return encoder_->time_base; }
    AVCodecContext *context() const { return encoder_.get(); }

    // Deinterlaces and scales `frame` and encodes it with timestamp `pts` (in timeBase()) lasting
    // `duration`. The encoder runs on a thread of its own, so a packet the muxer refuses fails a
    // later call, or Drain().
    EngineStatus Encode(const AVFrame &frame, std::int64_t pts, std::int64_t duration, OutputFile &output);
    // The source stream's pixel shape, which a container may give when the codec does not.
    void SetSourceAspect(AVRational sar) { filter_->SetSourceAspect(sar); }
    void SetSourceInterlaced(bool interlaced) { filter_->SetSourceInterlaced(interlaced); }
    void SetSourceTurns(int quarterTurns) { filter_->SetSourceTurns(quarterTurns); }
    // Ends the current source without ending the stream: the pictures the filters hold go to the
    // encoder, the filters start afresh for the next source, and its first picture becomes a key
    // frame. The encoder keeps its frames in flight and its rate control goes on undisturbed.
    EngineStatus EndSource(OutputFile &output);
    // Sends the end of stream and writes every packet the filters and the encoder still hold.
    EngineStatus Drain(OutputFile &output);
    // The output picture's position in seconds, one tick past the last picture written, as
    // VideoTimeline counts the pictures it places; safe from any thread.
    double writtenSeconds() const { return writtenSeconds_.load(std::memory_order_relaxed); }

private:
    struct Filtered {
        AVFramePtr picture;
        OutputFile *output = nullptr;
    };

    EngineStatus WritePackets(OutputFile &output);
    EngineStatus EncodePicture(AVFrame &picture, OutputFile &output);
    void StartFilter();
    void RunEncoder();
    EngineStatus StopEncoder();

    AVCodecContextPtr encoder_;
    AVStream *stream_ = nullptr;
    std::optional<PictureFilter> filter_;
    PictureFit fit_ = PictureFit::Pad;
    bool keyFrameNext_ = false;
    OutputFile *target_ = nullptr;  // the file of the call in progress
    AVPacketPtr packet_;
    // pts, duration of frames in flight: added as pictures arrive, taken as packets leave.
    std::deque<std::pair<std::int64_t, std::int64_t>> durations_;
    std::mutex durationsMutex_;
    // Filtered pictures on their way to the encoder's thread, which records why it gave up
    // before it aborts the queue.
    std::unique_ptr<StageQueue<Filtered>> filtered_;
    EngineStatus encoderFailure_;
    std::thread encoderThread_;
    std::atomic<double> writtenSeconds_{0.0};
};

} // namespace zentrova
