// Failure values that carry FFmpeg's error text.
#include "EngineStatus.h"

#include "FFmpegPtr.h"

namespace zentrova {

EngineStatus EngineStatus::Failure(const std::string &what, int averror)
{
    return Failure(what + ": " + AVErrorText(averror));
}

} // namespace zentrova
