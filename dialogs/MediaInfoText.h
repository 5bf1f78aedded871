// The media information of the last loaded task: filled by the task list, shown by the
// file-information dialog. One record for the whole process, user-interface thread only.
#pragma once

#include "profiles/MediaInfoFormat.h"

namespace zentrova {

MediaInfoTexts &MediaInfoText();

} // namespace zentrova
