// How many threads the picture codecs get while the pipeline's stages run side by side.
#pragma once

#include <algorithm>
#include <functional>
#include <thread>

namespace zentrova {

inline int Cores()
{
    return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 16u));
}

// One more than the cores, as the library would pick. With the stages side by side the decoder
// is the critical path on a large source: one thread per core left the second core idle while
// the decoder waited on its own frame threads (1080p: 1.83 cores busy instead of 1.91, about 5 %
// longer, in paired runs on an idle 2-core machine).
inline int CodecThreads()
{
    return Cores() + 1;
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

// The stages that feed the picture encoder (a picture decoder's frame threads and the sound
// stage) run ten steps of niceness below it. x264's frame threads wait on each other row by row,
// so a feeder that takes the core from the frame the others are waiting on idles them all; at a
// lower priority the feeders run in those gaps instead, and the queues between the stages leave
// them room to fall behind for a moment. Paired runs on the 2-core machine, against the same
// program without it: 480p MPEG-4 to 320x240 0.93 of the time (1.83 -> 1.90 cores busy), 720p
// MPEG-2 0.97, 1080p H.264 and a merge 0.99; five steps gained half as much, nineteen nothing.
// Linux keeps the value per thread, and threads inherit it from the thread that starts them.
constexpr int kFeederNiceSteps = 10;

// Lowers the calling thread's priority by kFeederNiceSteps (at most to the lowest there is).
// An unprivileged thread cannot raise it again. Failure leaves it as it was.
void LowerToFeederPriority();

// Runs `open` on a short-lived thread at the feeders' priority, so that the threads a codec starts
// while it opens inherit that priority, and returns its result. Runs it on the calling thread if
// no thread can be started.
int OpenAtFeederPriority(const std::function<int()> &open);

} // namespace zentrova
