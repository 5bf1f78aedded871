// How many threads the picture codecs get while the pipeline's stages run side by side.
#pragma once

#include <algorithm>
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

} // namespace zentrova
