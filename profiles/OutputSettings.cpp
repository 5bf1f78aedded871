// The current output settings and the Profile box's selection rule.
#include "profiles/OutputSettings.h"

#include "profiles/ProfileCatalogue.h"

namespace zentrova {

OutputSettings &ProcessOutputSettings()
{
    static OutputSettings settings;
    return settings;
}

bool ApplyProfileSelection(OutputSettings &s, int index)
{
    s.AudioOnly = false;
    const Profile *p = ProfileByIndex(index);
    if (!p)
        return false;
    const SelectionDefaults &d = p->defaults;
    s.ProfileType = p->type;
    if (!p->audioOnly) {
        s.Width = d.width;
        s.Height = d.height;
        s.FrameRate = d.frameRate;
        s.VideoBitRate = d.videoBitRate;
        s.VideoEncoder = d.videoEncoder;
    }
    s.AudioEncoder = d.audioEncoder;
    s.SampleRate = d.sampleRate;
    s.Channels = d.channels;
    s.AudioBitRate = d.audioBitRate;
    s.AudioOnly = p->audioOnly;
    return true;
}

} // namespace zentrova
