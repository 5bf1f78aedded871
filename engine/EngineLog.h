// One route for FFmpeg's log messages, so a conversion's problems can be shown or saved.
#pragma once

#include <functional>
#include <string>

namespace zentrova {

using EngineLogSink = std::function<void(int level, const std::string &line)>;

// Installs the FFmpeg log callback (once) and sends every line at or above `level`
// (an AV_LOG_* value) to `sink`; an empty sink writes to standard error.
void SetEngineLog(int level, EngineLogSink sink = {});

} // namespace zentrova
