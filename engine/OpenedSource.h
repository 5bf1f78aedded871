// A source the command line has just probed, kept open for its conversion: the conversion then
// starts where the probe stopped instead of reading the stream information and the first seconds
// of the file a second time (on a short sound-only conversion that was a twentieth of the time).
#pragma once

#include "engine/FFmpegPtr.h"
#include "engine/StreamSelection.h"

#include <memory>
#include <optional>
#include <string>

namespace zentrova {

// The interrupt callback a kept source is opened with. FFmpeg copies the callback into the
// file's I/O context when it opens the file, so a source that changes hands keeps this one and
// only its target changes: the new reader sets it before its first read.
struct InterruptRelay {
    AVIOInterruptCB target{};
    AVIOInterruptCB Callback();
};

struct OpenedSource {
    std::unique_ptr<InterruptRelay> relay;  // before `format`, which uses it until it is closed
    AVFormatContextPtr format;              // its stream information read
    StreamChoice streams;
    ReadAhead ahead;                        // the packets read while choosing the streams
};

// Keeps `source`, opened from `path`, for the next TakeOpenedSource; one is kept at a time.
void KeepOpenedSource(const std::string &path, OpenedSource source);
// The kept source when it was opened from `path` and the file has not changed since (same file,
// size and modification time); it is handed out once.
std::optional<OpenedSource> TakeOpenedSource(const std::string &path);
void DropOpenedSource();

} // namespace zentrova
