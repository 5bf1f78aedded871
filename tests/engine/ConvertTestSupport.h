// Running conversions from tests: a row per source, the job filled as the Convert command does.
#pragma once

#include "engine/AVConvert.h"
#include "profiles/JobSetup.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zentrova::test {

// A checked row for `path` with the clip the task list would show (start 0, end = probed length).
TaskRow RowFor(const std::string &path, const std::string &start = "00:00:00", const std::string &end = "");

// Fills a job for `rows` with the profile at `profileIndex` (settings adjusted by `tweak`)
// into `folder`, and runs the worker on this thread.
std::unique_ptr<AVConvert> ConvertRows(const std::vector<TaskRow> &rows, int profileIndex, const std::string &folder,
                                       const std::function<void(OutputSettings &)> &tweak = {});

// Fills the job only.
std::unique_ptr<AVConvert> FillRows(const std::vector<TaskRow> &rows, int profileIndex, const std::string &folder,
                                    const std::function<void(OutputSettings &)> &tweak = {});

// Fills the job as the Merge command does (the outcome is left to the caller to check).
std::unique_ptr<AVConvert> FillMergeRows(const std::vector<TaskRow> &rows, int profileIndex, const std::string &folder,
                                         const std::function<void(OutputSettings &)> &tweak = {},
                                         JobSetupOutcome *outcome = nullptr);

// Files in `folder`.
std::vector<std::string> FilesIn(const std::string &folder);

// The engine's error lines while it lives; afterwards they go to standard error again.
class EngineErrors {
public:
    EngineErrors();
    ~EngineErrors();
    std::vector<std::string> Lines();

private:
    std::mutex m_mutex;
    std::vector<std::string> m_lines;
};

} // namespace zentrova::test
