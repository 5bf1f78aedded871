// zentrova-convert: lists profiles, probes files, and converts from the command line.
#include "cli/ConvertCli.h"

#include "engine/AVConvert.h"
#include "engine/CodecMap.h"
#include "engine/ConvertWorker.h"
#include "engine/DeviceCheck.h"
#include "engine/EngineLog.h"
#include "engine/MergeWorker.h"
#include "engine/ProbeMedia.h"
#include "engine/RunController.h"
#include "ipod/IpodDatabase.h"
#include "ipod/IpodSender.h"
#include "profiles/ClipTime.h"
#include "profiles/DeviceLine.h"
#include "profiles/JobSetup.h"
#include "profiles/MediaInfoFormat.h"
#include "profiles/OutputFolder.h"
#include "profiles/OutputSettings.h"
#include "profiles/ProfileCatalogue.h"
#include "profiles/ValueText.h"
#include "ProgramInfo.h"

extern "C" {
#include <libavutil/log.h>
}

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <ostream>

namespace zentrova {

namespace {

namespace fs = std::filesystem;


void PrintUsage(std::ostream &os)
{
    os << "Usage: zentrova-convert [OPTIONS] SOURCE...\n"
          "       zentrova-convert --merge [OPTIONS] SOURCE...\n"
          "       zentrova-convert --list-profiles\n"
          "       zentrova-convert --probe FILE...\n"
          "       zentrova-convert --check FILE...\n"
          "       zentrova-convert --list-ipods\n"
          "       zentrova-convert --help | --version\n";
}

void PrintHelp(std::ostream &os)
{
    os << "zentrova-convert - the command line of the " << kProgramTitle << "\n\n";
    PrintUsage(os);
    os << "\n"
          "Converts each SOURCE to its own file of the chosen profile, named after the source\n"
          "(a(0).mp4, a(1).mp4 ... when the name is taken; no file is ever overwritten).\n"
          "With --merge, all SOURCEs (at least two) become one file that plays them back\n"
          "to back, named after the first.\n"
          "\n"
          "  --merge           merge the SOURCEs into one file; whole sources are merged,\n"
          "                    so --start and --end do not apply\n"
          "  -p, --profile P   output profile: type code (90400), index (0-12) or display\n"
          "                    text; default 90400\n"
          "  -o, --output DIR  output folder, created when missing (its parent must exist);\n"
          "                    default the folder the main window starts with. The folder\n"
          "                    is remembered for the main window, as Convert does\n"
          "  --start HH:MM:SS  clip start for the SOURCEs that follow (default 00:00:00)\n"
          "  --end HH:MM:SS    clip end for the SOURCEs that follow (default the length)\n"
          "  --size W*H        picture size, e.g. \"320*240\"\n"
          "  --fps TEXT        frame rate, e.g. \"25.0 fps\", \"29.97 fps\"\n"
          "  --vbitrate TEXT   video bit rate, e.g. \"1500 kbps\"\n"
          "  --abitrate TEXT   audio bit rate, e.g. \"192 kbps\"\n"
          "  --rate TEXT       sample rate, e.g. \"44100 Hz\"\n"
          "  --channels TEXT   \"1 Channel Mono\" or \"2 Channel Stereo\"\n"
          "  --fit MODE        a picture of another shape: pad (default: all of it, with\n"
          "                    black bars), crop (fill the frame) or stretch\n"
          "  --preview         show the frames being converted in a small window\n"
          "  --ipod MOUNTPOINT send the finished files to the iPod mounted there and add\n"
          "                    them to its database; without -o they are converted in a\n"
          "                    temporary folder. On any failure the iPod is left as it was\n"
          "  --ipod-kind KIND  the iPod menu for videos: movie (default), music-video or\n"
          "                    tv-show; sound-only files are always Music\n"
          "\n"
          "First prints which devices the chosen values play on (\"Plays on: ...\") and\n"
          "which values are lowered to what they play; values no device plays are refused.\n"
          "Prints one line per task: \"Completed: SOURCE -> OUTPUT\", \"Failure: SOURCE: REASON\"\n"
          "or \"Stopped: SOURCE\"; a completed file is read back and the devices it plays on\n"
          "follow on the next line. A merge reports each source the same way without the\n"
          "arrow once its file is finished, and ends with \"Merged: OUTPUT\". A task that\n"
          "fails leaves no file behind, nor does a merge whose file cannot be finished.\n"
          "Ctrl-C or SIGTERM finishes the file in progress (playable; a merge keeps what\n"
          "was merged) and starts no further task.\n"
          "\n"
          "  --list-profiles   list the output profiles: index, type code, display text,\n"
          "                    extension and the values selecting the profile loads\n"
          "  --probe FILE...   show what the converter reads from each file; exit status 1\n"
          "                    when any file is invalid\n"
          "  --check FILE...   tell, for each device the iPod profiles are made for, whether\n"
          "                    the file plays on it and if not the first reason; exit status 1\n"
          "                    when a file plays on none\n"
          "  --list-ipods      list the mounted iPods: mount point, name and model, and why\n"
          "                    one cannot be written to; exit status 1 when none is found\n"
          "  --verbose         show FFmpeg's warnings\n"
          "  --help            show this text\n"
          "  --version         show the program's version\n"
          "\n"
          "Exit status: 0 when every task completed, 1 when a task failed or a source was\n"
          "invalid, 2 for a usage error, 130 when stopped by Ctrl-C or SIGTERM.\n";
}

void ListProfiles(std::ostream &os)
{
    for (const Profile &p : Profiles()) {
        const SelectionDefaults &d = p.defaults;
        os << p.index << '\t' << p.type << "\t\"" << p.displayText << "\"\t" << ProfileExtension(p.displayText) << '\t';
        if (p.audioOnly)
            os << "audio-only";
        else
            os << d.width << '*' << d.height << ' ' << d.frameRate << ' ' << d.videoBitRate << " bps " << d.videoEncoder;
        os << ", " << d.audioEncoder << ' ' << d.sampleRate << " Hz " << d.channels << " ch " << d.audioBitRate
           << " bps\n";
    }
}

std::string BaseName(const std::string &path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Prints, per device, whether `path` plays on it; returns whether it plays on any.
bool CheckOne(const std::string &path, std::ostream &out, std::ostream &err)
{
    StreamFacts facts;
    const EngineStatus s = ReadStreamFacts(path, facts);
    if (!s.ok()) {
        err << "zentrova-convert: " << s.what() << '\n';
        return false;
    }
    bool any = false;
    out << path << '\n';
    for (const DeviceResult &r : CheckDevices(facts)) {
        out << "  " << r.device << ": " << (r.problem.empty() ? "plays" : "does not play: " + r.problem) << '\n';
        any = any || r.problem.empty();
    }
    return any;
}

// "Plays on: ..." for a file just written.
std::string PlaysOnLine(const std::string &path)
{
    StreamFacts facts;
    if (!ReadStreamFacts(path, facts).ok())
        return "Plays on: cannot be read back";
    DeviceVerdict verdict;
    for (const DeviceResult &r : CheckDevices(facts))
        if (r.problem.empty())
            verdict.devices.push_back(r.device);
    return FormatVerdict(verdict);
}

// Prints one file's probe; returns whether the task list would accept it.
bool ProbeOne(const std::string &path, std::ostream &out, std::ostream &err)
{
    const MediaProbe probe = ProbeMedia(path);
    out << "File: " << path << '\n' << "  result: " << probe.result << '\n';
    if (probe.result < 0) {
        err << "File:" << BaseName(path) << " is invalid!\n";
        return false;
    }
    out << "  duration_us: " << probe.duration << '\n'
        << "  duration_s: " << probe.durationSeconds << '\n'
        << "  video_codec_id: " << probe.videoCodecId << " (" << CodecName(probe.videoCodecId) << ")\n"
        << "  width: " << probe.width << '\n'
        << "  height: " << probe.height << '\n'
        << "  frame_rate: " << probe.frameRateNum << '/' << probe.frameRateDen << '\n'
        << "  source_fps: " << probe.fps << '\n'
        << "  video_bit_rate: " << probe.videoBitRate << '\n'
        << "  audio_codec_id: " << probe.audioCodecId << " (" << CodecName(probe.audioCodecId) << ")\n"
        << "  sample_rate: " << probe.sampleRate << '\n'
        << "  channels: " << probe.channels << '\n'
        << "  audio_bit_rate: " << probe.audioBitRate << '\n';
    if (!probe.Usable()) {
        err << "File:" << BaseName(path) << " is invalid!\n";
        return false;
    }
    const MediaInfoFields f =
        FormatMediaInfo(MediaInfoFromProbe(probe, path, FormatClipTime(static_cast<int>(probe.durationSeconds))));
    out << "  File Name: " << f.fileName << '\n'
        << "  Media Length: " << f.mediaLength << '\n'
        << "  Resolution: " << f.resolution << '\n'
        << "  Frame Rate: " << f.frameRate << '\n'
        << "  Video Bit Rate: " << f.videoBitRate << '\n'
        << "  Audio Bit Rate: " << f.audioBitRate << '\n'
        << "  Samples: " << f.samples << '\n'
        << "  Channel: " << f.channel << '\n';
    return true;
}


struct SourceArg {
    std::string path;
    std::optional<std::string> start;
    std::optional<std::string> end;
};

struct Options {
    bool verbose = false;
    bool probe = false;
    bool check = false;
    bool listProfiles = false;
    bool preview = false;
    bool merge = false;
    bool listIpods = false;
    bool conversionOption = false;
    std::optional<std::string> ipod;
    std::string ipodKind = "movie";
    std::string profile = "90400";
    std::optional<std::string> output;
    std::optional<std::string> size, fps, videoBitRate, audioBitRate, sampleRate, channels, fit;
    std::vector<SourceArg> sources;
};

bool IsClipTimeText(const std::string &text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return (c >= '0' && c <= '9') || c == ':'; });
}

const Profile *FindProfile(const std::string &text)
{
    if (!text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        const long value = text.size() < 10 ? std::stol(text) : -1;
        if (const Profile *p = ProfileByIndex(static_cast<int>(value)))
            return p;
        return ProfileByType(static_cast<std::int32_t>(value));
    }
    if (const Profile *p = ProfileByDisplayText(text))
        return p;
    // Display texts start with a space that is easy to leave out on a command line.
    for (const Profile &p : Profiles()) {
        std::string_view shown = p.displayText;
        while (!shown.empty() && shown.front() == ' ')
            shown.remove_prefix(1);
        if (shown == text)
            return &p;
    }
    return nullptr;
}

std::optional<PictureFit> ParseFit(const std::string &text)
{
    if (text == "pad")
        return PictureFit::Pad;
    if (text == "crop")
        return PictureFit::Crop;
    if (text == "stretch")
        return PictureFit::Stretch;
    return std::nullopt;
}

// Fills `settings` from the profile and the setting options; returns an error text or nothing.
std::optional<std::string> BuildSettings(const Options &o, OutputSettings &settings, const Profile *&profile)
{
    profile = FindProfile(o.profile);
    if (!profile)
        return "unknown profile " + o.profile + " (see --list-profiles)";
    ApplyProfileSelection(settings, profile->index);
    if (o.size) {
        const auto r = ParseResolutionText(*o.size);
        if (!r || r->width <= 0 || r->height <= 0)
            return "--size wants W*H, e.g. 320*240";
        settings.Width = r->width;
        settings.Height = r->height;
    }
    if (o.fps) {
        if (!FrameRateFromText(*o.fps))
            return "--fps wants a rate such as \"25.0 fps\" or \"29.97 fps\"";
        settings.FrameRate = *o.fps;
    }
    if (o.videoBitRate) {
        const int v = ParseValueText(*o.videoBitRate);
        if (v <= 0)
            return "--vbitrate wants a rate such as \"1500 kbps\"";
        settings.VideoBitRate = v;
    }
    if (o.audioBitRate) {
        const int v = ParseValueText(*o.audioBitRate);
        if (v <= 0)
            return "--abitrate wants a rate such as \"192 kbps\"";
        settings.AudioBitRate = v;
    }
    if (o.sampleRate) {
        const int v = ParseValueText(*o.sampleRate);
        if (v <= 0 || o.sampleRate->find(" Hz") == std::string::npos)
            return "--rate wants a rate such as \"44100 Hz\"";
        settings.SampleRate = v;
    }
    if (o.channels) {
        const auto c = ParseChannelText(*o.channels);
        if (!c)
            return "--channels wants \"1 Channel Mono\" or \"2 Channel Stereo\"";
        settings.Channels = *c;
    }
    if (o.fit && !ParseFit(*o.fit))
        return "--fit wants pad, crop or stretch";
    return std::nullopt;
}

// Parses `args`; returns an error text for a usage error.
std::optional<std::string> ParseArgs(const std::vector<std::string> &args, Options &o, bool &helpOrVersion,
                                     std::ostream &out)
{
    std::optional<std::string> start, end;
    const std::pair<const char *, std::optional<std::string> Options::*> valued[] = {
        {"--size", &Options::size},         {"--fps", &Options::fps},       {"--vbitrate", &Options::videoBitRate},
        {"--abitrate", &Options::audioBitRate}, {"--rate", &Options::sampleRate}, {"--channels", &Options::channels},
        {"--fit", &Options::fit},
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        auto value = [&](std::string &v) {
            if (i + 1 >= args.size())
                return false;
            v = args[++i];
            return true;
        };
        std::string v;
        if (a == "--help" || a == "-h") {
            PrintHelp(out);
            helpOrVersion = true;
            return std::nullopt;
        }
        if (a == "--version") {
            out << "zentrova-convert " << kProgramVersion << '\n';
            helpOrVersion = true;
            return std::nullopt;
        }
        if (a == "--verbose") {
            o.verbose = true;
        } else if (a == "--probe") {
            o.probe = true;
        } else if (a == "--check") {
            o.check = true;
        } else if (a == "--list-profiles") {
            o.listProfiles = true;
        } else if (a == "--preview") {
            o.preview = o.conversionOption = true;
        } else if (a == "--list-ipods") {
            o.listIpods = true;
        } else if (a == "--ipod") {
            if (!value(v))
                return a + " needs the iPod's mount point";
            o.ipod = v;
            o.conversionOption = true;
        } else if (a == "--ipod-kind") {
            if (!value(o.ipodKind) || !ParseIpodVideoKind(o.ipodKind))
                return a + " wants movie, music-video or tv-show";
            o.conversionOption = true;
        } else if (a == "--merge") {
            o.merge = o.conversionOption = true;
        } else if (a == "-p" || a == "--profile") {
            if (!value(o.profile))
                return a + " needs a profile";
            o.conversionOption = true;
        } else if (a == "-o" || a == "--output") {
            if (!value(v))
                return a + " needs a folder";
            o.output = v;
            o.conversionOption = true;
        } else if (a == "--start" || a == "--end") {
            if (!value(v) || !IsClipTimeText(v))
                return a + " wants a time HH:MM:SS";
            (a == "--start" ? start : end) = v;
            o.conversionOption = true;
        } else if (auto it = std::find_if(std::begin(valued), std::end(valued), [&](const auto &e) { return a == e.first; });
                   it != std::end(valued)) {
            if (!value(v))
                return a + " needs a value";
            o.*(it->second) = v;
            o.conversionOption = true;
        } else if (a == "--") {
            for (++i; i < args.size(); ++i)
                o.sources.push_back({args[i], start, end});
        } else if (a.size() > 1 && a[0] == '-') {
            return "unknown option " + a;
        } else {
            o.sources.push_back({a, start, end});
        }
        // Checked where the pair applies to a source: a later --start may still follow an --end.
        if (!o.sources.empty() && start && end && ParseClipTime(*end) < ParseClipTime(*start) &&
            o.sources.back().start == start && o.sources.back().end == end)
            return "--end " + *end + " comes before --start " + *start;
    }
    if (o.merge && (start || end))
        return "--start and --end do not apply to --merge: whole sources are merged";
    return std::nullopt;
}

// A view of the run's snapshots: progress while it runs, one result line per finished task.
class RunReporter {
public:
    // In a merge, the percent measures the whole run and the rows share one output file.
    RunReporter(const AVConvert &job, std::ostream &out, bool terminal, bool merge)
        : job_(job), out_(out), terminal_(terminal), merge_(merge)
    {
    }

    void Show(const RunSnapshot &s)
    {
        const int current = s.currentTask;
        // A merged row's result is only known once the file is finished (it is deleted when it
        // cannot be), so a merge reports its rows at the end.
        if (!merge_)
            ReportRows(s);
        if (current < 0 || current >= s.taskCount)
            return;
        const int percent = std::max(0, s.percent);
        const std::string &source = job_.SourcePaths[static_cast<std::size_t>(current)];
        const std::string name = std::filesystem::path(source).filename().string();
        const std::string count = "[" + std::to_string(current + 1) + "/" + std::to_string(s.taskCount) + "]";
        if (terminal_) {
            out_ << "\r\x1b[K" << count << ' ' << name << "  " << percent << "%  ETA "
                 << FormatTimeLeft(percent > 0 ? s.runSecondsLeft : -1) << std::flush;
            lineOpen_ = true;
        } else {
            if (current != lastRow_) {
                out_ << count << (merge_ ? " Merging: " : " Converting: ") << source << '\n';
                lastRow_ = current;
                if (!merge_)
                    lastStep_ = 0;
            }
            const int step = percent / 25;
            if (step > lastStep_ && percent < 100) {
                out_ << count << ' ' << name << ' ' << step * 25 << "%\n" << std::flush;
                lastStep_ = step;
            }
        }
    }

    void ReportRows(const RunSnapshot &s)
    {
        for (; reported_ < static_cast<int>(s.rows.size()); ++reported_) {
            const auto row = static_cast<std::size_t>(reported_);
            if (lineOpen_) {
                out_ << "\r\x1b[K";
                lineOpen_ = false;
            }
            switch (s.rows[row].status) {
            case kTaskCompleted:
                out_ << "Completed: " << job_.SourcePaths[row];
                if (!merge_)
                    out_ << " -> " << job_.OutputPaths[row] << "\n  " << PlaysOnLine(job_.OutputPaths[row]);
                out_ << '\n';
                break;
            case kTaskFailed:
                out_ << "Failure: " << job_.SourcePaths[row];
                if (!s.rows[row].reason.empty())
                    out_ << ": " << s.rows[row].reason;
                out_ << '\n';
                break;
            default:
                out_ << "Stopped: " << job_.SourcePaths[row] << '\n';
                break;
            }
        }
        out_ << std::flush;
    }

private:
    const AVConvert &job_;
    std::ostream &out_;
    bool terminal_;
    bool merge_;
    int reported_ = 0;
    int lastRow_ = -1;
    int lastStep_ = 0;
    bool lineOpen_ = false;
};

// Lists the mounted iPods; false when there is none.
bool ListIpods(const std::string &mountTable, std::ostream &out, std::ostream &err)
{
    const std::vector<IpodInfo> found = FindIpods(mountTable);
    if (found.empty())
        err << "zentrova-convert: no mounted iPod found\n";
    for (const IpodInfo &i : found) {
        out << i.mountPoint << "\t\"" << i.name << "\"\t" << i.model << '\n';
        if (!i.refusal.empty())
            out << "  cannot be written: " << i.refusal << '\n';
    }
    return !found.empty();
}

// A folder of its own for files that are only on their way to an iPod; gone with it.
class TemporaryFolder {
public:
    TemporaryFolder()
    {
        const char *root = getenv("TMPDIR");
        std::string pattern = std::string(root && *root ? root : "/tmp") + "/zentrova-ipod-XXXXXX";
        if (mkdtemp(pattern.data()))
            path_ = pattern;
    }
    ~TemporaryFolder()
    {
        std::error_code ec;
        if (!path_.empty())
            fs::remove_all(path_, ec);
    }
    TemporaryFolder(const TemporaryFolder &) = delete;
    TemporaryFolder &operator=(const TemporaryFolder &) = delete;
    const std::string &Path() const { return path_; }

private:
    std::string path_;
};

// Sends what the run completed to the iPod; false when the send failed.
bool SendCompleted(const Options &o, const IpodInfo &ipod, const AVConvert &job, const RunSnapshot &last,
                   const std::string &merged, std::ostream &out, std::ostream &err)
{
    std::vector<IpodItem> items;
    if (o.merge) {
        if (!merged.empty())
            items.push_back({merged, job.SourcePaths.empty() ? merged : job.SourcePaths.front()});
    } else {
        for (std::size_t i = 0; i < last.rows.size() && i < job.OutputPaths.size(); ++i)
            if (last.rows[i].status == kTaskCompleted)
                items.push_back({job.OutputPaths[i], job.SourcePaths[i]});
    }
    if (items.empty())
        return true;
    out << "Sending " << items.size() << (items.size() == 1 ? " file" : " files") << " to the iPod \"" << ipod.name
        << "\" at " << ipod.mountPoint << '\n' << std::flush;
    IpodSendOptions options;
    options.videoKind = ParseIpodVideoKind(o.ipodKind).value_or(IpodVideoKind::Movie);
    const IpodSendResult sent = SendToIpod(ipod.mountPoint, items, options);
    if (!sent.ok()) {
        err << "zentrova-convert: " << sent.error << '\n';
        return false;
    }
    for (const SentTrack &t : sent.tracks)
        out << "Sent: " << t.source << " -> " << t.ipodFile << " (" << (t.video ? o.ipodKind : "music") << ", \""
            << t.title << "\")\n";
    return true;
}

int Convert(const Options &o, std::ostream &out, std::ostream &err, const CliEnvironment &env)
{
    OutputSettings settings;
    const Profile *profile = nullptr;
    if (auto problem = BuildSettings(o, settings, profile)) {
        err << "zentrova-convert: " << *problem << '\n';
        return kExitUsage;
    }
    const DeviceVerdict verdict = JudgeSettings(settings);
    if (!verdict.refusal.empty()) {
        err << "zentrova-convert: " << FormatVerdict(verdict) << '\n';
        return kExitUsage;
    }
    // An iPod that would refuse the files is found out before anything is converted.
    std::optional<IpodInfo> ipod;
    if (o.ipod) {
        std::string why;
        ipod = ReadIpod(*o.ipod, &why);
        if (!ipod) {
            err << "zentrova-convert: " << why << '\n';
            return kExitUsage;
        }
        if (!ipod->refusal.empty()) {
            err << "zentrova-convert: " << ipod->refusal << '\n';
            return kExitUsage;
        }
        if (!IpodPlaysFileType(std::string("x") + ProfileExtension(profile->displayText))) {
            err << "zentrova-convert: the iPod does not play " << ProfileExtension(profile->displayText)
                << " files; choose another profile (the M4A profile for AAC sound)\n";
            return kExitUsage;
        }
    }
    out << FormatVerdict(verdict) << '\n';

    if (o.merge && o.sources.size() < 2) {
        err << JobSetupMessage(JobSetupOutcome::TooFewForMerge) << '\n';
        return kExitUsage;
    }

    bool anyInvalid = false;
    std::vector<TaskRow> rows;
    for (const SourceArg &source : o.sources) {
        // The first row converted starts from the probe's open file.
        const MediaProbe probe = ProbeMedia(source.path, rows.empty());
        if (!probe.Usable()) {
            err << "File:" << BaseName(source.path) << " is invalid!\n";
            anyInvalid = true;
            continue;
        }
        rows.push_back({source.path, source.start.value_or("00:00:00"),
                        source.end.value_or(FormatClipTime(static_cast<int>(probe.durationSeconds))), true});
    }

    const std::string programDir = env.programDir.empty() ? ExecutableDir() : env.programDir;
    // Files only on their way to the iPod are made in a folder that goes with the run.
    std::optional<TemporaryFolder> staging;
    if (ipod && !o.output) {
        staging.emplace();
        if (staging->Path().empty()) {
            err << "zentrova-convert: no temporary folder for the files on their way to the iPod\n";
            return kExitFailure;
        }
    }
    const std::string folder = staging ? staging->Path() : o.output ? *o.output : ChooseStartupFolder(programDir);
    std::error_code ec;
    if (o.output && fs::exists(folder, ec) && !fs::is_directory(folder, ec)) {
        err << "zentrova-convert: " << folder << " is a file, not a folder\n";
        return kExitUsage;
    }
    const std::string settingsFile = FolderSettingsFile(programDir);
    AVConvert job;
    const auto fill = o.merge ? FillMergeJob : FillConvertJob;
    // The main window and later runs from other folders must find the same folder.
    const auto remember = [&](const std::string &f) {
        if (staging)
            return;
        std::error_code absoluteError;
        const fs::path absolute = fs::absolute(f, absoluteError).lexically_normal();
        SaveOutputFolder(settingsFile, absoluteError ? f : absolute.string());
    };
    const JobSetup setup = fill(job, rows, profile->displayText, folder, settings, remember);
    switch (setup.outcome) {
    case JobSetupOutcome::Ready:
        break;
    case JobSetupOutcome::NoRows:
        err << JobSetupMessage(setup.outcome) << '\n';
        return kExitFailure;
    case JobSetupOutcome::SilentFolder:
        err << "zentrova-convert: " << folder << " cannot be the output folder\n";
        return kExitUsage;
    case JobSetupOutcome::NameWithoutDot:
        err << "zentrova-convert: a source name has no extension; nothing was converted\n";
        return kExitUsage;
    default:
        err << JobSetupMessage(setup.outcome) << '\n';
        return kExitUsage;
    }

    job.Fit = ParseFit(o.fit.value_or("pad")).value_or(PictureFit::Pad);
    if (o.preview)
        job.Preview.Attach(PreviewTarget::OwnWindow);
    RunController run(job);
    if (!run.Start(o.merge ? RunKind::Merge : RunKind::Convert)) {
        err << "zentrova-convert: the conversion could not be started\n";
        return kExitFailure;
    }
    RunReporter reporter(job, out, env.terminal, o.merge);
    bool interrupted = false;
    while (!run.WorkerDone()) {
        if (env.interrupted && env.interrupted->load(std::memory_order_relaxed) && !interrupted) {
            interrupted = true;
            run.RequestStop();
        }
        reporter.Show(run.Snapshot());
        run.WaitForWorker(std::chrono::milliseconds(100));
    }
    run.Join();
    const RunSnapshot last = run.Snapshot();
    reporter.ReportRows(last);
    const std::string &merged = run.MergedPath();
    if (o.merge) {
        if (merged.empty())
            err << "zentrova-convert: nothing could be merged\n";
        else
            out << "Merged: " << merged << "\n  " << PlaysOnLine(merged) << '\n';
    }
    if (interrupted) {
        if (ipod)
            err << "zentrova-convert: stopped; nothing was sent to the iPod\n";
        return kExitInterrupted;
    }
    const bool sent = !ipod || SendCompleted(o, *ipod, job, last, merged, out, err);
    if (!sent)
        return kExitFailure;
    const bool allDone = last.completedCount == job.CheckedTaskCount && !anyInvalid;
    return allDone && (!o.merge || !merged.empty()) ? kExitOk : kExitFailure;
}

} // namespace

std::string ExecutableDir()
{
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::current_path(ec).string() : exe.parent_path().string();
}

int RunConvertCli(const std::vector<std::string> &args, std::ostream &out, std::ostream &err, const CliEnvironment &env)
{
    Options o;
    bool helpOrVersion = false;
    if (auto problem = ParseArgs(args, o, helpOrVersion, out)) {
        err << "zentrova-convert: " << *problem << '\n';
        PrintUsage(err);
        return kExitUsage;
    }
    if (helpOrVersion)
        return kExitOk;
    SetEngineLog(o.verbose ? AV_LOG_WARNING : AV_LOG_QUIET);

    const bool converting = !o.probe && !o.listProfiles && !o.check && !o.listIpods;
    if (o.check && !o.probe && !o.listProfiles && !o.conversionOption && !o.sources.empty()) {
        bool allPlay = true;
        for (const SourceArg &f : o.sources)
            allPlay = CheckOne(f.path, out, err) && allPlay;
        return allPlay ? kExitOk : kExitFailure;
    }
    if (o.listIpods) {
        if (o.probe || o.check || o.listProfiles || o.conversionOption || !o.sources.empty()) {
            PrintUsage(err);
            return kExitUsage;
        }
        return ListIpods(env.mountTable, out, err) ? kExitOk : kExitFailure;
    }
    if (o.listProfiles && !o.probe && !o.conversionOption && o.sources.empty()) {
        ListProfiles(out);
        return kExitOk;
    }
    if (o.probe && !o.listProfiles && !o.conversionOption && !o.sources.empty()) {
        bool allValid = true;
        for (const SourceArg &f : o.sources)
            allValid = ProbeOne(f.path, out, err) && allValid;
        return allValid ? kExitOk : kExitFailure;
    }
    if (converting && !o.sources.empty())
        return Convert(o, out, err, env);
    PrintUsage(err);
    return kExitUsage;
}

} // namespace zentrova
