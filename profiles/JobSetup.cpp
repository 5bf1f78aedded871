// The Convert and Merge commands' filling of the job record.
#include "profiles/JobSetup.h"

#include "engine/AVConvert.h"
#include "profiles/ClipTime.h"
#include "profiles/OutputFolder.h"
#include "profiles/ValueText.h"

namespace zentrova {

namespace {

enum class JobKind { Convert, Merge };

void ApplyEncoderParameters(AVConvert &job, const OutputSettings &s)
{
    job.VideoBitRate = s.VideoBitRate;
    job.OutputHeight = s.Height;
    job.OutputWidth = s.Width;
    // A text the tables do not know leaves the field as it was.
    if (auto rate = FrameRateFromText(s.FrameRate))
        job.FrameRate = *rate;
    job.AudioBitRate = s.AudioBitRate;
    job.Channels = s.Channels;
    job.SampleRate = s.SampleRate;
    if (auto id = VideoCodecIdFromText(s.VideoEncoder))
        job.VideoCodecId = *id;
    if (auto id = AudioCodecIdFromText(s.AudioEncoder))
        job.AudioCodecId = *id;
}

JobSetup FillJob(JobKind kind, AVConvert &job, std::span<const TaskRow> rows, std::string_view profileText,
                 std::string_view folderText, const OutputSettings &settings, const SaveFolderFunction &saveFolder)
{
    JobSetup setup;
    if (rows.empty()) {
        setup.outcome = JobSetupOutcome::NoRows;
        return setup;
    }
    if (rows.size() > static_cast<std::size_t>(AVConvert::kMaxTasks)) {
        setup.outcome = JobSetupOutcome::TooManyRows;
        return setup;
    }

    setup.checkedRows.assign(rows.size(), -1);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].checked) {
            setup.checkedRows[i] = static_cast<int>(i);
            ++setup.checkedCount;
        }
    }
    if (kind == JobKind::Merge && setup.checkedCount < 2) {
        setup.outcome = JobSetupOutcome::TooFewForMerge;
        return setup;
    }
    if (setup.checkedCount == 0) {
        setup.outcome = JobSetupOutcome::NoCheckedRows;
        return setup;
    }

    // The root alone is what the old folder box held when no folder was chosen.
    const std::string folder(folderText);
    if (folder == "/" || folder == "\\") {
        setup.outcome = JobSetupOutcome::SilentFolder;
        return setup;
    }
    if (!EnsureFolderOneLevel(folder)) {
        setup.outcome = JobSetupOutcome::FolderMissing;
        return setup;
    }
    setup.outputFolder = folder;
    if (saveFolder)
        saveFolder(folder);

    const auto taskCount = static_cast<int>(rows.size());
    job.CheckedTaskCount = setup.checkedCount;
    job.TaskCount = taskCount;
    job.SourcePaths.assign(rows.size(), std::string());
    job.OutputPaths.assign(rows.size(), std::string());
    job.Progress.store(-1, std::memory_order_relaxed);
    if (kind == JobKind::Merge)
        job.MergeTotalSeconds = 0;

    const std::string extension = ProfileExtension(profileText);
    const std::string separator = !folder.empty() && folder.back() == '/' ? "" : "/";
    for (std::size_t j = 0; j < rows.size(); ++j) {
        if (setup.checkedRows[j] < 0)
            continue;
        const TaskRow &row = rows[j];
        job.SourcePaths[j] = row.sourcePath;
        const int start = ParseClipTime(row.startText);
        const int end = ParseClipTime(row.endText);
        job.ClipStart[j] = start;
        job.ClipEnd[j] = end;
        if (kind == JobKind::Convert)
            job.ClipDuration[j] = static_cast<double>(end) - start;
        else
            job.MergeTotalSeconds = static_cast<std::int32_t>(job.MergeTotalSeconds + job.ClipEnd[j] - job.ClipStart[j]);

        const auto slash = row.sourcePath.rfind('/');
        const std::string name = slash == std::string::npos ? row.sourcePath : row.sourcePath.substr(slash + 1);
        const auto dot = name.rfind('.');
        if (dot == std::string::npos) {
            setup.outcome = JobSetupOutcome::NameWithoutDot;
            return setup;
        }
        job.VideoEnabled = !settings.AudioOnly;
        job.OutputPaths[j] = folder + separator + name.substr(0, dot) + extension;
        ApplyEncoderParameters(job, settings);
    }

    job.CurrentTask.store(-1, std::memory_order_relaxed);
    job.StopRequested.store(false, std::memory_order_relaxed);
    job.Progress.store(0, std::memory_order_relaxed);
    setup.outcome = JobSetupOutcome::Ready;
    return setup;
}

} // namespace

JobSetup FillConvertJob(AVConvert &job, std::span<const TaskRow> rows, std::string_view profileText,
                        std::string_view folderText, const OutputSettings &settings,
                        const SaveFolderFunction &saveFolder)
{
    return FillJob(JobKind::Convert, job, rows, profileText, folderText, settings, saveFolder);
}

JobSetup FillMergeJob(AVConvert &job, std::span<const TaskRow> rows, std::string_view profileText,
                      std::string_view folderText, const OutputSettings &settings,
                      const SaveFolderFunction &saveFolder)
{
    return FillJob(JobKind::Merge, job, rows, profileText, folderText, settings, saveFolder);
}

std::string_view JobSetupMessage(JobSetupOutcome outcome)
{
    switch (outcome) {
    case JobSetupOutcome::NoRows:
        return "Please add video files!";
    case JobSetupOutcome::NoCheckedRows:
        return "Please select at least one task to convert!";
    case JobSetupOutcome::TooFewForMerge:
        return "Merge is effective when two or more files are chosen!";
    case JobSetupOutcome::TooManyRows:
        return "A run can hold at most 9999 tasks. Please remove some tasks!";
    case JobSetupOutcome::FolderMissing:
        return "The folder that you selected does not exit.Please specify a different folder!";
    case JobSetupOutcome::Ready:
    case JobSetupOutcome::SilentFolder:
    case JobSetupOutcome::NameWithoutDot:
        break;
    }
    return {};
}

} // namespace zentrova
