// How many threads the picture codecs get while the pipeline's stages run side by side, and which
// of those threads yield to the encoder.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <thread>

namespace zentrova {

inline int Cores()
{
    return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 16u));
}

// One more than the cores, as the library would pick, and two more for a source over sixteen
// times the area encoded. With the stages side by side the decoder is the critical path on a
// large source: one thread per core left the second core idle while the decoder waited on its
// own frame threads (1080p: 1.83 cores busy instead of 1.91, about 5 % longer, in paired runs on
// an idle 2-core machine). Once the big pictures were averaged down before scaling, the picture
// stage no longer filled those waits, and a fourth frame thread did: 1080p to 320x240 took 0.95
// and 0.98 of the time in two sets of paired runs (1.88 -> 1.92 cores busy). At 720p (twelve
// times) it gained nothing for an MPEG-2 source and cost a merge of H.264 sources 3 % more CPU.
inline int DecoderThreads(std::int64_t sourceArea, std::int64_t encodedArea)
{
    return Cores() + (encodedArea > 0 && sourceArea > 16 * encodedArea ? 2 : 1);
}

// One more than x264 would take (one and a half per core). Its frame threads wait on each other
// row by row, and the iPod's 320x240 is only fifteen rows of macroblocks: with its own count a
// core stood idle a sixth of the time. A 480p MPEG-4 source to 320x240, paired runs on an idle
// 2-core machine: 5.40 s -> 5.01 s, 1.71 -> 1.81 cores busy; 1080p unchanged; six threads no
// better than four.
inline int H264EncoderThreads()
{
    return Cores() * 3 / 2 + 1;
}

// The stages that feed the picture encoder run ten steps of niceness below it: the sound stage
// when the encoder leaves gaps for it (with the demuxing thread standing in once other programs
// take the cores), a picture decoder's frame threads when the encoder has the larger share of
// the work and no other program wants the cores.
// x264's frame threads wait on each other row by row, so a feeder that takes the core from the
// frame the others are waiting on idles them all; at a lower priority the feeders run in those
// gaps instead, and the queues between the stages leave them room to fall behind for a moment.
// Paired runs on the 2-core machine against the same program without it: 480p MPEG-4 to
// 320x240 0.93 of the time (1.83 -> 1.90 cores busy), 720p MPEG-2 (sound only) 0.97. Five steps
// gained half as much, nineteen nothing. Linux keeps the value per thread, and threads inherit it
// from the thread that starts them.
constexpr int kFeederNiceSteps = 10;

// Whether the sound stage yields to the picture encoder: only to x264 at the iPod's 320x240 or
// less, whose frame threads, fifteen rows of macroblocks tall, leave the gaps described above
// (paired runs: 480p MPEG-4, 720p MPEG-2 and 1080p H.264 to 320x240 1-2 % faster lowered). Every
// other encoder leaves none, and the sound, one thread's work from start to end, was the last
// to finish when lowered: raised, 1080p to 640x480 H.264 took 6 % less time, 720p MPEG-2 to
// 480x320 7 %, and 480p and 1080p to 320x240 MPEG-4 9 % and 3 %.
inline bool SoundYieldsToEncoder(bool h264, std::int64_t encodedArea)
{
    return h264 && encodedArea > 0 && encodedArea <= 320 * 240;
}

// Whether a picture decoder feeds the encoder rather than leads it: its source pictures are at
// most twice the area of those encoded, or at most eight times a small frame's (480x320 or less).
// A 1080p H.264 source (27 times 320x240) decodes on the critical path, and lowering its decoder
// made that conversion 2 % slower; lowered, a 480p MPEG-4 source (4 times) made it 2 % faster
// than lowering the sound stage alone, 720p MPEG-2 to 480x320 3 % and 480p MPEG-4 to the MPEG-4
// profile 2 %. At 640x480 x264's frame threads, thirty rows of macroblocks tall, keep both cores
// busy themselves, and a lowered decoder that is a real part of the work only holds pictures
// back: 1080p H.264 and 720p MPEG-2 to 640x480 H.264 took 8 % longer lowered. One at most twice
// the frame is a small part either way (480p MPEG-4 to 640x480: H.264 the same time, MPEG-4 5 %
// faster lowered).
inline bool DecoderFeedsEncoder(std::int64_t sourceArea, std::int64_t encodedArea)
{
    constexpr std::int64_t kSmallFrame = 480 * 320;
    return encodedArea > 0 &&
           (sourceArea <= 2 * encodedArea || (encodedArea <= kSmallFrame && sourceArea <= 8 * encodedArea));
}

// How many threads of other processes are running or waiting for a core: the kernel's count of
// runnable threads less this process's own, the fewest over a few looks 2 ms apart so that a
// moment's work elsewhere does not count. -1 when /proc cannot tell.
int OtherRunnableThreads();
// Tests stand a fixed answer in for OtherRunnableThreads; nullopt reads the machine again.
void FixOtherRunnableThreads(std::optional<int> count);

// Lowers the calling thread's priority by kFeederNiceSteps (at most to the lowest there is).
// An unprivileged thread cannot raise it again. Failure leaves it as it was.
void LowerToFeederPriority();

// Runs `open` on a short-lived thread at the feeders' priority, so that the threads a codec starts
// while it opens inherit that priority, and returns its result. Runs it on the calling thread if
// no thread can be started.
int OpenAtFeederPriority(const std::function<int()> &open);

} // namespace zentrova
