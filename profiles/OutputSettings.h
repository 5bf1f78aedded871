// The current output settings: what the Profile box and the settings dialog choose for the next run.
#pragma once

#include <cstdint>
#include <string>

namespace zentrova {

struct OutputSettings {
    std::int32_t ProfileType = 0;
    bool AudioOnly = false;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::string FrameRate;
    std::int32_t VideoBitRate = 0;
    std::string VideoEncoder;
    std::string AudioEncoder;
    std::int32_t SampleRate = 0;
    std::int32_t Channels = 0;
    std::int32_t AudioBitRate = 0;
};

// The process-wide record, read and written on the user-interface thread only.
OutputSettings &ProcessOutputSettings();

// Loads the selection defaults of the profile at `index` (0-12) into `settings`. Audio-only
// profiles keep the video fields. An index outside the catalogue changes nothing but AudioOnly,
// which is cleared first as for any selection. Returns whether the index named a profile.
bool ApplyProfileSelection(OutputSettings &settings, int index);

} // namespace zentrova
