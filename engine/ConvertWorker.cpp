// The batch loop of a conversion run.
#include "engine/ConvertWorker.h"

#include "engine/AVConvert.h"
#include "engine/OutputFile.h"
#include "engine/PreviewOutput.h"
#include "engine/TranscodeTask.h"

#include <algorithm>
#include <string>

extern "C" {
#include <libavutil/log.h>
}

namespace zentrova {

namespace {

struct RowResult {
    std::uint8_t status = kTaskCompleted;
    std::string reason;
};

RowResult Failed(const AVConvert &job, int row, const EngineStatus &status)
{
    av_log(nullptr, AV_LOG_ERROR, "%s: %s\n", job.SourcePaths[static_cast<std::size_t>(row)].c_str(),
           status.what().c_str());
    return {kTaskFailed, status.what()};
}

// Converts one row; its status is kTaskNotFinished when a stop cut it short.
RowResult ConvertRow(AVConvert &job, int row, PreviewOutput &preview)
{
    const auto index = static_cast<std::size_t>(row);
    job.Progress.store(-1, std::memory_order_relaxed);

    // An unchecked row has no source: it fails, as the poller expects, but it is no error to report.
    if (job.SourcePaths[index].empty())
        return {kTaskFailed, {}};
    TranscodeTask task(job, row, ConvertRules(), preview);
    EngineStatus s = task.OpenSource();
    if (!s.ok()) {
        if (job.StopRequested.load(std::memory_order_relaxed))
            return {kTaskNotFinished, {}};
        return Failed(job, row, s);
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
        output.Discard();
        return Failed(job, row, s);
    }

    preview.Start();
    const EngineStatus run = task.Run(output);
    const EngineStatus drained = task.Finish(output);
    const EngineStatus trailer = output.Finish();
    preview.Stop();
    const bool stopped = task.stopped() || job.StopRequested.load(std::memory_order_relaxed);

    EngineStatus whole;
    if (stopped) {
        // A stop before the first packet leaves nothing worth keeping.
        if (output.packetsWritten() == 0)
            output.Discard();
    } else {
        whole = task.CheckWhole();
        if (whole.ok())
            whole = output.CheckEveryStreamWritten();
    }
    if (trailer.ok())
        job.Progress.store(100, std::memory_order_relaxed);

    const EngineStatus *steps[] = {&run, &drained, &trailer, &task.audioFailure(), &whole};
    for (const EngineStatus *step : steps) {
        if (!step->ok()) {
            // A failed row leaves nothing that could pass for its result.
            output.Discard();
            return Failed(job, row, *step);
        }
    }
    return {stopped ? kTaskNotFinished : kTaskCompleted, {}};
}

} // namespace

void ConvertWorker(AVConvert &job)
{
    const int count = std::min(job.TaskCount, AVConvert::kMaxTasks);
    for (int row = 0; row < count; ++row)
        job.TaskStatus[static_cast<std::size_t>(row)].store(kTaskNotFinished, std::memory_order_relaxed);
    job.FailureReasons.assign(static_cast<std::size_t>(std::max(count, 0)), std::string());
    job.CurrentTask.store(0, std::memory_order_release);
    if (count <= 0)
        return;

    PreviewOutput preview(job.Preview);
    for (int row = 0; row < count; ++row) {
        if (job.StopRequested.load(std::memory_order_relaxed))
            break;
        RowResult result = ConvertRow(job, row, preview);
        job.FailureReasons[static_cast<std::size_t>(row)] = std::move(result.reason);
        job.TaskStatus[static_cast<std::size_t>(row)].store(result.status, std::memory_order_release);
        // Release: a reader who sees the new count also sees this row's final output path and reason.
        job.CurrentTask.store(row + 1, std::memory_order_release);
    }
}

} // namespace zentrova
