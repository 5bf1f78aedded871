// What an iPod track record needs from a finished file, and the picture its menus show.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zentrova {

struct MediaFacts {
    bool video = false;
    std::int64_t durationMs = 0;
    int bitRateKbps = 0;
    int sampleRate = 0;
};

// Reads `path`; false with `error` set when it cannot be opened or holds no playable stream.
bool ReadMediaFacts(const std::string &path, MediaFacts &facts, std::string &error);

// The title a track gets: the source's own title tag, else its file name without the extension.
std::string TrackTitle(const std::string &source);

struct RgbPicture {
    int width = 0;
    int height = 0;
    // Packed RGB24 rows of `width * 3` bytes.
    std::vector<std::uint8_t> pixels;
};

// A picture from a tenth of the way into the video of `path`, at most `maxWidth` wide with its
// shape kept; false when the file has no picture to take.
bool GrabPicture(const std::string &path, int maxWidth, RgbPicture &picture);

} // namespace zentrova
