// Reading a media file's facts back for the device table: what `zentrova-convert --check` and
// the line after each conversion report.
#pragma once

#include "engine/DeviceTable.h"
#include "engine/EngineStatus.h"

#include <string>
#include <vector>

namespace zentrova {

// Opens `path` and reads what the devices care about: codecs, profile, level, references,
// B-frames, frame size and rate, the peak rate over the device buffer, pixel shape, the iPod
// atom, the audio format.
EngineStatus ReadStreamFacts(const std::string &path, StreamFacts &facts);

struct DeviceResult {
    std::string device;
    std::string problem;  // empty: plays
};
std::vector<DeviceResult> CheckDevices(const StreamFacts &facts);

} // namespace zentrova
