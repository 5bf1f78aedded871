// The process's one conversion job record. It is created when the first file is added and
// lives until the process ends; the task list probes with it and runs fill it.
#pragma once

namespace zentrova {

class AVConvert;

// The record, or null before the first file was added.
AVConvert *ConvertEngine();

// The record, created on first use.
AVConvert &EnsureConvertEngine();

} // namespace zentrova
