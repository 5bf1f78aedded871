// zentrova-convert: lists profiles, probes files, and converts from the command line.
#include "ConvertCli.h"

#include "AVConvert.h"
#include "ClipTime.h"
#include "CodecMap.h"
#include "EngineLog.h"
#include "MediaInfoFormat.h"
#include "ProfileCatalogue.h"
#include "ValueText.h"

extern "C" {
#include <libavutil/log.h>
}

#include <ostream>

namespace zentrova {

namespace {

constexpr const char *kVersion = "2.1";

void PrintUsage(std::ostream &os)
{
    os << "Usage: zentrova-convert --list-profiles\n"
          "       zentrova-convert --probe FILE...\n"
          "       zentrova-convert --help | --version\n";
}

void PrintHelp(std::ostream &os)
{
    os << "zentrova-convert - the command line of the Zentrova iPod Video Converter\n\n";
    PrintUsage(os);
    os << "\n"
          "  --list-profiles   list the output profiles: index, type code, display text,\n"
          "                    extension and the values selecting the profile loads\n"
          "  --probe FILE...   show what the converter reads from each file; exit status 1\n"
          "                    when any file is invalid\n"
          "  --verbose         show FFmpeg's warnings\n"
          "  --help            show this text\n"
          "  --version         show the program's version\n";
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

// Prints one file's probe; returns whether the task list would accept it.
bool ProbeOne(const std::string &path, std::ostream &out, std::ostream &err)
{
    AVConvert job;
    job.ProbePath = path;
    const int result = job.ProbeMedia();
    const bool valid = result >= 0 && job.ProbeStartSeconds >= 0 && job.ProbeDurationSeconds >= 0;
    out << "File: " << path << '\n' << "  result: " << result << '\n';
    if (result < 0) {
        err << "File:" << BaseName(path) << " is invalid!\n";
        return false;
    }
    out << "  duration_us: " << job.ProbeDuration << '\n'
        << "  duration_s: " << job.ProbeDurationSeconds << '\n'
        << "  video_codec_id: " << job.VideoCodecId << " (" << CodecName(job.VideoCodecId) << ")\n"
        << "  width: " << job.SourceWidth << '\n'
        << "  height: " << job.SourceHeight << '\n'
        << "  frame_rate: " << job.SourceFrameRateNum << '/' << job.SourceFrameRateDen << '\n'
        << "  source_fps: " << job.SourceFps << '\n'
        << "  video_bit_rate: " << job.VideoBitRate << '\n'
        << "  audio_codec_id: " << job.AudioCodecId << " (" << CodecName(job.AudioCodecId) << ")\n"
        << "  sample_rate: " << job.SampleRate << '\n'
        << "  channels: " << job.Channels << '\n'
        << "  audio_bit_rate: " << job.AudioBitRate << '\n';
    if (!valid) {
        err << "File:" << BaseName(path) << " is invalid!\n";
        return false;
    }
    const MediaInfoFields f =
        FormatMediaInfo(MediaInfoFromProbe(job, path, FormatClipTime(static_cast<int>(job.ProbeDurationSeconds))));
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

} // namespace

int RunConvertCli(const std::vector<std::string> &args, std::ostream &out, std::ostream &err)
{
    bool verbose = false;
    bool probe = false;
    bool listProfiles = false;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        if (a == "--help" || a == "-h") {
            PrintHelp(out);
            return kExitOk;
        }
        if (a == "--version") {
            out << "zentrova-convert " << kVersion << '\n';
            return kExitOk;
        }
        if (a == "--verbose") {
            verbose = true;
        } else if (a == "--probe") {
            probe = true;
        } else if (a == "--list-profiles") {
            listProfiles = true;
        } else if (a == "--") {
            files.insert(files.end(), args.begin() + static_cast<long>(i) + 1, args.end());
            break;
        } else if (a.size() > 1 && a[0] == '-') {
            err << "zentrova-convert: unknown option " << a << '\n';
            PrintUsage(err);
            return kExitUsage;
        } else {
            files.push_back(a);
        }
    }
    SetEngineLog(verbose ? AV_LOG_WARNING : AV_LOG_QUIET);

    if (listProfiles && !probe && files.empty()) {
        ListProfiles(out);
        return kExitOk;
    }
    if (probe && !listProfiles && !files.empty()) {
        bool allValid = true;
        for (const std::string &f : files)
            allValid = ProbeOne(f, out, err) && allValid;
        return allValid ? kExitOk : kExitFailure;
    }
    PrintUsage(err);
    return kExitUsage;
}

} // namespace zentrova
