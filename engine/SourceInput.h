// One source file opened for transcoding: its demuxer, the chosen streams and their decoders.
#pragma once

#include "engine/EngineStatus.h"
#include "engine/FFmpegPtr.h"
#include "engine/OpenedSource.h"
#include "engine/StreamSelection.h"

#include <cstdint>
#include <string>

namespace zentrova {

class SourceInput {
public:
    // Opens `path`, reads the stream information, picks the last usable video and audio
    // stream (see ChooseStreams) and opens their decoders. `interrupt` lets a stop request cut
    // blocking reads short. A source kept open by the probe (KeepOpenedSource) is taken over.
    // `encodedArea` is the area of the pictures the video is encoded to (0: none), which decides
    // the picture decoder's priority (see DecoderFeedsEncoder).
    EngineStatus Open(const std::string &path, const AVIOInterruptCB &interrupt, std::int64_t encodedArea = 0);

    AVFormatContext *format() const { return format_.get(); }
    AVStream *videoStream() const { return videoIndex_ >= 0 ? format_->streams[videoIndex_] : nullptr; }
    AVStream *audioStream() const { return audioIndex_ >= 0 ? format_->streams[audioIndex_] : nullptr; }
    int videoIndex() const { return videoIndex_; }
    int audioIndex() const { return audioIndex_; }
    AVCodecContext *videoDecoder() const { return videoDecoder_.get(); }
    AVCodecContext *audioDecoder() const { return audioDecoder_.get(); }

    // The video stream's rate; a rate above 1000 fps has had its denominator set to 1001.
    AVRational videoRate() const;
    // The video stream's rate is exactly 359/12.
    bool oddFrameRate() const { return oddFrameRate_; }
    // The container starts here (seconds); 0 when it does not say.
    double startSeconds() const;
    // The short name of the demuxer ("rm", "mov,mp4,m4a,3gp,3g2,mj2", ...).
    std::string formatName() const;

    // Seeks backward to the key frame at or before `seconds` of source time.
    EngineStatus SeekTo(double seconds);

    // The next packet, as av_read_frame gives it: first those read while choosing the streams.
    int ReadPacket(AVPacket *packet);
    // The last read failed on the file itself (an I/O error), not in the demuxer.
    bool readFailed() const;

private:
    std::unique_ptr<InterruptRelay> relay_;  // a taken-over source's; it outlives format_
    AVFormatContextPtr format_;
    AVCodecContextPtr videoDecoder_;
    AVCodecContextPtr audioDecoder_;
    int videoIndex_ = -1;
    int audioIndex_ = -1;
    bool oddFrameRate_ = false;
    ReadAhead ahead_;
};

// Seconds of a timestamp in `timeBase`; NaN when it is AV_NOPTS_VALUE.
double TimestampSeconds(std::int64_t ts, AVRational timeBase);

} // namespace zentrova
