// Reading, decoding and timing of one open file.
#include "dialogs/player/PlaybackSession.h"

#include "engine/DisplayRotation.h"
#include "engine/StreamSelection.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

extern "C" {
#include <libavutil/channel_layout.h>
}

namespace zentrova::player {

namespace {
// Read-ahead bound across both streams; a second of a high-rate source stays well inside it.
constexpr std::size_t kMaxReadAheadBytes = 16 * 1024 * 1024;
constexpr auto kIdle = std::chrono::milliseconds(10);

int Interrupted(void *quit)
{
    return static_cast<std::atomic<bool> *>(quit)->load() ? 1 : 0;
}

AVFramePtr NewFrame()
{
    return AVFramePtr(av_frame_alloc());
}
} // namespace

PlaybackSession::PlaybackSession(EndNotifier &notifier, const std::atomic<int> &volume)
    : notifier_(notifier), audio_(volume, clock_)
{
}

std::unique_ptr<PlaybackSession> PlaybackSession::Open(const std::string &path, EndNotifier &notifier,
                                                       const std::atomic<int> &volume)
{
    std::unique_ptr<PlaybackSession> session(new PlaybackSession(notifier, volume));
    if (!session->Load(path))
        return nullptr;
    session->StartThreads();
    return session;
}

PlaybackSession::~PlaybackSession()
{
    {
        std::lock_guard lock(m_);
        quit_ = true;
        ticket_ = notifier_.Renew();
    }
    wake_.notify_all();
    videoPackets_.Abort();
    audioPackets_.Abort();
    pictures_.Abort();
    audio_.Abort();
    for (std::thread *t : {&reader_, &videoDecoder_, &audioDecoder_})
        if (t->joinable())
            t->join();
    audio_.Close();
}

AVCodecContextPtr PlaybackSession::OpenDecoder(int stream) const
{
    const AVStream *s = format_->streams[stream];
    const AVCodec *decoder = avcodec_find_decoder(s->codecpar->codec_id);
    if (!decoder)
        return {};
    AVCodecContextPtr codec(avcodec_alloc_context3(decoder));
    if (!codec || avcodec_parameters_to_context(codec.get(), s->codecpar) < 0)
        return {};
    codec->pkt_timebase = s->time_base;
    codec->thread_count = 0;
    if (avcodec_open2(codec.get(), decoder, nullptr) < 0)
        return {};
    return codec;
}

bool PlaybackSession::Load(const std::string &path)
{
    AVIOInterruptCB interrupt{&Interrupted, &quit_};
    // "file:" keeps a name with a colon from being taken for another protocol.
    if (OpenInput(format_, "file:" + path, &interrupt) < 0)
        return false;
    if (avformat_find_stream_info(format_.get(), nullptr) < 0)
        return false;

    // Choosing reads the first seconds of the file; the reader goes back to the start (below).
    const StreamChoice choice = ChooseStreams(*format_, nullptr);
    if (choice.video >= 0) {
        const AVCodecParameters *par = format_->streams[choice.video]->codecpar;
        if (par->width > 0 && par->height > 0 && (videoCodec_ = OpenDecoder(choice.video)))
            videoStream_ = choice.video;
    }
    if (choice.audio >= 0 && (audioCodec_ = OpenDecoder(choice.audio)))
        audioStream_ = choice.audio;
    if (videoStream_ < 0 && audioStream_ < 0)
        return false;

    if (videoStream_ >= 0) {
        AVStream *s = format_->streams[videoStream_];
        const AVRational sar = av_guess_sample_aspect_ratio(format_.get(), s, nullptr);
        // A picture stored sideways is delivered as it is shown.
        turns_ = UprightQuarterTurns(*s);
        frameSize_ = turns_ % 2 ? FitPictureSize(s->codecpar->height, s->codecpar->width, sar.den, sar.num)
                                : FitPictureSize(s->codecpar->width, s->codecpar->height, sar.num, sar.den);
        videoTick_ = av_q2d(s->time_base);
    }
    if (audioStream_ >= 0) {
        audioTick_ = av_q2d(format_->streams[audioStream_]->time_base);
        // Without a device the file still plays, silently, on the wall clock.
        audioPlayed_ = audio_.Open(audioCodec_->sample_rate);
        if (!audioPlayed_)
            audioCodec_.reset();
        clock_.SetAudioDriven(audioPlayed_ && audio_.RealTime());
    }

    if (format_->start_time != AV_NOPTS_VALUE)
        start_ = static_cast<double>(format_->start_time) / AV_TIME_BASE;
    if (format_->duration > 0) {
        duration_ = static_cast<double>(format_->duration) / AV_TIME_BASE;
    } else {
        for (int index : {videoStream_, audioStream_}) {
            if (index < 0)
                continue;
            const AVStream *s = format_->streams[index];
            if (s->duration > 0)
                duration_ = std::max(duration_, static_cast<double>(s->duration) * av_q2d(s->time_base));
        }
    }

    const int serial = serial_.load();
    target_ = start_;
    seekPending_ = true;
    end_ = start_;
    ticket_ = notifier_.Renew();
    clock_.Reset(start_, serial);
    videoPackets_.Flush(serial);
    audioPackets_.Flush(serial);
    pictures_.Flush(serial);
    audio_.Flush(serial);
    return true;
}

void PlaybackSession::StartThreads()
{
    reader_ = std::thread(&PlaybackSession::ReadLoop, this);
    if (videoStream_ >= 0)
        videoDecoder_ = std::thread(&PlaybackSession::VideoLoop, this);
    if (audioPlayed_)
        audioDecoder_ = std::thread(&PlaybackSession::AudioLoop, this);
}

void PlaybackSession::Rewind(double target)
{
    {
        std::lock_guard lock(m_);
        const int serial = serial_.load() + 1;
        serial_ = serial;
        target_ = target;
        seekPending_ = true;
        ended_ = false;
        videoDone_ = audioDone_ = false;
        videoPrimed_ = audioPrimed_ = false;
        end_ = target;
        ticket_ = notifier_.Renew();
        clock_.Reset(target, serial);
        pictures_.Flush(serial);
        audio_.Flush(serial);
    }
    wake_.notify_all();
}

void PlaybackSession::SetPlaying(bool playing)
{
    {
        std::lock_guard lock(m_);
        playing_ = playing;
    }
    clock_.SetPlaying(playing);
    // SDL takes the device's lock here, which its callback holds while taking ours: none held.
    audio_.SetPlaying(playing);
}

void PlaybackSession::Start()
{
    bool ended = false;
    {
        std::lock_guard lock(m_);
        ended = ended_;
    }
    if (ended)
        Rewind(start_);
    SetPlaying(true);
}

void PlaybackSession::Pause()
{
    SetPlaying(false);
}

void PlaybackSession::Stop()
{
    SetPlaying(false);
    Rewind(start_);
}

void PlaybackSession::Seek(double fraction)
{
    if (!(fraction > 0))
        fraction = 0;
    fraction = std::min(fraction, 1.0);
    if (duration_ <= 0 && fraction > 0)
        return;
    Rewind(start_ + fraction * duration_);
}

float PlaybackSession::Position() const
{
    if (duration_ <= 0)
        return 0;
    {
        std::lock_guard lock(m_);
        if (ended_)
            return 1;
    }
    return static_cast<float>(std::clamp((clock_.Now() - start_) / duration_, 0.0, 1.0));
}

double PlaybackSession::SeekTarget(int serial) const
{
    std::lock_guard lock(m_);
    return serial == serial_ ? target_ : HUGE_VAL;
}

void PlaybackSession::Primed(bool video, int serial)
{
    std::lock_guard lock(m_);
    if (serial != serial_)
        return;
    (video ? videoPrimed_ : audioPrimed_) = true;
    if ((videoStream_ < 0 || videoPrimed_) && (!audioPlayed_ || audioPrimed_))
        clock_.Prime(serial);
}

void PlaybackSession::StreamEnded(bool video, int serial)
{
    {
        std::lock_guard lock(m_);
        if (serial != serial_)
            return;
        (video ? videoDone_ : audioDone_) = true;
    }
    // A stream that ends before delivering anything must not hold the clock.
    if (video || audioPlayed_)
        Primed(video, serial);
}

void PlaybackSession::ExtendEnd(double end, int serial)
{
    std::lock_guard lock(m_);
    if (serial == serial_)
        end_ = std::max(end_, end);
}

bool PlaybackSession::CheckEnd(int serial)
{
    std::uint64_t ticket = 0;
    {
        std::lock_guard lock(m_);
        if (serial != serial_ || ended_ || !playing_)
            return false;
        if ((videoStream_ >= 0 && !videoDone_) || (audioStream_ >= 0 && !audioDone_))
            return false;
        if (clock_.Now() < end_)
            return false;
        ended_ = true;
        ticket = ticket_;
    }
    notifier_.Post(ticket);
    return true;
}

void PlaybackSession::IdleUntilWanted(bool eof, int serial)
{
    if (eof)
        CheckEnd(serial);
    std::unique_lock lock(m_);
    wake_.wait_for(lock, kIdle, [&] { return quit_.load() || seekPending_; });
}

void PlaybackSession::ReadLoop()
{
    AVPacketPtr packet(av_packet_alloc());
    if (!packet)
        return;
    int serial = serial_.load();
    bool eof = false;
    const auto readAheadFull = [&] {
        if (videoPackets_.Bytes() + audioPackets_.Bytes() >= kMaxReadAheadBytes)
            return true;
        // With nothing to decode (sound without a device) the file is read through for its length.
        if (videoStream_ < 0 && !audioPlayed_)
            return false;
        return (videoStream_ < 0 || videoPackets_.Full(videoTick_)) &&
               (!audioPlayed_ || audioPackets_.Full(audioTick_));
    };

    while (!quit_) {
        bool seek = false;
        double target = 0;
        {
            std::lock_guard lock(m_);
            if (seekPending_) {
                seekPending_ = false;
                seek = true;
                target = target_;
                serial = serial_.load();
            }
        }
        if (seek) {
            // The key frame at or before the target; the decoders drop what comes before it.
            const auto ts = static_cast<std::int64_t>(std::floor(target * AV_TIME_BASE));
            if (avformat_seek_file(format_.get(), -1, INT64_MIN, ts, ts, 0) < 0)
                av_seek_frame(format_.get(), -1, ts, AVSEEK_FLAG_BACKWARD);
            videoPackets_.Flush(serial);
            audioPackets_.Flush(serial);
            eof = false;
            continue;
        }
        if (eof || readAheadFull()) {
            IdleUntilWanted(eof, serial);
            continue;
        }

        const int ret = av_read_frame(format_.get(), packet.get());
        if (ret == AVERROR(EAGAIN)) {
            std::this_thread::sleep_for(kIdle);
            continue;
        }
        if (ret < 0) {
            // The end of the file, or a read error: what was read plays to its end.
            if (videoStream_ >= 0)
                videoPackets_.Push(nullptr, serial);
            if (audioPlayed_)
                audioPackets_.Push(nullptr, serial);
            else if (audioStream_ >= 0)
                StreamEnded(false, serial);
            eof = true;
            continue;
        }

        const int index = packet->stream_index;
        if (index == videoStream_ || (index == audioStream_ && audioPlayed_)) {
            AVPacketPtr queued(av_packet_alloc());
            if (queued) {
                av_packet_move_ref(queued.get(), packet.get());
                (index == videoStream_ ? videoPackets_ : audioPackets_).Push(std::move(queued), serial);
            }
        } else if (index == audioStream_ && packet->pts != AV_NOPTS_VALUE) {
            ExtendEnd(static_cast<double>(packet->pts + packet->duration) * audioTick_, serial);
        }
        av_packet_unref(packet.get());
    }
}

void PlaybackSession::VideoLoop()
{
    AVFramePtr frame = NewFrame();
    if (!frame)
        return;
    AVCodecContext *codec = videoCodec_.get();
    const AVStream *stream = format_->streams[videoStream_];
    const AVRational rate = av_guess_frame_rate(format_.get(), const_cast<AVStream *>(stream), nullptr);
    const double frameSeconds = rate.num > 0 && rate.den > 0 ? av_q2d(av_inv_q(rate)) : 0.04;
    int decoderSerial = 0;
    double target = 0;
    double nextPts = 0;

    PacketQueue::Item item;
    while (videoPackets_.Pop(item)) {
        if (item.serial != decoderSerial) {
            avcodec_flush_buffers(codec);
            decoderSerial = item.serial;
            target = SeekTarget(decoderSerial);
            nextPts = target;
        }
        if (decoderSerial != serial_.load())
            continue;
        // A packet the decoder refuses is skipped; the next key frame recovers.
        if (avcodec_send_packet(codec, item.packet.get()) < 0 && item.packet)
            continue;
        for (;;) {
            const int ret = avcodec_receive_frame(codec, frame.get());
            if (ret == AVERROR_EOF)
                StreamEnded(true, decoderSerial);
            if (ret < 0)
                break;
            const std::int64_t ts = frame->best_effort_timestamp;
            const double pts = ts != AV_NOPTS_VALUE ? static_cast<double>(ts) * videoTick_ : nextPts;
            const double seconds =
                frame->pkt_duration > 0 ? static_cast<double>(frame->pkt_duration) * videoTick_ : frameSeconds;
            nextPts = pts + seconds;
            if (nextPts <= target || decoderSerial != serial_.load()) {
                av_frame_unref(frame.get());
                continue;
            }
            ExtendEnd(nextPts, decoderSerial);
            Picture picture{NewFrame(), pts, nextPts, decoderSerial};
            if (!picture.frame) {
                av_frame_unref(frame.get());
                continue;
            }
            av_frame_move_ref(picture.frame.get(), frame.get());
            if (pictures_.Push(std::move(picture), clock_))
                Primed(true, decoderSerial);
        }
    }
}

void PlaybackSession::AudioLoop()
{
    AVFramePtr frame = NewFrame();
    if (!frame)
        return;
    AVCodecContext *codec = audioCodec_.get();
    int decoderSerial = 0;
    double target = 0;
    double nextPts = 0;

    PacketQueue::Item item;
    while (audioPackets_.Pop(item)) {
        if (item.serial != decoderSerial) {
            avcodec_flush_buffers(codec);
            resampler_.reset(); // its delay line holds samples of the old position
            decoderSerial = item.serial;
            target = SeekTarget(decoderSerial);
            nextPts = target;
        }
        if (decoderSerial != serial_.load())
            continue;
        if (avcodec_send_packet(codec, item.packet.get()) < 0 && item.packet)
            continue;
        for (;;) {
            const int ret = avcodec_receive_frame(codec, frame.get());
            if (ret == AVERROR_EOF)
                StreamEnded(false, decoderSerial);
            if (ret < 0)
                break;
            const std::int64_t ts = frame->best_effort_timestamp;
            const double pts = ts != AV_NOPTS_VALUE ? static_cast<double>(ts) * audioTick_ : nextPts;
            if (frame->sample_rate > 0)
                nextPts = pts + static_cast<double>(frame->nb_samples) / frame->sample_rate;
            if (nextPts > target && decoderSerial == serial_.load() && SendAudio(*frame, decoderSerial, target)) {
                ExtendEnd(nextPts, decoderSerial);
                Primed(false, decoderSerial);
            }
            av_frame_unref(frame.get());
        }
    }
}

bool PlaybackSession::SendAudio(const AVFrame &frame, int serial, double target)
{
    const int outRate = audio_.Rate();
    const int outChannels = audio_.Channels();
    const int inChannels = frame.ch_layout.nb_channels;
    if (frame.sample_rate <= 0 || inChannels <= 0 || frame.nb_samples <= 0)
        return false;
    if (!resampler_ || frame.format != resampledFormat_ || frame.sample_rate != resampledRate_ ||
        inChannels != resampledChannels_) {
        resampler_.reset();
        AVChannelLayout outLayout{};
        AVChannelLayout inLayout{};
        av_channel_layout_default(&outLayout, outChannels);
        if (frame.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || av_channel_layout_copy(&inLayout, &frame.ch_layout) < 0)
            av_channel_layout_default(&inLayout, inChannels);
        SwrContext *raw = nullptr;
        const int ret = swr_alloc_set_opts2(&raw, &outLayout, AV_SAMPLE_FMT_S16, outRate, &inLayout,
                                            static_cast<AVSampleFormat>(frame.format), frame.sample_rate, 0, nullptr);
        av_channel_layout_uninit(&outLayout);
        av_channel_layout_uninit(&inLayout);
        resampler_.reset(raw);
        if (ret < 0 || !resampler_ || swr_init(resampler_.get()) < 0) {
            resampler_.reset();
            return false;
        }
        resampledFormat_ = frame.format;
        resampledRate_ = frame.sample_rate;
        resampledChannels_ = inChannels;
    }

    const int capacity = swr_get_out_samples(resampler_.get(), frame.nb_samples);
    if (capacity <= 0)
        return false;
    const std::size_t frameBytes = static_cast<std::size_t>(outChannels) * sizeof(std::int16_t);
    std::vector<std::uint8_t> samples(static_cast<std::size_t>(capacity) * frameBytes);
    std::uint8_t *out = samples.data();
    const int produced = swr_convert(resampler_.get(), &out, capacity,
                                     const_cast<const std::uint8_t **>(frame.extended_data), frame.nb_samples);
    if (produced <= 0)
        return false;
    samples.resize(static_cast<std::size_t>(produced) * frameBytes);

    // The output ends where the input ends, less what the resampler still holds back.
    const double inEnd = static_cast<double>(frame.best_effort_timestamp) * audioTick_ +
                         static_cast<double>(frame.nb_samples) / frame.sample_rate;
    double pts = inEnd - static_cast<double>(swr_get_delay(resampler_.get(), outRate) + produced) / outRate;
    if (frame.best_effort_timestamp == AV_NOPTS_VALUE)
        pts = target;
    if (pts < target) {
        const auto skip = static_cast<std::size_t>(std::llround((target - pts) * outRate));
        if (skip >= static_cast<std::size_t>(produced))
            return false;
        samples.erase(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(skip * frameBytes));
        pts += static_cast<double>(skip) / outRate;
    }
    return audio_.Push(std::move(samples), pts, serial);
}

void PlaybackSession::Frame(std::uint8_t *bgr, int width, int height)
{
    const auto row = static_cast<std::size_t>(width) * 3;
    const bool first = shownSerial_ != serial_.load();
    if (std::optional<Picture> due = pictures_.TakeDue(clock_.Now(), first)) {
        shownSerial_ = due->serial;
        shown_ = std::move(due);
        convertedFresh_ = false;
    }
    if (!shown_ || !ConvertPicture(*shown_->frame, width, height)) {
        std::memset(bgr, 0, row * static_cast<std::size_t>(height));
        return;
    }
    for (int y = 0; y < height; ++y)
        std::memcpy(bgr + static_cast<std::size_t>(y) * row,
                    converted_.data() + static_cast<std::size_t>(height - 1 - y) * row, row);
}

bool PlaybackSession::ConvertPicture(const AVFrame &frame, int width, int height)
{
    if (convertedFresh_ && convertedWidth_ == width && convertedHeight_ == height)
        return true;
    convertedFresh_ = false;
    // A turned picture is scaled as it is stored, then turned.
    const bool sideways = turns_ % 2 == 1;
    const int scaledWidth = sideways ? height : width;
    const int scaledHeight = sideways ? width : height;
    scaler_.reset(sws_getCachedContext(scaler_.release(), frame.width, frame.height,
                                       static_cast<AVPixelFormat>(frame.format), scaledWidth, scaledHeight,
                                       AV_PIX_FMT_BGR24, SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (!scaler_)
        return false;
    const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3;
    std::vector<std::uint8_t> &scaled = turns_ ? unturned_ : converted_;
    scaled.resize(bytes);
    converted_.resize(bytes);
    std::uint8_t *const planes[4] = {scaled.data(), nullptr, nullptr, nullptr};
    const int strides[4] = {scaledWidth * 3, 0, 0, 0};
    if (sws_scale(scaler_.get(), frame.data, frame.linesize, 0, frame.height, planes, strides) <= 0)
        return false;
    if (turns_)
        TurnPixels(unturned_.data(), scaledWidth * 3, scaledWidth, scaledHeight, 3, turns_, converted_.data(), width * 3);
    convertedFresh_ = true;
    convertedWidth_ = width;
    convertedHeight_ = height;
    return true;
}

} // namespace zentrova::player
