// How many threads the picture decoder and the H.264 encoder get while the pipeline's stages
// run side by side.
#pragma once

#include <algorithm>
#include <thread>

namespace zentrova {

// One per core. The stages already keep the cores busy between the codecs' own threads, so
// the libraries' defaults (one more than the cores for a decoder, one and a half times the
// cores for x264) only add pictures in flight, memory and thread switches.
inline int CodecThreads()
{
    return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 16u));
}

} // namespace zentrova
