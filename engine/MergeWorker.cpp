// The batch loop of a merge: one output file, fed by each row in turn through the shared pipeline.
#include "engine/MergeWorker.h"

#include "engine/AVConvert.h"
#include "engine/OutputFile.h"
#include "engine/PreviewOutput.h"
#include "engine/TranscodeTask.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
}

#include <algorithm>
#include <limits>
#include <memory>
#include <optional>

namespace zentrova {

namespace {

// A frame slot that starts this little before the end of a row's sound is not filled.
constexpr double kSlotTolerance = 1e-6;

int StopCallback(void *opaque)
{
    return static_cast<const AVConvert *>(opaque)->StopRequested.load(std::memory_order_relaxed) ? 1 : 0;
}

// Which streams the merged file gets, and what its video encoders are set up from.
struct StreamPlan {
    bool video = false;
    AVRational videoRate{0, 1};
    bool audio = false;
    AVSampleFormat audioFormat = AV_SAMPLE_FMT_NONE;
};

struct RowResult {
    std::uint8_t status = kTaskCompleted;
    std::string reason;
};

class MergeRun {
public:
    explicit MergeRun(AVConvert &job) : job_(job), preview_(job.Preview) {}
    std::string Run();

private:
    RowResult MergeRow(int row);
    RowResult Failed(int row, const EngineStatus &status) const;
    void Publish(int row, RowResult result);
    void FailMergedRows(int upTo, const std::string &reason);
    EngineStatus CreateOutput(int row, const TranscodeTask &task);
    StreamPlan PlanStreams(int row, const TranscodeTask &task) const;
    EngineStatus AlignRowEnd(bool rowPlacedPictures);
    EngineStatus FinishOutput();
    void DropOutput();
    bool StopRequested() const { return job_.StopRequested.load(std::memory_order_relaxed); }

    AVConvert &job_;
    PreviewOutput preview_;
    std::unique_ptr<OutputFile> output_;
    // Declared after the output: the encoders refer to its streams, so they go first.
    // One video encoder serves the whole merge: a fresh one per row would assume the device's
    // buffer three quarters full at every join, whatever the row before left in it, and spend
    // bits the buffer does not hold; each row still starts with a key frame.
    std::optional<VideoEncoder> video_;
    // One audio encoder likewise: a fresh one per row would start each row with its own priming
    // delay, overlapping the end of the row before.
    std::optional<AudioEncoder> audio_;
    TaskCarry carry_;
    bool finished_ = false;
    bool trailerWritten_ = false;
    EngineStatus finishResult_;
    // A row completed, or a stop kept part of one: the file holds something worth keeping.
    bool merged_ = false;
};

RowResult MergeRun::Failed(int row, const EngineStatus &status) const
{
    av_log(nullptr, AV_LOG_ERROR, "%s: %s\n", job_.SourcePaths[static_cast<std::size_t>(row)].c_str(),
           status.what().c_str());
    return {kTaskFailed, status.what()};
}

void MergeRun::Publish(int row, RowResult result)
{
    const auto index = static_cast<std::size_t>(row);
    if (result.status == kTaskFailed)
        job_.FailureReasons[index] = std::move(result.reason);
    job_.TaskStatus[index].store(result.status, std::memory_order_release);
}

// The rows whose data went into a file that is now deleted did not get their result after all.
void MergeRun::FailMergedRows(int upTo, const std::string &reason)
{
    for (int row = 0; row < upTo; ++row) {
        const auto index = static_cast<std::size_t>(row);
        if (job_.TaskStatus[index].load(std::memory_order_relaxed) == kTaskCompleted)
            Publish(row, {kTaskFailed, reason});
    }
}

std::string MergeRun::Run()
{
    const int count = std::min(job_.TaskCount, AVConvert::kMaxTasks);
    for (int row = 0; row < count; ++row)
        job_.TaskStatus[static_cast<std::size_t>(row)].store(kTaskNotFinished, std::memory_order_relaxed);
    job_.FailureReasons.assign(static_cast<std::size_t>(std::max(count, 0)), std::string());
    job_.CurrentTask.store(0, std::memory_order_release);
    if (count <= 0)
        return {};

    // The whole run is measured against the total; without one (clips under a second) progress
    // waits for the end rather than restarting with every row.
    carry_.progressSeconds = job_.MergeTotalSeconds > 0 ? static_cast<double>(job_.MergeTotalSeconds)
                                                         : std::numeric_limits<double>::infinity();
    for (int row = 0; row < count; ++row) {
        if (StopRequested())
            break;
        RowResult result = MergeRow(row);
        // The file is finished before the run is seen to end: whoever waits for the last row
        // (to open the folder or power off) must find it complete.
        if (row + 1 == count || StopRequested()) {
            const EngineStatus finished = FinishOutput();
            if (!finished.ok()) {
                FailMergedRows(row, finished.what());
                if (result.status == kTaskCompleted)
                    result = {kTaskFailed, finished.what()};
            }
        }
        Publish(row, std::move(result));
        job_.CurrentTask.store(row + 1, std::memory_order_release);
    }
    // A stop seen at the start of a row leaves the file of the rows before it to finish here.
    const EngineStatus finished = FinishOutput();
    if (!finished.ok())
        FailMergedRows(count, finished.what());
    return trailerWritten_ ? output_->path() : std::string();
}

RowResult MergeRun::MergeRow(int row)
{
    const auto index = static_cast<std::size_t>(row);
    // An unchecked row has no source: it fails, as the poller expects, but it is no error to report.
    if (job_.SourcePaths[index].empty())
        return {kTaskFailed, {}};
    TranscodeTask task(job_, row, MergeRules(), preview_, carry_);
    EngineStatus s = task.OpenSource();
    if (!s.ok()) {
        if (StopRequested())
            return {kTaskNotFinished, {}};
        return Failed(row, s);
    }

    if (!output_) {
        s = CreateOutput(row, task);
        if (!s.ok()) {
            DropOutput();
            return Failed(row, s);
        }
    } else {
        if (task.usesVideo() && !video_)
            s = EngineStatus::Failure("the merged file has no video stream");
        else if (task.usesAudio() && !audio_)
            s = EngineStatus::Failure("the merged file has no audio stream");
        if (!s.ok())
            return Failed(row, s);
        // A later row's values replace the earlier ones; the muxer writes them with the trailer.
        output_->CopyMetadata(task.input().format());
        // The row's own name is made unique as for a file of its own, but its data joins the
        // merged file: the name is only tested, so no empty file is left behind under it.
        job_.OutputPaths[index] = UniqueOutputPath(job_.OutputPaths[index], job_.UniqueSuffix);
    }

    const std::int64_t ptsBefore = carry_.videoLastPts;
    task.UseEncoders(video_ ? &*video_ : nullptr, audio_ ? &*audio_ : nullptr);
    preview_.Start();
    const EngineStatus run = task.Run(*output_);
    const EngineStatus finished = task.Finish(*output_);
    const bool stopped = task.stopped() || StopRequested();
    carry_.videoLastPts = task.videoLastPts();
    // A row without a picture still fills its time with black so the picture stays on time.
    const EngineStatus aligned = stopped ? EngineStatus{} : AlignRowEnd(carry_.videoLastPts != ptsBefore);
    preview_.Stop();

    const EngineStatus whole = stopped ? EngineStatus{} : task.CheckWhole();
    for (const EngineStatus *step : {&run, &finished, &aligned, &task.audioFailure(), &whole})
        if (!step->ok())
            return Failed(row, *step);
    merged_ = true;
    return {stopped ? kTaskNotFinished : kTaskCompleted, {}};
}

EngineStatus MergeRun::CreateOutput(int row, const TranscodeTask &task)
{
    const auto index = static_cast<std::size_t>(row);
    const StreamPlan plan = PlanStreams(row, task);
    output_ = std::make_unique<OutputFile>();
    EngineStatus s = output_->Create(job_.OutputPaths[index]);
    if (!s.ok())
        return s;
    if (plan.video) {
        AVStream *stream = output_->AddStream();
        if (!stream)
            return EngineStatus::Failure("cannot create the output video stream", AVERROR(ENOMEM));
        video_.emplace();
        s = video_->Open(VideoParamsFromJob(job_), MergeRules(), *output_, stream, plan.videoRate);
        if (!s.ok())
            return s;
    }
    if (plan.audio) {
        AVStream *stream = output_->AddStream();
        if (!stream)
            return EngineStatus::Failure("cannot create the output audio stream", AVERROR(ENOMEM));
        audio_.emplace();
        s = audio_->Open(AudioParamsFromJob(job_), *output_, stream, plan.audioFormat, true);
        if (!s.ok())
            return s;
    }
    output_->CopyMetadata(task.input().format());
    s = output_->Open(job_.UniqueSuffix);
    if (output_->isOpen())
        job_.OutputPaths[index] = output_->path();
    return s;
}

StreamPlan MergeRun::PlanStreams(int row, const TranscodeTask &task) const
{
    StreamPlan plan;
    const SourceInput &input = task.input();
    if (task.usesVideo()) {
        plan.video = true;
        plan.videoRate = input.videoRate();
    }
    if (task.usesAudio()) {
        plan.audio = true;
        plan.audioFormat = input.audioDecoder()->sample_fmt;
    }
    // The streams exist only from the header on, so a stream the creating row lacks but a later
    // row has is created now; the rows without it get black or silence in its place.
    const AVIOInterruptCB interrupt{StopCallback, &job_};
    const int count = std::min(job_.TaskCount, AVConvert::kMaxTasks);
    for (int r = row + 1; r < count && ((job_.VideoEnabled && !plan.video) || !plan.audio); ++r) {
        if (StopRequested())
            break;
        SourceInput other;
        if (!other.Open(job_.SourcePaths[static_cast<std::size_t>(r)], interrupt).ok())
            continue;
        if (job_.VideoEnabled && !plan.video && other.videoStream()) {
            plan.video = true;
            plan.videoRate = other.videoRate();
        }
        if (!plan.audio && other.audioStream()) {
            plan.audio = true;
            plan.audioFormat = other.audioDecoder()->sample_fmt;
        }
    }
    return plan;
}

// Brings both streams to the end of the row, so the next row starts them together: silence for
// sound that ended early (or never came), black for a row that placed no picture.
EngineStatus MergeRun::AlignRowEnd(bool rowPlacedPictures)
{
    VideoEncoder *video = video_ ? &*video_ : nullptr;
    const double audioEnd = audio_ ? audio_->position() : 0.0;
    const double videoEnd = video ? static_cast<double>(carry_.videoLastPts + 1) * av_q2d(video->timeBase()) : 0.0;
    const double end = std::max(audioEnd, videoEnd);
    EngineStatus result;
    if (video && !rowPlacedPictures) {
        AVCodecContext *c = video->context();
        AVFramePtr black(av_frame_alloc());
        if (!black)
            return EngineStatus::Failure("out of memory", AVERROR(ENOMEM));
        black->format = c->pix_fmt;
        black->width = c->width;
        black->height = c->height;
        int ret = av_frame_get_buffer(black.get(), 0);
        if (ret < 0)
            return EngineStatus::Failure("cannot allocate a black picture", ret);
        const ptrdiff_t linesizes[4] = {black->linesize[0], black->linesize[1], black->linesize[2], black->linesize[3]};
        ret = av_image_fill_black(black->data, linesizes, c->pix_fmt, AVCOL_RANGE_MPEG, c->width, c->height);
        if (ret < 0)
            return EngineStatus::Failure("cannot fill a black picture", ret);
        const double tick = av_q2d(video->timeBase());
        for (std::int64_t pts = carry_.videoLastPts + 1; static_cast<double>(pts) * tick < end - kSlotTolerance; ++pts) {
            result = video->Encode(*black, pts, 1, *output_);
            if (!result.ok())
                return result;
            carry_.videoLastPts = pts;
        }
        // The black is this row's picture: the next row starts with a key frame of its own.
        result = video->EndSource(*output_);
        if (!result.ok())
            return result;
    }
    if (audio_)
        result = audio_->PadTo(end, *output_);
    carry_.timelineOffset = end;
    return result;
}

// Writes the trailer, or deletes a file that could not be finished or holds nothing merged, like
// a single conversion does with a failed row's file.
EngineStatus MergeRun::FinishOutput()
{
    if (!output_ || finished_)
        return finishResult_;
    finished_ = true;
    // The encoders' last frames end the last row; a file without them is not whole.
    EngineStatus result;
    if (video_)
        result = video_->Drain(*output_);
    if (audio_) {
        const EngineStatus a = audio_->Finish(*output_);
        if (result.ok())
            result = a;
    }
    const EngineStatus t = output_->Finish();
    if (result.ok())
        result = t;
    if (result.ok()) {
        if (!merged_)
            result = EngineStatus::Failure("no source could be merged");
        else if (!StopRequested())
            result = output_->CheckEveryStreamWritten();
        else if (output_->packetsWritten() == 0)
            result = EngineStatus::Failure("the merge was stopped before anything was written");
    }
    if (!result.ok()) {
        av_log(nullptr, AV_LOG_ERROR, "%s: %s\n", output_->path().c_str(), result.what().c_str());
        output_->Discard();
        finishResult_ = EngineStatus::Failure("the merged file could not be finished: " + result.what());
        return finishResult_;
    }
    trailerWritten_ = true;
    job_.Progress.store(100, std::memory_order_relaxed);
    return {};
}

void MergeRun::DropOutput()
{
    audio_.reset();
    video_.reset();
    if (output_)
        output_->Discard();
    output_.reset();
}

} // namespace

std::string MergeRows(AVConvert &job)
{
    MergeRun run(job);
    return run.Run();
}

void MergeWorker(AVConvert &job)
{
    MergeRows(job);
}

} // namespace zentrova
