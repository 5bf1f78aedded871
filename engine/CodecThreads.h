// How many threads the picture decoder gets while the pipeline's stages run side by side.
#pragma once

#include <algorithm>
#include <thread>

namespace zentrova {

// One per core. The stages already keep the cores busy beside the decoder's own threads, so
// the library's default (one more than the cores) only adds pictures in flight (3 MB each at
// 1080p), memory and thread switches.
inline int CodecThreads()
{
    return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 16u));
}

} // namespace zentrova
