#include "cli/ConvertCli.h"
#include "profiles/OutputFolder.h"
#include "tests/engine/ConvertTestSupport.h"
#include "tests/engine/MediaCheck.h"
#include "tests/support/TestMedia.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

using namespace zentrova;
using zentrova::test::MediaPath;
using zentrova::test::ScratchDir;
namespace fs = std::filesystem;

namespace {

struct CliRun {
    int status;
    std::string out, err;
};

CliRun Cli(std::vector<std::string> args, const std::string &programDir = "")
{
    std::ostringstream out, err;
    CliEnvironment env;
    env.programDir = programDir.empty() ? ScratchDir("cli-program") : programDir;
    const int status = RunConvertCli(args, out, err, env);
    return {status, out.str(), err.str()};
}

bool Contains(const std::string &text, const std::string &part)
{
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(ConvertCli, HelpVersionAndUsage)
{
    CliRun r = Cli({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("--probe"), std::string::npos);
    r = Cli({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "zentrova-convert 2.1\n");
    for (auto args : {std::vector<std::string>{}, {"--bogus"}, {"--probe"}, {"--list-profiles", "x"}}) {
        r = Cli(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("Usage:"), std::string::npos);
    }
}

TEST(ConvertCli, ListsProfiles)
{
    const CliRun r = Cli({"--list-profiles"});
    ASSERT_EQ(r.status, 0);
    std::istringstream lines(r.out);
    std::string line;
    int count = 0;
    while (std::getline(lines, line))
        ++count;
    EXPECT_EQ(count, 13);
    EXPECT_NE(r.out.find("0\t90400\t\" iPod H.264(*.mp4)\"\t.mp4\t320*240 29.97 fps 2000000 bps H.264, AAC 48000 Hz 2 ch "
                         "128000 bps\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\" iPod  MPEG4 Video(*.mp4)\""), std::string::npos);
    EXPECT_NE(r.out.find("11\t90106\t\" MP3 -MPEG Layer-3 Audio(*.mp3)\"\t.mp3\taudio-only, MP3 44100 Hz 2 ch 128000 bps"),
              std::string::npos);
}

TEST(ConvertCli, ProbesValidFiles)
{
    const CliRun r = Cli({"--probe", MediaPath("mpeg2_ac3_5_1.ts"), MediaPath("audio_only.mp3")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("  result: 0\n"), std::string::npos);
    EXPECT_NE(r.out.find("  Resolution: 352*288\n"), std::string::npos);
    EXPECT_NE(r.out.find("  Frame Rate: 25.00 fps\n"), std::string::npos);
    EXPECT_NE(r.out.find("  Channel: 6 Channel stereo\n"), std::string::npos);
    EXPECT_NE(r.out.find("  Samples: 48000 Hz\n"), std::string::npos);
    EXPECT_NE(r.out.find("  Media Length: 00:00:05\n"), std::string::npos);
    EXPECT_NE(r.out.find("  Audio Bit Rate: 384 Kbps\n"), std::string::npos);
    EXPECT_NE(r.out.find("  File Name: audio_only.mp3\n  Media Length: 00:00:06\n  Resolution: \n  Frame Rate: \n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("  Channel: 2 Channel stereo\n"), std::string::npos);
    EXPECT_EQ(r.err, "");
}

TEST(ConvertCli, InvalidFilesAreNamedAndFailTheRun)
{
    const CliRun r = Cli({"--probe", MediaPath("audio_only.wav"), MediaPath("random_bytes.avi"), MediaPath("no_duration.h264")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("File:random_bytes.avi is invalid!\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("File:no_duration.h264 is invalid!\n"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("audio_only.wav"), std::string::npos);
}

TEST(ConvertCli, ConvertsEachSourceAndReportsIt)
{
    const std::string out = ScratchDir("cli-convert");
    const std::string a = MediaPath("audio_only.wav"), b = MediaPath("short_h264_aac_3s.mp4");
    const CliRun r = Cli({"-p", "M4A -MPEG4 Audio(*.m4a)", "-o", out, a, "--end", "00:00:02", b});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "Completed: " + a + " -> " + out + "/audio_only.m4a\n")) << r.out;
    EXPECT_TRUE(Contains(r.out, "Completed: " + b + " -> " + out + "/short_h264_aac_3s.m4a\n")) << r.out;
    // --end applies to the sources after it only.
    const auto full = zentrova::test::Ffprobe(out + "/audio_only.m4a");
    const auto clipped = zentrova::test::Ffprobe(out + "/short_h264_aac_3s.m4a");
    EXPECT_NEAR(full.Number(full.format, "duration"), 3.0, 0.15);
    EXPECT_NEAR(clipped.Number(clipped.format, "duration"), 2.0, 0.15);
}

TEST(ConvertCli, SettingsOptionsUseTheDialogTexts)
{
    const std::string out = ScratchDir("cli-settings");
    const CliRun r = Cli({"-p", "2", "--size", "176*144", "--fps", "15.0 fps", "--vbitrate", "256 kbps", "--abitrate",
                          "64 kbps", "--rate", "22050 Hz", "--channels", "1 Channel Mono", "-o", out,
                          MediaPath("short_h264_aac_3s.mp4")});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto p = zentrova::test::Ffprobe(out + "/short_h264_aac_3s.mp4");
    const auto *v = p.Stream("video");
    const auto *a = p.Stream("audio");
    ASSERT_TRUE(v && a);
    EXPECT_EQ(v->at("codec_name"), "mpeg4");
    EXPECT_EQ(p.Number(*v, "width"), 176);
    EXPECT_EQ(p.Number(*v, "height"), 144);
    EXPECT_EQ(v->at("r_frame_rate"), "15/1");
    EXPECT_EQ(p.Number(*a, "sample_rate"), 22050);
    EXPECT_EQ(p.Number(*a, "channels"), 1);
}

TEST(ConvertCli, FitChoosesHowAnotherShapeFillsTheFrame)
{
    // The 16:9 source's centre square, half its height, in the 640x480 frame: 180 px high with
    // bars (pad), 240 px wide and high (crop), 180 wide and 240 high (stretch).
    struct Case {
        const char *fit;
        int x, y;
        bool white;
    };
    for (const Case c : {Case{"pad", 320, 130, false}, Case{"crop", 205, 240, true}, Case{"stretch", 320, 130, true},
                         Case{"stretch", 205, 240, false}}) {
        const std::string out = ScratchDir(std::string("cli-fit-") + c.fit + std::to_string(c.x));
        const CliRun r = Cli({"-p", "1", "--fit", c.fit, "-o", out, MediaPath("square_16x9.mp4")});
        ASSERT_EQ(r.status, 0) << r.err;
        const auto picture = zentrova::test::PictureAt(out + "/square_16x9.mp4", 0.0);
        ASSERT_EQ(picture.width, 640);
        EXPECT_EQ(picture.At(c.x, c.y) > 128, c.white) << c.fit << " " << c.x << "," << c.y;
    }
}

TEST(ConvertCli, TellsWhichDevicesPlayTheValuesAndEachFile)
{
    const std::string out = ScratchDir("cli-devices");
    const CliRun r = Cli({"-p", "1", "-o", out, MediaPath("short_h264_aac_3s.mp4")});
    ASSERT_EQ(r.status, 0) << r.err;
    // Once for the values (the 2000 kbps default is above what the devices play), once for the file.
    EXPECT_EQ(r.out.rfind("Plays on: iPod 5G/5.5G (firmware 1.2 or later); iPod classic, nano 3G-5G, touch "
                          "1G/2G. Video bit rate lowered to 1500 kbps\n",
                          0),
              0u)
        << r.out;
    EXPECT_TRUE(Contains(r.out, "short_h264_aac_3s.mp4\n  Plays on: iPod 5G/5.5G (firmware 1.2 or later); iPod classic"))
        << r.out;

    const CliRun refused = Cli({"--size", "1280*720", "-o", out, MediaPath("short_h264_aac_3s.mp4")});
    EXPECT_EQ(refused.status, 2);
    EXPECT_TRUE(Contains(refused.err, "larger than 640x480")) << refused.err;
}

TEST(ConvertCli, CheckNamesTheFirstReasonPerDevice)
{
    const std::string out = ScratchDir("cli-check");
    ASSERT_EQ(Cli({"-p", "1", "-o", out, MediaPath("short_h264_aac_3s.mp4")}).status, 0);
    struct Case {
        std::string file;
        int status;
        std::vector<std::string> lines;
    };
    for (const Case &c : {Case{out + "/short_h264_aac_3s.mp4",
                               0,
                               {"iPod 5G (firmware before 1.2): does not play: H.264 level 3.0 above 1.3",
                                "iPod 5G/5.5G (firmware 1.2 or later): plays",
                                "iPod classic, nano 3G-5G, touch 1G/2G: plays"}},
                          Case{MediaPath("grain_640x480_30fps.mp4"), 1, {"touch 1G/2G: does not play: peak rate"}},
                          Case{MediaPath("pal_16x9_anamorphic_interlaced_ac3_5_1_fullscale.mpg"),
                               1,
                               {"touch 1G/2G: does not play: video codec"}}}) {
        const CliRun r = Cli({"--check", c.file});
        EXPECT_EQ(r.status, c.status) << c.file;
        for (const std::string &line : c.lines)
            EXPECT_TRUE(Contains(r.out, line)) << r.out;
    }
}

TEST(ConvertCli, InvalidSourcesAreSkippedAndFailTheRun)
{
    const std::string out = ScratchDir("cli-invalid");
    const CliRun r = Cli({"-p", "90100", "-o", out, MediaPath("random_bytes.avi"), MediaPath("audio_only.wav")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Contains(r.err, "File:random_bytes.avi is invalid!\n")) << r.err;
    EXPECT_TRUE(Contains(r.out, "Completed: " + MediaPath("audio_only.wav"))) << r.out;

    const CliRun failed = Cli({"-p", "90106", "-o", out, MediaPath("video_only.mp4")});
    EXPECT_EQ(failed.status, 1);
    EXPECT_TRUE(Contains(failed.out, "Failure: " + MediaPath("video_only.mp4") + ": the source has nothing the profile can use\n"))
        << failed.out;

    // A clip past the end of its source is refused, not written as an empty file.
    const CliRun late = Cli({"-o", out, "--start", "00:00:05", "--end", "00:00:09", MediaPath("short_h264_aac_3s.mp4")});
    EXPECT_EQ(late.status, 1);
    EXPECT_TRUE(Contains(late.out, "Failure: " + MediaPath("short_h264_aac_3s.mp4") + ": the clip starts at 5 s")) << late.out;
    EXPECT_FALSE(fs::exists(out + "/short_h264_aac_3s.mp4"));

    const CliRun none = Cli({"-o", out, MediaPath("zero_bytes.mp4")});
    EXPECT_EQ(none.status, 1);
    EXPECT_TRUE(Contains(none.err, "Please add video files!")) << none.err;
}

TEST(ConvertCli, UsageErrors)
{
    const std::string out = ScratchDir("cli-usage");
    const std::string src = MediaPath("audio_only.wav");
    for (auto args : std::vector<std::vector<std::string>>{{"-p", "13", src},
                                                           {"-p", "90999", src},
                                                           {"--fps", "31 fps", src},
                                                           {"--size", "320x240", src},
                                                           {"--vbitrate", "fast", src},
                                                           {"--rate", "44100", src},
                                                           {"--channels", "3", src},
                                                           {"--fit", "zoom", src},
                                                           {"--start", "soon", src},
                                                           {"--end"},
                                                           {"-o", out, "--probe", src}}) {
        const CliRun r = Cli(args);
        EXPECT_EQ(r.status, 2) << args[0] << " " << args[1] << "\n" << r.err;
    }
    const CliRun folder = Cli({"-o", out + "/no/such", src});
    EXPECT_EQ(folder.status, 2);
    EXPECT_TRUE(Contains(folder.err, "The folder that you selected does not exit.Please specify a different folder!"));
    EXPECT_FALSE(fs::exists(out + "/no"));

    const CliRun reversed = Cli({"-o", out, "--start", "00:00:02", "--end", "00:00:01", src});
    EXPECT_EQ(reversed.status, 2);
    EXPECT_TRUE(Contains(reversed.err, "--end 00:00:01 comes before --start 00:00:02")) << reversed.err;
    // The pair given for one source does not hold for the next once --start moves on.
    EXPECT_EQ(Cli({"-o", out, "--start", "00:00:01", "--end", "00:00:02", src, "--start", "00:00:03", src}).status, 2);

    const CliRun file = Cli({"-o", src, src});
    EXPECT_EQ(file.status, 2);
    EXPECT_TRUE(Contains(file.err, src + " is a file, not a folder")) << file.err;
    EXPECT_TRUE(zentrova::test::FilesIn(out).empty());
}

TEST(ConvertCli, DefaultFolderIsTheMainWindowsAndTheFolderIsRemembered)
{
    const std::string program = ScratchDir("cli-default-folder");
    const CliRun r = Cli({"-p", "10", MediaPath("audio_only.wav")}, program);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(program + "/OutPut/audio_only.aac"));
    EXPECT_EQ(ReadRememberedFolder(FolderSettingsFile(program)), program + "/OutPut");

    // A relative folder is remembered as the folder it named, not as a text read from elsewhere.
    const fs::path before = fs::current_path();
    const std::string elsewhere = ScratchDir("cli-relative");
    fs::current_path(elsewhere);
    const CliRun relative = Cli({"-p", "10", "-o", "relout", MediaPath("audio_only.wav")}, program);
    fs::current_path(before);
    ASSERT_EQ(relative.status, 0) << relative.err;
    EXPECT_EQ(ReadRememberedFolder(FolderSettingsFile(program)), elsewhere + "/relout");
}

TEST(ConvertCli, SigtermFinishesThePlayableFileAndExits130)
{
    const std::string out = ScratchDir("cli-sigterm");
    // Run a copy from a scratch folder: a run remembers its output folder beside the program,
    // and the real build's program folder must keep the user's choice.
    const std::string program = ScratchDir("cli-sigterm-program");
    const std::string exe = program + "/zentrova-convert";
    fs::copy_file(ZENTROVA_CONVERT_EXE, exe);
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        execl(exe.c_str(), exe.c_str(), "-o", out.c_str(), MediaPath("long_h264_aac_30s.mp4").c_str(),
              MediaPath("short_h264_aac_3s.mp4").c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    FILE *child = fdopen(fds[0], "r");
    std::string output;
    char line[4096];
    bool signalled = false;
    while (std::fgets(line, sizeof line, child)) {
        output += line;
        // Plain progress lines arrive every quarter; stop at the first one.
        if (!signalled && Contains(line, "long_h264_aac_30s.mp4 25%")) {
            kill(pid, SIGTERM);
            signalled = true;
        }
    }
    std::fclose(child);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(signalled) << output;
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130) << output;
    EXPECT_TRUE(Contains(output, "Stopped: " + MediaPath("long_h264_aac_30s.mp4") + "\n")) << output;
    EXPECT_FALSE(Contains(output, "short_h264_aac_3s")) << output;
    const std::string file = out + "/long_h264_aac_30s.mp4";
    const auto probe = zentrova::test::Ffprobe(file);
    EXPECT_EQ(probe.errors, "");
    EXPECT_EQ(zentrova::test::DecodeErrors(file), "");
    EXPECT_GT(probe.Number(probe.format, "duration"), 5.0);
    EXPECT_LT(probe.Number(probe.format, "duration"), 29.0);
    EXPECT_FALSE(fs::exists(out + "/short_h264_aac_3s.mp4"));
}

TEST(ConvertCli, MergesTheSourcesIntoOneFileNamedAfterTheFirst)
{
    const std::string out = ScratchDir("cli-merge");
    const std::string a = MediaPath("plain_2s.mp4"), b = MediaPath("audio_only.wav"), c = MediaPath("plain_4s.mp4");
    const CliRun r = Cli({"--merge", "-p", "2", "-o", out, a, b, c});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const std::string &source : {a, b, c})
        EXPECT_TRUE(Contains(r.out, "Completed: " + source + "\n")) << r.out;
    const std::string merged = out + "/plain_2s.mp4";
    // The merged file last, with the devices it plays on.
    EXPECT_TRUE(Contains(r.out, "Merged: " + merged + "\n  Plays on: iPod 5G (firmware before 1.2);")) << r.out;
    EXPECT_TRUE(r.out.ends_with("1G/2G\n")) << r.out;
    EXPECT_EQ(zentrova::test::FilesIn(out), std::vector<std::string>{"plain_2s.mp4"});
    const auto probe = zentrova::test::Ffprobe(merged);
    EXPECT_EQ(probe.errors, "");
    EXPECT_EQ(probe.Stream("video")->at("codec_name"), "mpeg4");
    EXPECT_NEAR(probe.Number(probe.format, "duration"), 9.0, 0.3);
}

// The run happens in a child whose files may not grow past `fileLimit` bytes, as on a full disk.
CliRun CliWithFileLimit(const std::vector<std::string> &args, rlim_t fileLimit)
{
    int fds[2];
    if (pipe(fds) != 0)
        return {-1, "", "pipe"};
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const rlimit limit{fileLimit, fileLimit};
        setrlimit(RLIMIT_FSIZE, &limit);
        // Writes past the limit then fail with EFBIG instead of killing the process.
        signal(SIGXFSZ, SIG_IGN);
        const CliRun r = Cli(args);
        const std::string text = r.out + r.err;
        for (std::size_t done = 0; done < text.size();) {
            const ssize_t n = write(fds[1], text.data() + done, text.size() - done);
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        _exit(r.status);
    }
    close(fds[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text, ""};
}

TEST(ConvertCli, AFileThatCannotBeFinishedFailsItsRowsAndLeavesNothing)
{
    // The disk fills in the middle of a conversion, in the second row of a merge after the first
    // was merged, and in a merge's first row.
    const std::string small = MediaPath("plain_2s.mp4"), large = MediaPath("long_h264_aac_30s.mp4");
    for (const auto &sources : {std::vector<std::string>{large}, std::vector<std::string>{small, large},
                                std::vector<std::string>{large, small}}) {
        const std::string out = ScratchDir("cli-disk-full");
        std::vector<std::string> args{"-o", out};
        if (sources.size() > 1)
            args.insert(args.begin(), "--merge");
        args.insert(args.end(), sources.begin(), sources.end());
        const CliRun r = CliWithFileLimit(args, 1 << 20);
        EXPECT_EQ(r.status, 1) << r.out;
        for (const std::string &source : sources)
            EXPECT_TRUE(Contains(r.out, "Failure: " + source + ": ")) << r.out;
        EXPECT_FALSE(Contains(r.out, "Completed:")) << r.out;
        EXPECT_TRUE(zentrova::test::FilesIn(out).empty()) << r.out;
    }
}

TEST(ConvertCli, MergeNeedsTwoSourcesAndWholeOnes)
{
    const std::string out = ScratchDir("cli-merge-usage");
    const CliRun one = Cli({"--merge", "-o", out, MediaPath("plain_2s.mp4")});
    EXPECT_EQ(one.status, 2);
    EXPECT_EQ(one.err, "Merge is effective when two or more files are chosen!\n");
    // Two given, one of them unreadable: still fewer than two to merge.
    const CliRun invalid = Cli({"--merge", "-o", out, MediaPath("plain_2s.mp4"), MediaPath("random_bytes.avi")});
    EXPECT_EQ(invalid.status, 2);
    EXPECT_TRUE(Contains(invalid.err, "Merge is effective when two or more files are chosen!\n")) << invalid.err;
    const CliRun clipped = Cli({"--merge", "--end", "00:00:01", MediaPath("plain_2s.mp4"), MediaPath("plain_4s.mp4")});
    EXPECT_EQ(clipped.status, 2);
    EXPECT_TRUE(Contains(clipped.err, "--merge")) << clipped.err;
    EXPECT_TRUE(zentrova::test::FilesIn(out).empty());
}
