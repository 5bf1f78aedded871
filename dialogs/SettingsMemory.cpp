// The settings dialog's process-wide memory.
#include "dialogs/SettingsMemory.h"

namespace zentrova {

SettingsMemory &ProcessSettingsMemory()
{
    static SettingsMemory memory;
    return memory;
}

void ResetSettingsMemory()
{
    ProcessSettingsMemory() = SettingsMemory{};
}

} // namespace zentrova
