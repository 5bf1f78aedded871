// Conversion helpers for tests.
#include "tests/engine/ConvertTestSupport.h"

#include "engine/ConvertWorker.h"
#include "engine/EngineLog.h"
#include "engine/ProbeMedia.h"
#include "profiles/ClipTime.h"
#include "profiles/ProfileCatalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

extern "C" {
#include <libavutil/log.h>
}

namespace zentrova::test {

namespace {

// Encoder statistics would drown the test report; errors still show.
const bool g_quietCodecs = (av_log_set_level(AV_LOG_ERROR), true);

} // namespace

TaskRow RowFor(const std::string &path, const std::string &start, const std::string &end)
{
    std::string endText = end;
    if (endText.empty()) {
        if (const MediaProbe probe = ProbeMedia(path); probe.result == kProbeOk)
            endText = FormatClipTime(static_cast<int>(probe.durationSeconds));
    }
    return {path, start, endText, true};
}

std::unique_ptr<AVConvert> FillRows(const std::vector<TaskRow> &rows, int profileIndex, const std::string &folder,
                                    const std::function<void(OutputSettings &)> &tweak)
{
    auto job = std::make_unique<AVConvert>();
    OutputSettings settings;
    ApplyProfileSelection(settings, profileIndex);
    if (tweak)
        tweak(settings);
    const JobSetup setup =
        FillConvertJob(*job, rows, ProfileByIndex(profileIndex)->displayText, folder, settings, {});
    EXPECT_EQ(setup.outcome, JobSetupOutcome::Ready);
    return job;
}

std::unique_ptr<AVConvert> FillMergeRows(const std::vector<TaskRow> &rows, int profileIndex, const std::string &folder,
                                         const std::function<void(OutputSettings &)> &tweak, JobSetupOutcome *outcome)
{
    auto job = std::make_unique<AVConvert>();
    OutputSettings settings;
    ApplyProfileSelection(settings, profileIndex);
    if (tweak)
        tweak(settings);
    const JobSetup setup = FillMergeJob(*job, rows, ProfileByIndex(profileIndex)->displayText, folder, settings, {});
    if (outcome)
        *outcome = setup.outcome;
    else
        EXPECT_EQ(setup.outcome, JobSetupOutcome::Ready);
    return job;
}

std::unique_ptr<AVConvert> ConvertRows(const std::vector<TaskRow> &rows, int profileIndex, const std::string &folder,
                                       const std::function<void(OutputSettings &)> &tweak)
{
    auto job = FillRows(rows, profileIndex, folder, tweak);
    ConvertWorker(*job);
    return job;
}

std::vector<std::string> FilesIn(const std::string &folder)
{
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

EngineErrors::EngineErrors()
{
    SetEngineLog(AV_LOG_ERROR, [this](int, const std::string &line) {
        std::lock_guard lock(m_mutex);
        m_lines.push_back(line);
    });
}

EngineErrors::~EngineErrors()
{
    SetEngineLog(av_log_get_level());
}

std::vector<std::string> EngineErrors::Lines()
{
    std::lock_guard lock(m_mutex);
    return m_lines;
}

} // namespace zentrova::test
