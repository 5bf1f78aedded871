// Owning handles for every FFmpeg object the engine touches; the bare free calls live only here.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavformat/avio.h>
#include <libavfilter/avfilter.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <memory>
#include <string>

namespace zentrova {

struct AVDeleter {
    void operator()(AVCodecContext *p) const { avcodec_free_context(&p); }
    void operator()(AVFrame *p) const { av_frame_free(&p); }
    void operator()(AVPacket *p) const { av_packet_free(&p); }
    void operator()(SwsContext *p) const { sws_freeContext(p); }
    void operator()(SwrContext *p) const { swr_free(&p); }
    void operator()(AVAudioFifo *p) const { av_audio_fifo_free(p); }
    void operator()(AVFilterGraph *p) const { avfilter_graph_free(&p); }
};

// Inputs and outputs are closed differently; the flag is set by whoever opens the context.
struct AVFormatContextDeleter {
    bool isOutput = false;
    void operator()(AVFormatContext *p) const
    {
        if (!p)
            return;
        if (isOutput) {
            if (p->oformat && !(p->oformat->flags & AVFMT_NOFILE))
                avio_closep(&p->pb);
            avformat_free_context(p);
        } else {
            avformat_close_input(&p);
        }
    }
};

using AVFormatContextPtr = std::unique_ptr<AVFormatContext, AVFormatContextDeleter>;
using AVCodecContextPtr = std::unique_ptr<AVCodecContext, AVDeleter>;
using AVFramePtr = std::unique_ptr<AVFrame, AVDeleter>;
using AVPacketPtr = std::unique_ptr<AVPacket, AVDeleter>;
using SwsContextPtr = std::unique_ptr<SwsContext, AVDeleter>;
using SwrContextPtr = std::unique_ptr<SwrContext, AVDeleter>;
using AVAudioFifoPtr = std::unique_ptr<AVAudioFifo, AVDeleter>;
using AVFilterGraphPtr = std::unique_ptr<AVFilterGraph, AVDeleter>;

// Opens an input file; on failure the pointer stays empty and the FFmpeg error code is returned.
int OpenInput(AVFormatContextPtr &ctx, const std::string &path, AVIOInterruptCB *interrupt = nullptr);

// Text of an FFmpeg error code.
std::string AVErrorText(int errnum);

} // namespace zentrova
