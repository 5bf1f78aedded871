// Media probing: a file's duration and main stream parameters, read without decoding any frame.
#include "engine/ProbeMedia.h"

#include "engine/CodecMap.h"
#include "engine/FFmpegPtr.h"
#include "engine/OpenedSource.h"
#include "engine/StreamSelection.h"

#include <limits>

namespace zentrova {

namespace {

std::int32_t ClampToInt32(std::int64_t v)
{
    if (v > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (v < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}

// Opens a decoder for a stream; the context stays empty when there is none or it will not open.
// Returns false only when no decoder exists for the stream's codec.
bool OpenDecoder(const AVStream *stream, AVCodecContextPtr &ctx, int &openResult)
{
    const AVCodec *decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!decoder)
        return false;
    AVCodecContextPtr c(avcodec_alloc_context3(decoder));
    if (!c) {
        openResult = AVERROR(ENOMEM);
        return true;
    }
    openResult = avcodec_parameters_to_context(c.get(), stream->codecpar);
    if (openResult >= 0) {
        // The probe only needs the parameters; threads would be started and stopped for nothing.
        c->thread_count = 1;
        openResult = avcodec_open2(c.get(), decoder, nullptr);
    }
    if (openResult >= 0)
        ctx = std::move(c);
    return true;
}

} // namespace

MediaProbe ProbeMedia(const std::string &path, bool keepOpen)
{
    MediaProbe probe;
    std::unique_ptr<InterruptRelay> relay;
    AVIOInterruptCB interrupt{};
    if (keepOpen) {
        relay = std::make_unique<InterruptRelay>();
        interrupt = relay->Callback();
    }
    AVFormatContextPtr input;
    if (OpenInput(input, path, &interrupt) < 0)
        return probe;
    probe.result = kProbeStreamInfoFailed;
    if (avformat_find_stream_info(input.get(), nullptr) < 0)
        return probe;

    ReadAhead ahead;
    const StreamChoice streams = ChooseStreams(*input, keepOpen ? &ahead : nullptr);
    const int videoIndex = streams.video;
    const int audioIndex = streams.audio;

    AVCodecContextPtr video;
    if (videoIndex >= 0) {
        int openResult = 0;
        if (!OpenDecoder(input->streams[videoIndex], video, openResult)) {
            probe.result = kProbeNoVideoDecoder;
            return probe;
        }
        if (openResult < 0) {
            probe.result = kProbeVideoDecoderFailed;
            return probe;
        }
    }

    // A missing or broken audio decoder does not fail the probe; the stream's own parameters serve.
    AVCodecContextPtr audio;
    if (audioIndex >= 0) {
        int ignored = 0;
        OpenDecoder(input->streams[audioIndex], audio, ignored);
    }

    if (video) {
        const AVStream *stream = input->streams[videoIndex];
        probe.width = video->width;
        probe.height = video->height;
        probe.videoCodecId = FromAVCodecID(video->codec_id);
        probe.videoBitRate = ClampToInt32(video->bit_rate);
        AVRational rate = stream->r_frame_rate;
        if (rate.den != 0) {
            if (rate.num / rate.den > 1000)
                rate.den = 1001;
            probe.fps = rate.num / rate.den;
        }
        probe.frameRateNum = rate.num;
        probe.frameRateDen = rate.den;
    }

    if (audioIndex >= 0) {
        const AVCodecParameters *par = input->streams[audioIndex]->codecpar;
        probe.audioCodecId = FromAVCodecID(par->codec_id);
        probe.channels = audio ? audio->ch_layout.nb_channels : par->ch_layout.nb_channels;
        probe.sampleRate = audio ? audio->sample_rate : par->sample_rate;
        probe.audioBitRate = ClampToInt32(audio ? audio->bit_rate : par->bit_rate);
    }

    probe.duration = input->duration;
    probe.startSeconds = 0;
    probe.durationSeconds = probe.duration / 1000000;
    probe.result = kProbeOk;
    if (keepOpen && probe.Usable())
        KeepOpenedSource(path, OpenedSource{std::move(relay), std::move(input), streams, std::move(ahead)});
    return probe;
}

} // namespace zentrova
