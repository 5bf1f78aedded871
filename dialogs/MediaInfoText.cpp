// The process-wide media information texts.
#include "MediaInfoText.h"

namespace zentrova {

MediaInfoTexts &MediaInfoText()
{
    static MediaInfoTexts texts;
    return texts;
}

} // namespace zentrova
