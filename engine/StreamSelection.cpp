// Stream choice shared by the probe and the workers, so both see the same source.
#include "StreamSelection.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace zentrova {

StreamChoice ChooseStreams(const AVFormatContext &input)
{
    StreamChoice choice;
    for (unsigned i = 0; i < input.nb_streams; ++i) {
        const AVStream *s = input.streams[i];
        switch (s->codecpar->codec_type) {
        case AVMEDIA_TYPE_VIDEO:
            if (!(s->disposition & AV_DISPOSITION_ATTACHED_PIC))
                choice.video = static_cast<int>(i);
            break;
        case AVMEDIA_TYPE_AUDIO:
            choice.audio = static_cast<int>(i);
            break;
        default:
            break;
        }
    }
    return choice;
}

} // namespace zentrova
