// The iPod layer against fake iPods made with libgpod itself in the test's scratch folder.
#include "ipod/GlibPtr.h"
#include "ipod/IpodDatabase.h"
#include "ipod/IpodSender.h"
#include "tests/support/TestMedia.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

using namespace zentrova;
using zentrova::test::MediaPath;
using zentrova::test::ScratchDir;
namespace fs = std::filesystem;

namespace {

std::string MakeFakeIpod(const std::string &name, const char *model = "MA002")
{
    const std::string folder = ScratchDir(name);
    GErrorSlot e;
    EXPECT_TRUE(itdb_init_ipod(folder.c_str(), model, "Test Pod", e.out())) << e.text();
    return folder;
}

// Every file and folder under `root` with its contents' hash: equal listings are equal trees.
std::map<std::string, std::string> TreeListing(const std::string &root)
{
    std::map<std::string, std::string> listing;
    for (const fs::directory_entry &e : fs::recursive_directory_iterator(root)) {
        std::string value = "folder";
        if (e.is_regular_file()) {
            std::ifstream in(e.path(), std::ios::binary);
            std::uint64_t hash = 1469598103934665603ull;
            for (char c; in.get(c);)
                hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
            value = std::to_string(e.file_size()) + ":" + std::to_string(hash);
        }
        listing[e.path().lexically_relative(root).string()] = value;
    }
    return listing;
}

struct TrackRecord {
    std::string title;
    guint32 mediatype;
    gint32 lengthMs;
    std::string file;
    std::uintmax_t size;
    bool picture;
};

// The database as libgpod reads it back, in database order.
std::vector<TrackRecord> ReadBack(const std::string &mountPoint)
{
    GErrorSlot e;
    ItdbPtr db(itdb_parse(mountPoint.c_str(), e.out()));
    EXPECT_TRUE(db) << e.text();
    std::vector<TrackRecord> tracks;
    if (!db)
        return tracks;
    EXPECT_EQ(itdb_playlist_tracks_number(itdb_playlist_mpl(db.get())), itdb_tracks_number(db.get()));
    for (GList *l = db->tracks; l; l = l->next) {
        auto *t = static_cast<Itdb_Track *>(l->data);
        tracks.push_back({t->title ? t->title : "", t->mediatype, t->tracklen, TakeString(itdb_filename_on_ipod(t)),
                          t->size, itdb_track_has_thumbnails(t) == TRUE});
    }
    return tracks;
}

const std::string kVideo = "h264_aac_stereo_12s.mp4";

} // namespace

TEST(Ipod, SentFilesAreInTheDatabaseWhereItSays)
{
    const std::string pod = MakeFakeIpod("send");
    const std::optional<IpodInfo> info = ReadIpod(pod);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->name, "Test Pod");
    EXPECT_NE(info->model.find("Video (1st Gen.)"), std::string::npos) << info->model;
    EXPECT_EQ(info->refusal, "");

    // The title comes from the source's tag, else from its name.
    const std::string titled = ScratchDir("send-sources") + "/tagged.mp3";
    ASSERT_EQ(std::system(("ffmpeg -v error -nostdin -y -i " + MediaPath("audio_only.mp3") +
                           " -c copy -metadata title='Sunday Tone' " + titled).c_str()),
              0);
    const IpodSendResult r =
        SendToIpod(pod, {{MediaPath(kVideo), "/elsewhere/Holiday Film.avi"}, {MediaPath("audio_only.mp3"), titled}});
    ASSERT_TRUE(r.ok()) << r.error;
    ASSERT_EQ(r.tracks.size(), 2u);

    const std::vector<TrackRecord> tracks = ReadBack(pod);
    ASSERT_EQ(tracks.size(), 2u);
    const struct {
        const char *title;
        guint32 mediatype;
        gint32 lengthMs;
        std::string source;
        bool picture;
    } expected[] = {{"Holiday Film", ITDB_MEDIATYPE_MOVIE, 12000, MediaPath(kVideo), true},
                    {"Sunday Tone", ITDB_MEDIATYPE_AUDIO, 6000, MediaPath("audio_only.mp3"), false}};
    for (std::size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(expected[i].title);
        EXPECT_EQ(tracks[i].title, expected[i].title);
        EXPECT_EQ(tracks[i].mediatype, expected[i].mediatype);
        EXPECT_NEAR(tracks[i].lengthMs, expected[i].lengthMs, 150);
        EXPECT_EQ(tracks[i].picture, expected[i].picture);
        ASSERT_TRUE(fs::is_regular_file(tracks[i].file));
        EXPECT_EQ(fs::file_size(tracks[i].file), fs::file_size(expected[i].source));
        EXPECT_EQ(tracks[i].size, fs::file_size(expected[i].source));
        EXPECT_EQ(fs::path(pod) / r.tracks[i].ipodFile, fs::path(tracks[i].file));
    }
}

TEST(Ipod, VideoKindFollowsTheOption)
{
    EXPECT_FALSE(ParseIpodVideoKind("film"));
    const std::string pod = MakeFakeIpod("kinds");
    const std::pair<const char *, guint32> kinds[] = {
        {"music-video", ITDB_MEDIATYPE_MUSICVIDEO}, {"tv-show", ITDB_MEDIATYPE_TVSHOW}, {"movie", ITDB_MEDIATYPE_MOVIE}};
    for (const auto &[text, mediatype] : kinds) {
        IpodSendOptions options;
        options.videoKind = *ParseIpodVideoKind(text);
        ASSERT_TRUE(SendToIpod(pod, {{MediaPath(kVideo), ""}}, options).ok());
        EXPECT_EQ(ReadBack(pod).back().mediatype, mediatype) << text;
    }
}

TEST(Ipod, SecondSendAddsAndOverwritesNothing)
{
    const std::string pod = MakeFakeIpod("twice");
    ASSERT_TRUE(SendToIpod(pod, {{MediaPath(kVideo), ""}}).ok());
    const std::vector<TrackRecord> first = ReadBack(pod);
    ASSERT_EQ(first.size(), 1u);
    const auto before = TreeListing(pod);

    ASSERT_TRUE(SendToIpod(pod, {{MediaPath(kVideo), ""}}).ok());
    const std::vector<TrackRecord> both = ReadBack(pod);
    ASSERT_EQ(both.size(), 2u);
    EXPECT_EQ(both[0].file, first[0].file);
    EXPECT_NE(both[1].file, both[0].file);
    EXPECT_TRUE(fs::is_regular_file(both[1].file));
    const auto after = TreeListing(pod);
    const std::string firstFile = fs::path(first[0].file).lexically_relative(pod).string();
    EXPECT_EQ(after.at(firstFile), before.at(firstFile));
}

TEST(Ipod, FailureBeforeTheWriteLeavesTheIpodAsItWas)
{
    const std::string pod = MakeFakeIpod("rollback");
    // A database with a track and pictures already, so the backup has more than a blank one.
    ASSERT_TRUE(SendToIpod(pod, {{MediaPath(kVideo), ""}}).ok());
    const auto before = TreeListing(pod);

    IpodSendOptions options;
    options.beforeWrite = [] { return std::string("the iPod was unplugged"); };
    const IpodSendResult r = SendToIpod(pod, {{MediaPath(kVideo), ""}, {MediaPath("audio_only.mp3"), ""}}, options);
    EXPECT_FALSE(r.ok());
    EXPECT_NE(r.error.find("the iPod was unplugged"), std::string::npos) << r.error;
    EXPECT_NE(r.error.find("left as it was"), std::string::npos) << r.error;
    EXPECT_TRUE(r.tracks.empty());
    EXPECT_EQ(TreeListing(pod), before);
    EXPECT_EQ(ReadBack(pod).size(), 1u);
    // The backup went with the failed send.
    for (const fs::directory_entry &e : fs::directory_iterator(std::getenv("TMPDIR")))
        EXPECT_EQ(e.path().filename().string().find("zentrova-ipod-backup"), std::string::npos) << e.path();
}

TEST(Ipod, RefusalsSayWhyAndTouchNothing)
{
    // Models whose database needs a checksum libgpod cannot make here, and a file no iPod plays.
    const struct {
        const char *sysInfo;
        const char *file;
        const char *says;
    } cases[] = {
        {"ModelNumStr: MB029\n", "", "FireWire ID"},
        {"ModelNumStr: MC027\n", "", "HashInfo"},
        {"ModelNumStr: MC525\n", "", "checksum libgpod cannot make"},
        {"ModelNumStr: MA002\n", "song.aac", "does not play .aac files"},
    };
    int n = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.says);
        const std::string pod = MakeFakeIpod("refused" + std::to_string(n++));
        std::ofstream(pod + "/iPod_Control/Device/SysInfo") << c.sysInfo;
        std::string file = MediaPath(kVideo);
        if (*c.file) {
            file = ScratchDir("refused-file") + "/" + c.file;
            fs::copy_file(MediaPath("audio_only.mp3"), file);
        } else {
            EXPECT_NE(ReadIpod(pod)->refusal.find(c.says), std::string::npos);
        }
        const auto before = TreeListing(pod);
        const IpodSendResult r = SendToIpod(pod, {{file, ""}});
        EXPECT_NE(r.error.find(c.says), std::string::npos) << r.error;
        EXPECT_EQ(TreeListing(pod), before);
    }

    // With its FireWire ID the classic's database is signed and written.
    const std::string classic = MakeFakeIpod("classic");
    std::ofstream(classic + "/iPod_Control/Device/SysInfo") << "ModelNumStr: MB029\nFirewireGuid: 0x000A27001234ABCD\n";
    EXPECT_EQ(ReadIpod(classic)->refusal, "");
    const IpodSendResult r = SendToIpod(classic, {{MediaPath(kVideo), ""}});
    EXPECT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(ReadBack(classic).size(), 1u);
}

TEST(Ipod, FindsMountedIpodsInTheMountTable)
{
    const std::string pod = MakeFakeIpod("mounted/My Pod");
    const std::string plain = ScratchDir("mounted/stick");
    const std::string table = ScratchDir("mounts") + "/mounts";
    std::string escaped = pod;
    escaped.replace(escaped.find(' '), 1, "\\040");
    std::ofstream(table) << "/dev/sda1 / ext4 rw 0 0\n"
                         << "proc /proc proc rw 0 0\n"
                         << "/dev/sdb1 " << plain << " vfat rw 0 0\n"
                         << "/dev/sdc1 " << escaped << " vfat rw 0 0\n"
                         << "/dev/sdc1 " << escaped << " vfat rw 0 0\n";
    const std::vector<IpodInfo> found = FindIpods(table);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].mountPoint, pod);
    EXPECT_EQ(found[0].name, "Test Pod");
    EXPECT_TRUE(FindIpods(ScratchDir("mounts") + "/missing").empty());
}
