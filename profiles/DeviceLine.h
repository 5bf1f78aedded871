// What the output settings mean for the devices the profiles are made for: the line the settings
// dialog and the command line show.
#pragma once

#include "engine/DeviceTable.h"
#include "profiles/OutputSettings.h"

#include <string>

namespace zentrova {

DeviceVerdict JudgeSettings(const OutputSettings &settings);
// "Plays on: ...", the values lowered, or why nothing plays the file.
std::string DeviceLine(const OutputSettings &settings);

} // namespace zentrova
