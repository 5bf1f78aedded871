#include "ConvertCli.h"
#include "TestMedia.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace zentrova;
using zentrova::test::MediaPath;

namespace {

struct CliRun {
    int status;
    std::string out, err;
};

CliRun Cli(std::vector<std::string> args)
{
    std::ostringstream out, err;
    const int status = RunConvertCli(args, out, err);
    return {status, out.str(), err.str()};
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
