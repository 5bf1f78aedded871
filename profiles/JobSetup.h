// Filling the job record for a run from the task rows, the profile, the folder and the settings:
// what the Convert command (and the command line) do before starting a worker.
#pragma once

#include "profiles/OutputSettings.h"

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zentrova {

class AVConvert;

// One task-list row as the commands read it.
struct TaskRow {
    std::string sourcePath;
    std::string startText;  // HH:MM:SS
    std::string endText;    // HH:MM:SS
    bool checked = false;
};

enum class JobSetupOutcome {
    Ready,            // the job record is filled; start the worker
    NoRows,           // "Please add video files!"
    NoCheckedRows,    // "Please select at least one task to convert!"
    TooFewForMerge,   // "Merge is effective when two or more files are chosen!"
    TooManyRows,      // more rows than a job record holds
    SilentFolder,     // the folder text is the bare root: nothing happens, no message
    FolderMissing,    // "The folder that you selected does not exit.Please specify a different folder!"
    NameWithoutDot,   // a checked source's file name has no ".": nothing starts, no message
};

struct JobSetup {
    JobSetupOutcome outcome = JobSetupOutcome::NoRows;
    // Entry i is i when row i was checked, -1 otherwise (filled from the row check on).
    std::vector<int> checkedRows;
    int checkedCount = 0;
    // The output folder, once the folder step has passed.
    std::string outputFolder;
};

// Stores the folder as the remembered output folder; its result is not looked at.
using SaveFolderFunction = std::function<void(const std::string &folder)>;

// The Convert command's filling of `job`, in the command's order: row checks, output folder
// (created one level deep, then saved), per checked row the paths and clip range, the encoder
// parameters, and the run's counters. On any outcome but Ready no worker may start; what was
// written before that point stays in `job`.
JobSetup FillConvertJob(AVConvert &job, std::span<const TaskRow> rows, std::string_view profileText,
                        std::string_view folderText, const OutputSettings &settings,
                        const SaveFolderFunction &saveFolder);

// The Merge command's filling: as FillConvertJob, but at least two rows must be checked, and
// MergeTotalSeconds (the truncated running sum of the clip lengths) is filled instead of ClipDuration.
JobSetup FillMergeJob(AVConvert &job, std::span<const TaskRow> rows, std::string_view profileText,
                      std::string_view folderText, const OutputSettings &settings,
                      const SaveFolderFunction &saveFolder);

// The message the user is shown for `outcome`; empty for Ready and for the silent outcomes.
std::string_view JobSetupMessage(JobSetupOutcome outcome);

} // namespace zentrova
