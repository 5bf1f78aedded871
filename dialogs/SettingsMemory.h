// What the settings dialog last accepted: its eight texts, for one profile. The dialog opens on
// the output settings, not on these; they record the last choice made in it.
#pragma once

#include <QString>

#include <array>
#include <cstdint>

namespace zentrova {

// Positions in SavedSettingsText, in the order the dialog stores them.
enum SavedText : int {
    SavedResolution,
    SavedFrameRate,
    SavedVideoBitRate,
    SavedVideoEncoder,
    SavedSampleRate,
    SavedChannels,
    SavedAudioBitRate,
    SavedAudioEncoder,
    SavedTextCount
};

struct SettingsMemory {
    // The profile type the dialog was last accepted for; 0 matches no profile.
    std::int32_t SavedProfileType = 0;
    std::array<QString, SavedTextCount> SavedSettingsText;
};

// The process-wide memory, alive until the program ends and never stored on disk.
// User-interface thread only.
SettingsMemory &ProcessSettingsMemory();

// Forgets the accepted texts, as at start-up. For tests.
void ResetSettingsMemory();

} // namespace zentrova
