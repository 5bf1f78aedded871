// The batch loop of a conversion run.
#include "ConvertWorker.h"

#include "AVConvert.h"
#include "OutputFile.h"
#include "PreviewOutput.h"
#include "TranscodeTask.h"

extern "C" {
#include <libavutil/log.h>
}

namespace zentrova {

namespace {

void LogFailure(const AVConvert &job, int row, const EngineStatus &status)
{
    av_log(nullptr, AV_LOG_ERROR, "%s: %s\n", job.SourcePaths[static_cast<std::size_t>(row)].c_str(),
           status.what().c_str());
}

// Converts one row; returns its status (kTaskNotFinished when a stop cut it short).
std::uint8_t ConvertRow(AVConvert &job, int row, PreviewOutput &preview)
{
    const auto index = static_cast<std::size_t>(row);
    job.Progress.store(-1, std::memory_order_relaxed);
    job.OddFrameRate = false;

    // An unchecked row has no source: it fails, as the poller expects, but it is no error to report.
    if (job.SourcePaths[index].empty())
        return kTaskFailed;
    TranscodeTask task(job, row, ConvertRules(), preview);
    EngineStatus s = task.OpenSource();
    if (!s.ok()) {
        if (job.StopRequested.load(std::memory_order_relaxed))
            return kTaskNotFinished;
        LogFailure(job, row, s);
        return kTaskFailed;
    }

    OutputFile output;
    s = output.Create(job.OutputPaths[index]);
    if (s.ok())
        s = task.CreateOutputStreams(output);
    if (s.ok()) {
        output.CopyMetadata(task.input().format());
        s = output.Open(job.UniqueSuffix);
        if (output.isOpen())
            job.OutputPaths[index] = output.path();
    }
    if (!s.ok()) {
        LogFailure(job, row, s);
        output.Discard();
        return kTaskFailed;
    }

    preview.Start();
    const EngineStatus run = task.Run(output);
    const EngineStatus drained = task.Finish(output);
    const EngineStatus trailer = output.Finish();
    preview.Stop();
    if (trailer.ok())
        job.Progress.store(100, std::memory_order_relaxed);

    for (const EngineStatus *step : {&run, &drained, &trailer}) {
        if (!step->ok()) {
            LogFailure(job, row, *step);
            // A failed row leaves nothing that could pass for its result.
            output.Discard();
            return kTaskFailed;
        }
    }
    if (task.audioWriteFailed()) {
        output.Discard();
        return kTaskFailed;
    }
    return task.stopped() || job.StopRequested.load(std::memory_order_relaxed) ? kTaskNotFinished : kTaskCompleted;
}

} // namespace

void ConvertWorker(AVConvert &job)
{
    const int count = std::min(job.TaskCount, AVConvert::kMaxTasks);
    for (int row = 0; row < count; ++row)
        job.TaskStatus[static_cast<std::size_t>(row)].store(kTaskNotFinished, std::memory_order_relaxed);
    job.CurrentTask.store(0, std::memory_order_release);
    if (count <= 0)
        return;

    PreviewOutput preview(job.Preview);
    for (int row = 0; row < count; ++row) {
        if (job.StopRequested.load(std::memory_order_relaxed))
            break;
        const std::uint8_t status = ConvertRow(job, row, preview);
        job.TaskStatus[static_cast<std::size_t>(row)].store(status, std::memory_order_relaxed);
        // Release: a reader who sees the new count also sees this row's final output path.
        job.CurrentTask.store(row + 1, std::memory_order_release);
    }
}

} // namespace zentrova
