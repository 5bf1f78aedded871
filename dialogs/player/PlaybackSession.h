// One open file and the threads that play it: a reader, and a decoder per played stream.
#pragma once

#include "dialogs/player/AudioOutput.h"
#include "dialogs/player/EndNotifier.h"
#include "dialogs/player/PacketQueue.h"
#include "dialogs/player/PictureQueue.h"
#include "dialogs/player/PictureSize.h"
#include "dialogs/player/PlaybackClock.h"
#include "engine/FFmpegPtr.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace zentrova::player {

// Every serial (open, seek, stop) starts with the reader seeking to its target; packets, pictures
// and samples of older serials are dropped wherever they are met. Member functions other than the
// threads' are called on one thread (the player's caller).
class PlaybackSession {
public:
    // Null when the file cannot be read or has neither a picture nor sound. Stopped at the start.
    static std::unique_ptr<PlaybackSession> Open(const std::string &path, EndNotifier &notifier,
                                                 const std::atomic<int> &volume);
    ~PlaybackSession();
    PlaybackSession(const PlaybackSession &) = delete;
    PlaybackSession &operator=(const PlaybackSession &) = delete;

    bool HasVideo() const { return videoStream_ >= 0; }
    bool HasAudio() const { return audioStream_ >= 0; }
    PictureSize FrameSize() const { return frameSize_; }
    double Duration() const { return duration_; }

    void Start();
    void Pause();
    void Stop();
    float Position() const;
    void Seek(double fraction);
    // Fills `bgr` (bottom row first) with the picture due now; black before the first picture.
    void Frame(std::uint8_t *bgr, int width, int height);

private:
    PlaybackSession(EndNotifier &notifier, const std::atomic<int> &volume);
    bool Load(const std::string &path);
    AVCodecContextPtr OpenDecoder(int stream) const;
    void StartThreads();

    // Begins a new serial at `target`; the reader seeks there.
    void Rewind(double target);
    void SetPlaying(bool playing);

    void ReadLoop();
    void VideoLoop();
    void AudioLoop();
    // Waits while enough is read ahead; checks for the end of playback meanwhile.
    void IdleUntilWanted(bool eof, int serial);
    bool CheckEnd(int serial);

    double SeekTarget(int serial) const;
    void StreamEnded(bool video, int serial);
    void Primed(bool video, int serial);
    void ExtendEnd(double end, int serial);

    bool SendAudio(const AVFrame &frame, int serial, double target);
    bool ConvertPicture(const AVFrame &frame, int width, int height);

    EndNotifier &notifier_;
    PlaybackClock clock_;
    AudioOutput audio_;
    std::atomic<bool> quit_{false};

    AVFormatContextPtr format_;
    int videoStream_ = -1;
    int audioStream_ = -1;
    bool audioPlayed_ = false; // decoded and sent to a device; otherwise only its length counts
    AVCodecContextPtr videoCodec_;
    AVCodecContextPtr audioCodec_;
    SwrContextPtr resampler_; // audio decoder thread only, with the input it was made for
    int resampledFormat_ = -1;
    int resampledRate_ = 0;
    int resampledChannels_ = 0;
    PictureSize frameSize_;
    double start_ = 0;
    double duration_ = 0;
    double videoTick_ = 0;
    double audioTick_ = 0;

    PacketQueue videoPackets_;
    PacketQueue audioPackets_;
    PictureQueue pictures_{4};

    // State of the current serial, shared by the caller and the threads.
    mutable std::mutex m_;
    std::condition_variable wake_;
    std::atomic<int> serial_{1};
    double target_ = 0;
    bool seekPending_ = false;
    bool playing_ = false;
    bool ended_ = false;
    bool videoDone_ = false;
    bool audioDone_ = false;
    bool videoPrimed_ = false;
    bool audioPrimed_ = false;
    double end_ = 0;
    std::uint64_t ticket_ = 0;

    // Caller's side of the picture: the one shown and its conversion.
    std::optional<Picture> shown_;
    int shownSerial_ = 0;
    SwsContextPtr scaler_;
    std::vector<std::uint8_t> converted_;
    std::vector<std::uint8_t> unturned_;  // a turned source's picture before it is turned
    int turns_ = 0;                       // clockwise quarter turns that stand its pictures upright
    int convertedWidth_ = 0;
    int convertedHeight_ = 0;
    bool convertedFresh_ = false;

    std::thread reader_;
    std::thread videoDecoder_;
    std::thread audioDecoder_;
};

} // namespace zentrova::player
