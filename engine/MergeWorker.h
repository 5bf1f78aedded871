// The merge worker: the checked rows of a batch become one output file that plays them back to back.
#pragma once

#include <string>

namespace zentrova {

class AVConvert;

// Thread body of a merge run, with ConvertWorker's contract: walks rows 0 .. TaskCount-1 of `job`
// in order, publishing CurrentTask, Progress (against MergeTotalSeconds, over the whole run) and
// TaskStatus. The first row that reaches the output stage creates the file, named after its own
// output path made unique; every later row appends to it. A failing row is left out and the
// merge goes on. A stop request finishes the file with what was merged so far (the row in
// progress keeps 0xFF) and starts no further row. The file is finished before CurrentTask
// reaches TaskCount; a file that cannot be finished, or holds no merged row, is deleted and the
// rows merged into it become failures.
void MergeWorker(AVConvert &job);

// MergeWorker, returning the merged file's path (empty when no row reached the output stage).
std::string MergeRows(AVConvert &job);

} // namespace zentrova
