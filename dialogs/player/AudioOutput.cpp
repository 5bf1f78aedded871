// SDL audio for the player: the device callback only copies ready samples and anchors the clock.
#include "dialogs/player/AudioOutput.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string_view>

namespace zentrova::player {

namespace {
constexpr double kQueuedSeconds = 0.25;
constexpr int kFullVolume = 65535;

void ApplyVolume(std::int16_t *samples, std::size_t count, int volume)
{
    for (std::size_t i = 0; i < count; ++i)
        samples[i] = static_cast<std::int16_t>(static_cast<std::int32_t>(samples[i]) * volume / kFullVolume);
}
} // namespace

AudioOutput::~AudioOutput()
{
    Close();
}

bool AudioOutput::Open(int rate)
{
    Close();
    // The engine's preview shares SDL with us; neither may take the process's signals.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    subsystem_ = true;

    SDL_AudioSpec want{};
    want.freq = rate > 0 ? rate : 48000;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = want.freq > 48000 ? 2048 : 1024;
    want.callback = &AudioOutput::Callback;
    want.userdata = this;
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &spec_,
                                  SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
    if (device_ == 0 || spec_.channels == 0 || spec_.freq <= 0) {
        Close();
        return false;
    }
    const char *driver = SDL_GetCurrentAudioDriver();
    const std::string_view name = driver ? driver : "";
    realTime_ = name != "dummy" && name != "disk";
    return true;
}

void AudioOutput::Close()
{
    // Closing waits for a running callback, so no lock of ours may be held here.
    if (device_ != 0)
        SDL_CloseAudioDevice(device_);
    device_ = 0;
    if (subsystem_)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    subsystem_ = false;
    spec_ = {};
    realTime_ = false;
}

void AudioOutput::SetPlaying(bool playing)
{
    if (device_ != 0)
        SDL_PauseAudioDevice(device_, playing ? 0 : 1);
}

double AudioOutput::BytesPerSecond() const
{
    return static_cast<double>(spec_.freq) * spec_.channels * static_cast<double>(sizeof(std::int16_t));
}

bool AudioOutput::Push(std::vector<std::uint8_t> samples, double pts, int serial)
{
    const auto limit = static_cast<std::size_t>(kQueuedSeconds * BytesPerSecond());
    std::unique_lock lock(m_);
    cv_.wait(lock, [&] { return abort_ || serial != serial_ || bytes_ < limit; });
    if (abort_ || serial != serial_)
        return false;
    bytes_ += samples.size();
    chunks_.push_back({std::move(samples), 0, pts});
    return true;
}

void AudioOutput::Flush(int serial)
{
    {
        std::lock_guard lock(m_);
        chunks_.clear();
        bytes_ = 0;
        serial_ = serial;
    }
    cv_.notify_all();
}

void AudioOutput::Abort()
{
    {
        std::lock_guard lock(m_);
        abort_ = true;
    }
    cv_.notify_all();
}

void SDLCALL AudioOutput::Callback(void *self, Uint8 *stream, int len)
{
    static_cast<AudioOutput *>(self)->Fill(stream, len > 0 ? static_cast<std::size_t>(len) : 0);
}

void AudioOutput::Fill(Uint8 *stream, std::size_t len)
{
    const auto now = std::chrono::steady_clock::now();
    const int volume = std::clamp(volume_.load(), 0, kFullVolume);
    std::size_t written = 0;
    bool heard = false;
    double firstPts = 0;
    int serial = 0;
    {
        std::lock_guard lock(m_);
        serial = serial_;
        while (written < len && !chunks_.empty()) {
            Chunk &chunk = chunks_.front();
            if (written == 0) {
                firstPts = chunk.pts + static_cast<double>(chunk.offset) / BytesPerSecond();
                heard = true;
            }
            const std::size_t n = std::min(len - written, chunk.data.size() - chunk.offset);
            std::memcpy(stream + written, chunk.data.data() + chunk.offset, n);
            written += n;
            chunk.offset += n;
            bytes_ -= n;
            if (chunk.offset == chunk.data.size())
                chunks_.pop_front();
        }
    }
    cv_.notify_all();
    if (volume < kFullVolume)
        ApplyVolume(reinterpret_cast<std::int16_t *>(stream), written / sizeof(std::int16_t), volume);
    // An underrun or the end of the file: silence, and the clock goes on by the wall.
    std::memset(stream + written, 0, len - written);
    if (heard) {
        // This buffer is heard after the one the device is playing now.
        const double playing = static_cast<double>(spec_.samples) / spec_.freq;
        clock_.Anchor(firstPts - playing, now, serial);
    }
}

} // namespace zentrova::player
