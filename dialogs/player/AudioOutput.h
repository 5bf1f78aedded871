// The sound device of the open file: decoded samples wait here until the device asks for them.
#pragma once

#include "dialogs/player/PlaybackClock.h"

#include <SDL.h>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

namespace zentrova::player {

class AudioOutput {
public:
    // `volume` (0..65535) is read on every buffer the device asks for.
    AudioOutput(const std::atomic<int> &volume, PlaybackClock &clock) : volume_(volume), clock_(clock) {}
    ~AudioOutput();
    AudioOutput(const AudioOutput &) = delete;
    AudioOutput &operator=(const AudioOutput &) = delete;

    // Opens the default device for signed 16-bit samples near `rate`, paused. False when there is
    // no device (no sound server, no driver): the caller then plays silently.
    bool Open(int rate);
    void Close();

    int Rate() const { return spec_.freq; }
    int Channels() const { return spec_.channels; }
    // Whether the device consumes samples at the pace they are heard. SDL's dummy driver sleeps
    // whole milliseconds per buffer and runs about 1% fast; the disk driver writes a file.
    bool RealTime() const { return realTime_; }

    void SetPlaying(bool playing);
    // Interleaved samples in the device's format starting at `pts`. Waits while a quarter of a
    // second is queued; false when aborted or when `serial` is no longer current.
    bool Push(std::vector<std::uint8_t> samples, double pts, int serial);
    void Flush(int serial);
    void Abort();

private:
    struct Chunk {
        std::vector<std::uint8_t> data;
        std::size_t offset = 0;
        double pts = 0;
    };

    static void SDLCALL Callback(void *self, Uint8 *stream, int len);
    void Fill(Uint8 *stream, std::size_t len);
    double BytesPerSecond() const;

    const std::atomic<int> &volume_;
    PlaybackClock &clock_;
    bool subsystem_ = false;
    SDL_AudioDeviceID device_ = 0;
    SDL_AudioSpec spec_{};
    bool realTime_ = false;

    std::mutex m_;
    std::condition_variable cv_;
    std::deque<Chunk> chunks_;
    std::size_t bytes_ = 0;
    int serial_ = 0;
    bool abort_ = false;
};

} // namespace zentrova::player
