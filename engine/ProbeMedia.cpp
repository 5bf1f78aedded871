// Media probing: a file's duration and main stream parameters, read without decoding any frame.
#include "AVConvert.h"
#include "CodecMap.h"
#include "FFmpegPtr.h"
#include "StreamSelection.h"

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

int AVConvert::ProbeMedia()
{
    AVFormatContextPtr input;
    if (OpenInput(input, ProbePath) < 0)
        return kProbeOpenFailed;
    if (avformat_find_stream_info(input.get(), nullptr) < 0)
        return kProbeStreamInfoFailed;

    const StreamChoice streams = ChooseStreams(*input, nullptr);
    const int videoIndex = streams.video;
    const int audioIndex = streams.audio;

    AVCodecContextPtr video;
    if (videoIndex >= 0) {
        int openResult = 0;
        if (!OpenDecoder(input->streams[videoIndex], video, openResult))
            return kProbeNoVideoDecoder;
        if (openResult < 0)
            return kProbeVideoDecoderFailed;
    }

    // A missing or broken audio decoder does not fail the probe; the stream's own parameters serve.
    AVCodecContextPtr audio;
    if (audioIndex >= 0) {
        int ignored = 0;
        OpenDecoder(input->streams[audioIndex], audio, ignored);
    }

    if (video) {
        const AVStream *stream = input->streams[videoIndex];
        SourceWidth = video->width;
        SourceHeight = video->height;
        VideoCodecId = FromAVCodecID(video->codec_id);
        VideoBitRate = ClampToInt32(video->bit_rate);
        AVRational rate = stream->r_frame_rate;
        if (rate.den != 0) {
            if (rate.num / rate.den > 1000)
                rate.den = 1001;
            SourceFps = rate.num / rate.den;
        }
        SourceFrameRateNum = rate.num;
        SourceFrameRateDen = rate.den;
    } else {
        SourceWidth = SourceHeight = 0;
        VideoCodecId = 0;
        VideoBitRate = 0;
    }

    if (audioIndex >= 0) {
        const AVCodecParameters *par = input->streams[audioIndex]->codecpar;
        AudioCodecId = FromAVCodecID(par->codec_id);
        Channels = audio ? audio->ch_layout.nb_channels : par->ch_layout.nb_channels;
        SampleRate = audio ? audio->sample_rate : par->sample_rate;
        AudioBitRate = ClampToInt32(audio ? audio->bit_rate : par->bit_rate);
    } else {
        AudioCodecId = 0;
        Channels = SampleRate = AudioBitRate = 0;
    }

    ProbeDuration = input->duration;
    ProbeStartSeconds = 0;
    ProbeDurationSeconds = ProbeDuration / 1000000;
    return kProbeOk;
}

} // namespace zentrova
