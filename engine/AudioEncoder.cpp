// Audio resampling, framing and encoding.
#include "engine/AudioEncoder.h"

#include "engine/CodecMap.h"
#include "engine/OutputFile.h"

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/samplefmt.h>
}

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace zentrova {

namespace {

// Samples per call for encoders that take any frame length (PCM and the like).
constexpr int kVariableFrameSamples = 4096;

// A first audio frame this late is preceded by silence.
constexpr double kGapTolerance = 0.010;

const AVCodec *FindEncoder(int programId)
{
    return zentrova::FindEncoder(CodecKind::Audio, programId);
}

AVSampleFormat ChooseSampleFormat(const AVCodec *codec, AVSampleFormat preferred)
{
    if (!codec->sample_fmts)
        return preferred;
    for (const AVSampleFormat *f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f)
        if (*f == preferred)
            return preferred;
    return codec->sample_fmts[0];
}

} // namespace

AudioEncoder::~AudioEncoder()
{
    av_channel_layout_uninit(&inLayout_);
}

EngineStatus AudioEncoder::Open(const AudioEncoderParams &params, const OutputFile &output, AVStream *stream,
                                AVSampleFormat sourceFormat, bool describeStream)
{
    const AVCodec *codec = FindEncoder(params.codecId);
    if (!codec)
        return EngineStatus::Failure("no audio encoder for codec " + std::to_string(params.codecId));
    if (params.channels <= 0 || params.sampleRate <= 0)
        return EngineStatus::Failure("no audio channels or sample rate");
    encoder_.reset(avcodec_alloc_context3(codec));
    frame_.reset(av_frame_alloc());
    scratch_.reset(av_frame_alloc());
    packet_.reset(av_packet_alloc());
    if (!encoder_ || !frame_ || !scratch_ || !packet_)
        return EngineStatus::Failure("out of memory", AVERROR(ENOMEM));
    AVCodecContext *c = encoder_.get();
    stream_ = stream;
    c->bit_rate = params.bitRate;
    c->sample_rate = params.sampleRate;
    av_channel_layout_default(&c->ch_layout, params.channels);
    c->sample_fmt = ChooseSampleFormat(codec, sourceFormat);
    c->time_base = AVRational{1, params.sampleRate};
    c->thread_count = 0;
    // Every muxer that keeps codec headers out of band needs them, "ipod" (.m4a) included.
    if (output.wantsGlobalHeader())
        c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int ret = avcodec_open2(c, codec, nullptr);
    if (ret < 0)
        return EngineStatus::Failure(std::string("cannot open the audio encoder ") + codec->name, ret);
    if (describeStream) {
        stream->time_base = c->time_base;
        ret = avcodec_parameters_from_context(stream->codecpar, c);
        if (ret < 0)
            return EngineStatus::Failure("audio stream parameters", ret);
    }
    const bool anyLength = (codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) || c->frame_size <= 1;
    frameSize_ = anyLength ? kVariableFrameSamples : c->frame_size;
    fifo_.reset(av_audio_fifo_alloc(c->sample_fmt, c->ch_layout.nb_channels, frameSize_ * 2));
    if (!fifo_)
        return EngineStatus::Failure("cannot allocate the audio FIFO", AVERROR(ENOMEM));
    return {};
}

void AudioEncoder::BeginSource(double maxSeconds)
{
    resampler_.reset();
    av_channel_layout_uninit(&inLayout_);
    inRate_ = 0;
    inFormat_ = -1;
    resample_ = false;
    sourceSamples_ = 0;
    sourceStarted_ = false;
    const double limit = maxSeconds * encoder_->sample_rate;
    sourceLimit_ = std::isfinite(limit) && limit < 9e18 ? static_cast<std::int64_t>(std::llround(std::max(0.0, limit)))
                                                        : std::numeric_limits<std::int64_t>::max();
}

double AudioEncoder::position() const
{
    return encoder_ ? static_cast<double>(samplesQueued_) / encoder_->sample_rate : 0.0;
}

EngineStatus AudioEncoder::EnsureResampler(const AVFrame &frame)
{
    AVChannelLayout layout{};
    if (frame.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&layout, frame.ch_layout.nb_channels);
    else if (av_channel_layout_copy(&layout, &frame.ch_layout) < 0)
        return EngineStatus::Failure("audio channel layout", AVERROR(ENOMEM));
    const bool same = inRate_ == frame.sample_rate && inFormat_ == frame.format &&
                      av_channel_layout_compare(&layout, &inLayout_) == 0;
    if (same) {
        av_channel_layout_uninit(&layout);
        return {};
    }
    av_channel_layout_uninit(&inLayout_);
    inLayout_ = layout;
    inRate_ = frame.sample_rate;
    inFormat_ = frame.format;
    AVCodecContext *c = encoder_.get();
    // Today's decoders mostly give planar float; only an exact match may skip conversion.
    resample_ = inRate_ != c->sample_rate || inFormat_ != c->sample_fmt ||
                av_channel_layout_compare(&inLayout_, &c->ch_layout) != 0;
    resampler_.reset();
    if (!resample_)
        return {};
    SwrContext *raw = nullptr;
    int ret = swr_alloc_set_opts2(&raw, &c->ch_layout, c->sample_fmt, c->sample_rate, &inLayout_,
                                  static_cast<AVSampleFormat>(inFormat_), inRate_, 0, nullptr);
    resampler_.reset(raw);
    if (ret < 0)
        return EngineStatus::Failure("cannot set up the resampler", ret);
    av_opt_set_int(raw, "filter_size", 16, 0);
    av_opt_set_int(raw, "phase_shift", 10, 0);
    av_opt_set_int(raw, "linear_interp", 0, 0);
    av_opt_set_double(raw, "cutoff", 0.8, 0);
    // The standard 5.1 downmix adds the centre and the surrounds to the fronts at up to 2.4x
    // full scale; normalising the matrix keeps every mix of full-scale channels within range.
    av_opt_set_double(raw, "rematrix_maxval", 1.0, 0);
    ret = swr_init(raw);
    if (ret < 0)
        return EngineStatus::Failure("cannot set up the resampler", ret);
    return {};
}

bool AudioEncoder::EnsureScratch(int samples)
{
    if (scratch_->data[0] && scratch_->nb_samples >= samples)
        return true;
    av_frame_unref(scratch_.get());
    scratch_->format = encoder_->sample_fmt;
    scratch_->nb_samples = std::max(samples, frameSize_);
    scratch_->sample_rate = encoder_->sample_rate;
    if (av_channel_layout_copy(&scratch_->ch_layout, &encoder_->ch_layout) < 0)
        return false;
    return av_frame_get_buffer(scratch_.get(), 0) >= 0;
}

EngineStatus AudioEncoder::Push(const AVFrame &frame, double seconds, OutputFile &output)
{
    if (full() || frame.nb_samples <= 0)
        return {};
    EngineStatus status = EnsureResampler(frame);
    if (!status.ok())
        return status;

    int skip = 0;
    if (!std::isnan(seconds)) {
        if (seconds < 0)
            skip = static_cast<int>(std::min<double>(frame.nb_samples, std::llround(-seconds * frame.sample_rate)));
        else if (!sourceStarted_ && seconds > kGapTolerance)
            status = QueueSilence(std::llround(seconds * encoder_->sample_rate), output);
    }
    if (skip >= frame.nb_samples)
        return status;
    sourceStarted_ = true;
    const int count = frame.nb_samples - skip;

    const bool planar = av_sample_fmt_is_planar(static_cast<AVSampleFormat>(frame.format));
    const int bytes = av_get_bytes_per_sample(static_cast<AVSampleFormat>(frame.format)) *
                      (planar ? 1 : frame.ch_layout.nb_channels);
    const int planes = planar ? frame.ch_layout.nb_channels : 1;
    std::vector<const std::uint8_t *> inPlanes(static_cast<std::size_t>(planes));
    for (int i = 0; i < planes; ++i)
        inPlanes[static_cast<std::size_t>(i)] = frame.extended_data[i] + static_cast<std::ptrdiff_t>(skip) * bytes;

    EngineStatus queued;
    if (!resample_) {
        queued = Queue(inPlanes.data(), 0, count, output);
    } else {
        const int capacity = swr_get_out_samples(resampler_.get(), count);
        if (capacity < 0 || !EnsureScratch(capacity))
            return EngineStatus::Failure("cannot allocate the resampler output", AVERROR(ENOMEM));
        const int got = swr_convert(resampler_.get(), scratch_->extended_data, capacity, inPlanes.data(), count);
        if (got < 0)
            return EngineStatus::Failure("resampling", got);
        queued = Queue(scratch_->extended_data, 0, got, output);
    }
    return !status.ok() ? status : queued;
}

EngineStatus AudioEncoder::QueueSilence(std::int64_t count, OutputFile &output)
{
    EngineStatus first;
    while (count > 0 && !full()) {
        const int n = static_cast<int>(std::min<std::int64_t>(count, frameSize_));
        if (!EnsureScratch(n))
            return EngineStatus::Failure("cannot allocate silence", AVERROR(ENOMEM));
        av_samples_set_silence(scratch_->extended_data, 0, n, encoder_->ch_layout.nb_channels, encoder_->sample_fmt);
        EngineStatus s = Queue(scratch_->extended_data, 0, n, output);
        if (first.ok() && !s.ok())
            first = s;
        count -= n;
    }
    return first;
}

EngineStatus AudioEncoder::Queue(const std::uint8_t *const *data, int offset, int count, OutputFile &output)
{
    const std::int64_t room = sourceLimit_ - sourceSamples_;
    count = static_cast<int>(std::min<std::int64_t>(count, room));
    if (count <= 0)
        return {};
    const bool planar = av_sample_fmt_is_planar(encoder_->sample_fmt);
    const int channels = encoder_->ch_layout.nb_channels;
    const int bytes = av_get_bytes_per_sample(encoder_->sample_fmt) * (planar ? 1 : channels);
    std::vector<void *> planes(static_cast<std::size_t>(planar ? channels : 1));
    for (std::size_t i = 0; i < planes.size(); ++i)
        planes[i] = const_cast<std::uint8_t *>(data[i]) + static_cast<std::ptrdiff_t>(offset) * bytes;
    const int written = av_audio_fifo_write(fifo_.get(), planes.data(), count);
    if (written < count)
        return EngineStatus::Failure("audio FIFO", written < 0 ? written : AVERROR(ENOMEM));
    samplesQueued_ += count;
    sourceSamples_ += count;
    return EncodeFrames(frameSize_, output);
}

EngineStatus AudioEncoder::EncodeFrames(int minimum, OutputFile &output)
{
    EngineStatus first;
    while (av_audio_fifo_size(fifo_.get()) >= minimum && av_audio_fifo_size(fifo_.get()) > 0) {
        EngineStatus s = SendFrame(std::min(av_audio_fifo_size(fifo_.get()), frameSize_), output);
        if (first.ok() && !s.ok())
            first = s;
    }
    return first;
}

EngineStatus AudioEncoder::SendFrame(int samples, OutputFile &output)
{
    AVCodecContext *c = encoder_.get();
    const bool anyLength = (c->codec->capabilities & (AV_CODEC_CAP_VARIABLE_FRAME_SIZE | AV_CODEC_CAP_SMALL_LAST_FRAME)) ||
                           c->frame_size <= 1;
    // An encoder that needs whole frames gets its last one filled up with silence.
    const int frameSamples = anyLength ? samples : frameSize_;
    av_frame_unref(frame_.get());
    frame_->format = c->sample_fmt;
    frame_->nb_samples = frameSamples;
    frame_->sample_rate = c->sample_rate;
    int ret = av_channel_layout_copy(&frame_->ch_layout, &c->ch_layout);
    if (ret >= 0)
        ret = av_frame_get_buffer(frame_.get(), 0);
    if (ret < 0)
        return EngineStatus::Failure("cannot allocate an audio frame", ret);
    if (av_audio_fifo_read(fifo_.get(), reinterpret_cast<void **>(frame_->extended_data), samples) < samples)
        return EngineStatus::Failure("audio FIFO read");
    if (frameSamples > samples)
        av_samples_set_silence(frame_->extended_data, samples, frameSamples - samples, c->ch_layout.nb_channels,
                               c->sample_fmt);
    frame_->pts = nextPts_;
    nextPts_ += frameSamples;
    ret = avcodec_send_frame(c, frame_.get());
    if (ret < 0)
        return EngineStatus::Failure("audio encoding", ret);
    return WritePackets(output);
}

EngineStatus AudioEncoder::WritePackets(OutputFile &output)
{
    EngineStatus first;
    for (;;) {
        int ret = avcodec_receive_packet(encoder_.get(), packet_.get());
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF)
            return first;
        if (ret < 0)
            return EngineStatus::Failure("audio encoding", ret);
        if (packet_->duration <= 0)
            packet_->duration = frameSize_;
        packet_->stream_index = stream_->index;
        ret = output.WritePacket(packet_.get(), encoder_->time_base);
        av_packet_unref(packet_.get());
        if (ret < 0 && first.ok())
            first = EngineStatus::Failure("cannot write an audio packet", ret);
    }
}

EngineStatus AudioEncoder::EndSource(OutputFile &output)
{
    if (!resampler_)
        return {};
    const int capacity = swr_get_out_samples(resampler_.get(), 0);
    if (capacity <= 0)
        return {};
    if (!EnsureScratch(capacity))
        return EngineStatus::Failure("cannot allocate the resampler output", AVERROR(ENOMEM));
    const int got = swr_convert(resampler_.get(), scratch_->extended_data, capacity, nullptr, 0);
    if (got < 0)
        return EngineStatus::Failure("resampling", got);
    return Queue(scratch_->extended_data, 0, got, output);
}

EngineStatus AudioEncoder::PadTo(double seconds, OutputFile &output)
{
    if (!encoder_)
        return {};
    const std::int64_t target = std::llround(seconds * encoder_->sample_rate);
    return target > samplesQueued_ ? QueueSilence(target - samplesQueued_, output) : EngineStatus{};
}

EngineStatus AudioEncoder::Finish(OutputFile &output)
{
    EngineStatus first = EncodeFrames(1, output);
    int ret = avcodec_send_frame(encoder_.get(), nullptr);
    if (ret < 0 && ret != AVERROR_EOF)
        return EngineStatus::Failure("audio encoder drain", ret);
    EngineStatus s = WritePackets(output);
    return first.ok() ? s : first;
}

} // namespace zentrova
