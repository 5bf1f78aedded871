// zentrova-convert with an iPod: listing, refusals before converting, and a real send.
#include "cli/ConvertCli.h"
#include "ipod/GlibPtr.h"
#include "tests/support/TestMedia.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace zentrova;
using zentrova::test::MediaPath;
using zentrova::test::ScratchDir;
namespace fs = std::filesystem;

namespace {

std::string FakeIpod(const std::string &name, const char *sysInfo = nullptr)
{
    const std::string folder = ScratchDir(name);
    GErrorSlot e;
    EXPECT_TRUE(itdb_init_ipod(folder.c_str(), "MA002", "Cli Pod", e.out())) << e.text();
    if (sysInfo)
        std::ofstream(folder + "/iPod_Control/Device/SysInfo") << sysInfo;
    return folder;
}

struct CliResult {
    int status;
    std::string out, err;
};

CliResult Cli(const std::vector<std::string> &args, const std::string &mountTable = "/nonexistent")
{
    std::ostringstream out, err;
    CliEnvironment env;
    env.programDir = ScratchDir("ipod-cli-program");
    env.mountTable = mountTable;
    const int status = RunConvertCli(args, out, err, env);
    return {status, out.str(), err.str()};
}

bool Contains(const std::string &text, const std::string &part)
{
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(IpodCli, ListsMountedIpodsWithTheirRefusals)
{
    const std::string good = FakeIpod("list-5g");
    const std::string classic = FakeIpod("list-classic", "ModelNumStr: MB029\n");
    const std::string table = ScratchDir("list-table") + "/mounts";
    std::ofstream(table) << "/dev/sdb1 " << good << " vfat rw 0 0\n/dev/sdc1 " << classic << " vfat rw 0 0\n";
    CliResult r = Cli({"--list-ipods"}, table);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, good + "\t\"Cli Pod\"\tVideo (1st Gen.) Video (White) 30 GB\n")) << r.out;
    EXPECT_TRUE(Contains(r.out, classic + "\t\"Cli Pod\"\tClassic")) << r.out;
    EXPECT_TRUE(Contains(r.out, "  cannot be written: This iPod (Classic")) << r.out;

    r = Cli({"--list-ipods"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Contains(r.err, "no mounted iPod found"));
}

TEST(IpodCli, RefusesBeforeConverting)
{
    const std::string refused = FakeIpod("refused", "ModelNumStr: MC027\n");
    const std::string pod = FakeIpod("usage");
    const std::string out = ScratchDir("refused-out");
    const std::string source = MediaPath("short_h264_aac_3s.mp4");
    const struct {
        std::vector<std::string> args;
        const char *says;
    } cases[] = {
        {{"--ipod", refused, "-o", out, source}, "HashInfo"},
        {{"--ipod", out, source}, "holds no iPod database"},
        {{"--ipod", pod, "-p", "10", "-o", out, source}, "does not play .aac files"},
        {{"--ipod", pod, "--ipod-kind", "film", source}, "movie, music-video or tv-show"},
        {{"--list-ipods", source}, "Usage:"},
    };
    for (const auto &c : cases) {
        const CliResult r = Cli(c.args);
        EXPECT_EQ(r.status, 2) << c.says;
        EXPECT_TRUE(Contains(r.err, c.says)) << r.err;
    }
    EXPECT_TRUE(fs::is_empty(out));
}

// The real program: a conversion whose file lands on the iPod, the staging folder gone after.
TEST(IpodCli, ConvertsAndSendsToTheIpod)
{
    const std::string pod = FakeIpod("send");
    const std::string command = std::string("'") + ZENTROVA_CONVERT_EXE + "' --ipod '" + pod +
                                "' --ipod-kind tv-show '" + MediaPath("short_h264_aac_3s.mp4") + "' 2>&1";
    FILE *child = popen(command.c_str(), "r");
    ASSERT_TRUE(child);
    std::string output;
    char line[4096];
    while (std::fgets(line, sizeof line, child))
        output += line;
    ASSERT_EQ(pclose(child), 0) << output;
    EXPECT_TRUE(Contains(output, "Sending 1 file to the iPod \"Cli Pod\"")) << output;
    EXPECT_TRUE(Contains(output, "Sent: " + MediaPath("short_h264_aac_3s.mp4") + " -> iPod_Control/Music/F")) << output;

    GErrorSlot e;
    ItdbPtr db(itdb_parse(pod.c_str(), e.out()));
    ASSERT_TRUE(db) << e.text();
    ASSERT_EQ(itdb_tracks_number(db.get()), 1u);
    const auto *track = static_cast<Itdb_Track *>(db->tracks->data);
    EXPECT_STREQ(track->title, "short_h264_aac_3s");
    EXPECT_EQ(track->mediatype, static_cast<guint32>(ITDB_MEDIATYPE_TVSHOW));
    EXPECT_NEAR(track->tracklen, 3000, 150);
    EXPECT_TRUE(fs::is_regular_file(TakeString(itdb_filename_on_ipod(const_cast<Itdb_Track *>(track)))));
    for (const fs::directory_entry &entry : fs::directory_iterator(std::getenv("TMPDIR")))
        EXPECT_FALSE(entry.path().filename().string().starts_with("zentrova-ipod")) << entry.path();
}
