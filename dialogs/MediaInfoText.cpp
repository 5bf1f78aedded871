// The process-wide media information texts.
#include "dialogs/MediaInfoText.h"

namespace zentrova {

MediaInfoTexts &MediaInfoText()
{
    static MediaInfoTexts texts;
    return texts;
}

} // namespace zentrova
