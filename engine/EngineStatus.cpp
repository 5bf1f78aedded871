// Failure values that carry FFmpeg's error text.
#include "engine/EngineStatus.h"

#include "engine/FFmpegPtr.h"

namespace zentrova {

EngineStatus EngineStatus::Failure(const std::string &what, int averror)
{
    return Failure(what + ": " + AVErrorText(averror));
}

} // namespace zentrova
