// The single-file conversion worker: every row of the batch becomes its own output file.
#pragma once

namespace zentrova {

class AVConvert;

// Thread body of a conversion run. Walks rows 0 .. TaskCount-1 of `job`, publishing
// CurrentTask, Progress and TaskStatus; a stop request finishes the file in progress (playable,
// its status stays 0xFF) and starts no further row.
void ConvertWorker(AVConvert &job);

} // namespace zentrova
