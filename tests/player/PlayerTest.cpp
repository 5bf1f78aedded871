// The player library through its C interface: timing, seeking, the end call and odd sources.
#include "dialogs/player/PictureSize.h"
#include "dialogs/player/PlaybackClock.h"
#include "dialogs/player/PlayerModule.h"
#include "tests/support/TestMedia.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using zentrova::test::MediaPath;

namespace {

constexpr const char *kCounter = "counter_bands_25fps_22s.mp4";
constexpr double kFps = 25;

bool OpenMedia(const std::string &name)
{
    EXPECT_EQ(PlayerModule_SetFileName(MediaPath(name).c_str()), 0);
    return PlayerModule_Open() == 0;
}

double Pos()
{
    float f = -1;
    EXPECT_EQ(PlayerModule_GetPos(&f), 0);
    return f;
}

double Duration()
{
    double d = -1;
    EXPECT_EQ(PlayerModule_GetDuration(&d), 0);
    return d;
}

template <typename Condition> bool WaitFor(Condition condition, std::chrono::milliseconds timeout)
{
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

// The frame number burnt into the counter source, read back through GetFrame's BGR buffer at
// the given size (GetFrameSize's when 0): the top half gives the second, the bottom half the frame.
int ShownFrame(int width = 0, int height = 0)
{
    if (width == 0) {
        EXPECT_EQ(PlayerModule_GetFrameSize(&width, &height), 0);
    }
    std::vector<std::uint8_t> bgr(static_cast<std::size_t>(width) * height * 3);
    if (bgr.empty() || PlayerModule_GetFrame(bgr.data(), width, height) != 0) {
        ADD_FAILURE() << "no picture";
        return -1;
    }
    const auto level = [&](int yFromTop) {
        double sum = 0;
        int n = 0;
        for (int y = yFromTop - 4; y < yFromTop + 4; ++y) {
            const std::size_t row = static_cast<std::size_t>(height - 1 - y) * width * 3; // bottom row first
            for (int x = width / 2 - 8; x < width / 2 + 8; ++x, ++n)
                sum += bgr[row + static_cast<std::size_t>(x) * 3];
        }
        // Full-range gray back to the source's studio-range luma steps of 9.
        return static_cast<int>(std::lround(sum / n * 219.0 / 255.0 / 9.0));
    };
    return level(height / 4) * 25 + level(height * 3 / 4);
}

std::atomic<int> endsA{0};
std::atomic<int> endsB{0};
void OnEndA() { ++endsA; }
void OnEndB() { ++endsB; }

// Waits like a callback that sends a message to a window whose thread is busy stopping the player.
std::mutex blockMutex;
std::condition_variable blockCv;
bool released = false;
std::atomic<int> blockedEnds{0};
void OnEndBlocking()
{
    ++blockedEnds;
    std::unique_lock lock(blockMutex);
    blockCv.wait(lock, [] { return released; });
}
void Release(bool value)
{
    {
        std::lock_guard lock(blockMutex);
        released = value;
    }
    blockCv.notify_all();
}

class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override { PlayerModule_Initialize(nullptr, nullptr, L"PlayerTests"); }
    void TearDown() override
    {
        PlayerModule_Stop();
        PlayerModule_Close();
        Release(true);
    }
};

struct FitCase {
    int width, height, sarNum, sarDen;
    zentrova::player::PictureSize expected;
};

TEST(PictureSizeTest, DisplayShapeFitsWithoutEnlargingAndRowsNeedNoPadding)
{
    const FitCase cases[] = {
        {1920, 1080, 1, 1, {640, 360}},  // shrunk: no 6 MB conversion per fetch
        {320, 240, 0, 1, {320, 240}},    // never enlarged; unknown aspect is square
        {720, 576, 16, 15, {640, 480}},  // PAL 4:3, pixel aspect honoured
        {720, 480, 32, 27, {640, 360}},  // NTSC 16:9
        {322, 242, 1, 1, {320, 242}},    // width to a multiple of 4
        {175, 143, 1, 1, {172, 144}},    // and an even height
        {100, 1000, 1, 1, {48, 480}},
    };
    for (const FitCase &c : cases) {
        const auto size = zentrova::player::FitPictureSize(c.width, c.height, c.sarNum, c.sarDen);
        EXPECT_EQ(size.width, c.expected.width) << c.width << "x" << c.height;
        EXPECT_EQ(size.height, c.expected.height) << c.width << "x" << c.height;
    }
}

// The dummy sound driver is not a real-time device, so the players below run on the wall clock;
// the sound-driven clock is checked here on its own.
TEST(PlaybackClockTest, FollowsTheSoundOnlyWhileRunningAndForTheCurrentSerial)
{
    zentrova::player::PlaybackClock clock;
    clock.SetAudioDriven(true);
    clock.Reset(10.0, 1);
    clock.SetPlaying(true);
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(clock.Now(), 10.0) << "held until the serial's first data is there";
    clock.Prime(2);
    EXPECT_EQ(clock.Now(), 10.0) << "another serial's data";
    clock.Prime(1);
    std::this_thread::sleep_for(30ms);
    EXPECT_GT(clock.Now(), 10.02);

    const auto heard = std::chrono::steady_clock::now();
    clock.Anchor(12.0, heard, 1);
    EXPECT_NEAR(clock.Now(), 12.0, 0.01);
    clock.Anchor(20.0, heard, 2);
    EXPECT_NEAR(clock.Now(), 12.0, 0.01) << "sound of an old serial";

    clock.SetPlaying(false);
    const double held = clock.Now();
    clock.Anchor(30.0, std::chrono::steady_clock::now(), 1);
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(clock.Now(), held);

    clock.SetAudioDriven(false);
    clock.SetPlaying(true);
    clock.Anchor(40.0, std::chrono::steady_clock::now(), 1);
    EXPECT_NEAR(clock.Now(), held, 0.01) << "a device that is not real-time does not steer";
}

TEST_F(PlayerTest, PlaysInRealTimeAndPauseHolds)
{
    ASSERT_TRUE(OpenMedia(kCounter));
    std::int32_t video = 0, audio = 0, width = 0, height = 0;
    PlayerModule_GetMideaType(&video, &audio);
    PlayerModule_GetFrameSize(&width, &height);
    EXPECT_EQ(video, 1);
    EXPECT_EQ(audio, 1);
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 240);
    const double duration = Duration();
    EXPECT_NEAR(duration, 22.0, 0.1);
    EXPECT_EQ(Pos(), 0.0);

    ASSERT_EQ(PlayerModule_Start(), 0);
    std::this_thread::sleep_for(1s);
    EXPECT_NEAR(Pos() * duration, 1.0, 0.15);

    PlayerModule_Pause();
    const double held = Pos();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(Pos(), held);
    EXPECT_NEAR(ShownFrame() / kFps, held * duration, 2 / kFps);

    PlayerModule_Start();
    std::this_thread::sleep_for(300ms);
    EXPECT_NEAR((Pos() - held) * duration, 0.3, 0.15);
}

TEST_F(PlayerTest, SeekShowsThePictureDueAtTheTarget)
{
    ASSERT_TRUE(OpenMedia(kCounter));
    const double duration = Duration();
    // Stopped at the start, the first picture shows.
    ASSERT_TRUE(WaitFor([] { return ShownFrame() == 0; }, 3s));

    // While paused: the clock stays at the target and the target's picture is decoded for it,
    // forward from the key frame before it; nothing in between is shown.
    ASSERT_EQ(PlayerModule_SetPos(0.5f), 0);
    EXPECT_NEAR(Pos(), 0.5, 1e-4);
    int shown = 0;
    ASSERT_TRUE(WaitFor([&] { return (shown = ShownFrame()) != 0; }, 3s));
    EXPECT_NEAR(shown, 0.5 * duration * kFps, 2);
    EXPECT_NEAR(ShownFrame(160, 120), shown, 0) << "scaled to the asked size";
    EXPECT_NEAR(Pos(), 0.5, 1e-4);

    // While playing.
    PlayerModule_Start();
    std::this_thread::sleep_for(300ms);
    const int before = ShownFrame();
    PlayerModule_SetPos(0.25f);
    ASSERT_TRUE(WaitFor([&] { return (shown = ShownFrame()) != before; }, 3s));
    EXPECT_NEAR(shown, 0.25 * duration * kFps, 2);
}

TEST_F(PlayerTest, PictureStaysWithTheClock)
{
    ASSERT_TRUE(OpenMedia(kCounter));
    const double duration = Duration();
    PlayerModule_Start();
    double worst = 0;
    int samples = 0;
    for (auto until = std::chrono::steady_clock::now() + 20s; std::chrono::steady_clock::now() < until;) {
        const double clock = Pos() * duration;
        const double picture = ShownFrame() / kFps;
        worst = std::max(worst, std::abs(picture - clock));
        ++samples;
        std::this_thread::sleep_for(67ms);
    }
    EXPECT_GT(samples, 200);
    EXPECT_LE(worst, 0.08);
    EXPECT_NEAR(Pos() * duration, 20.0, 1.0);
}

TEST_F(PlayerTest, EndIsReportedOnceToTheCurrentOwner)
{
    endsA = endsB = 0;
    PlayerModule_Initialize(&OnEndA, nullptr, L"PreviewPane");
    ASSERT_TRUE(OpenMedia("short_h264_aac_3s.mp4"));
    PlayerModule_Start();
    std::this_thread::sleep_for(200ms);
    // Handing over does not stop playback; the end goes to the new owner.
    PlayerModule_Initialize(&OnEndB, nullptr, L"ClipDialog");
    ASSERT_TRUE(WaitFor([] { return endsB > 0; }, 6s));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(endsB, 1);
    EXPECT_EQ(endsA, 0);
    EXPECT_NEAR(Pos(), 1.0, 1e-3);

    PlayerModule_Stop();
    EXPECT_EQ(Pos(), 0.0);
    PlayerModule_Start();
    std::this_thread::sleep_for(200ms);
    EXPECT_LT(Pos() * Duration(), 0.5) << "Start after Stop plays from the beginning";
}

TEST_F(PlayerTest, StopCloseAndOpenWhileTheEndCallbackWaits)
{
    blockedEnds = 0;
    Release(false);
    PlayerModule_Initialize(&OnEndBlocking, nullptr, L"ClipDialog");
    ASSERT_TRUE(OpenMedia("short_h264_aac_3s.mp4"));
    PlayerModule_SetPos(0.9f);
    PlayerModule_Start();
    ASSERT_TRUE(WaitFor([] { return blockedEnds > 0; }, 5s));

    // The user-interface thread stops the player while the callback waits for it.
    EXPECT_EQ(PlayerModule_Stop(), 0);
    EXPECT_EQ(PlayerModule_Close(), 0);
    ASSERT_TRUE(OpenMedia("short_h264_aac_3s.mp4"));
    PlayerModule_SetPos(0.95f);
    PlayerModule_Start();
    std::this_thread::sleep_for(400ms); // ends again behind the blocked callback
    ASSERT_TRUE(OpenMedia(kCounter));   // replaced without Close: that end is never delivered
    PlayerModule_Start();
    PlayerModule_Stop();
    Release(true);
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(blockedEnds, 1);
}

TEST_F(PlayerTest, StopCloseOpenInAnyOrder)
{
    // O open, S start, P pause, T stop, C close, K seek, F fetch a picture.
    const char *sequences[] = {"TCTC", "OTTCC", "OSTSTC", "OSOSOC", "OSKPKSTC", "OCSPTKF", "OKFSFPTSC",
                               "SOPSCTO", "OSCOSF", "OOTTSSPPCC"};
    for (const char *ops : sequences) {
        SCOPED_TRACE(ops);
        bool open = false;
        for (const char *op = ops; *op; ++op) {
            switch (*op) {
            case 'O': open = OpenMedia(kCounter); EXPECT_TRUE(open); break;
            case 'S': EXPECT_EQ(PlayerModule_Start(), 0); break;
            case 'P': EXPECT_EQ(PlayerModule_Pause(), 0); break;
            case 'T':
                EXPECT_EQ(PlayerModule_Stop(), 0);
                EXPECT_EQ(Pos(), 0.0);
                break;
            case 'C': EXPECT_EQ(PlayerModule_Close(), 0); open = false; break;
            case 'K': EXPECT_EQ(PlayerModule_SetPos(0.5f), 0); break;
            case 'F': {
                std::uint8_t pixel[3 * 4 * 2];
                EXPECT_EQ(PlayerModule_GetFrame(pixel, 4, 2), open ? 0 : -1);
                break;
            }
            }
            std::this_thread::sleep_for(30ms);
            const double p = Pos();
            EXPECT_TRUE(p >= 0 && p <= 1) << p;
            if (!open) {
                EXPECT_EQ(p, 0.0);
            }
        }
        PlayerModule_Close();
    }
}

struct PartialSource {
    const char *name;
    int video, audio, width, height;
};

TEST_F(PlayerTest, SourceWithOnlyPictureOrOnlySoundPlays)
{
    const PartialSource sources[] = {
        {"video_only.mp4", 1, 0, 320, 240},
        {"audio_only.mp3", 0, 1, 0, 0},
        {"audio_with_cover.mp3", 0, 1, 0, 0}, // cover art is not a picture
    };
    for (const PartialSource &s : sources) {
        SCOPED_TRACE(s.name);
        ASSERT_TRUE(OpenMedia(s.name));
        std::int32_t video = -1, audio = -1, width = -1, height = -1;
        PlayerModule_GetMideaType(&video, &audio);
        PlayerModule_GetFrameSize(&width, &height);
        EXPECT_EQ(video, s.video);
        EXPECT_EQ(audio, s.audio);
        EXPECT_EQ(width, s.width);
        EXPECT_EQ(height, s.height);
        std::uint8_t pixel[3];
        if (!s.video) {
            EXPECT_EQ(PlayerModule_GetFrame(pixel, 1, 1), -1);
        }
        const double duration = Duration();
        EXPECT_GT(duration, 2.0);
        PlayerModule_Start();
        std::this_thread::sleep_for(500ms);
        EXPECT_NEAR(Pos() * duration, 0.5, 0.15);
        PlayerModule_Close();
    }
}

// Sources stored 320x180, top half white, bottom half grey, marked to be shown turned: pictures
// come at the shown shape, the white half where the shown picture has it.
TEST_F(PlayerTest, TurnedSourcesAreShownUpright)
{
    struct Turned {
        const char *name;
        int width, height;
        int whiteX, whiteY, greyX, greyY;  // from the top left
    };
    const Turned sources[] = {
        {"turned_0.mp4", 320, 180, 160, 45, 160, 135},
        {"turned_90.mp4", 180, 320, 45, 160, 135, 160},
        {"turned_180.mp4", 320, 180, 160, 135, 160, 45},
        {"turned_270.mp4", 180, 320, 135, 160, 45, 160},
    };
    for (const Turned &t : sources) {
        SCOPED_TRACE(t.name);
        ASSERT_TRUE(OpenMedia(t.name));
        std::int32_t width = -1, height = -1;
        PlayerModule_GetFrameSize(&width, &height);
        EXPECT_EQ(width, t.width);
        EXPECT_EQ(height, t.height);
        PlayerModule_Start();
        std::this_thread::sleep_for(300ms);
        std::vector<std::uint8_t> bgr(static_cast<std::size_t>(t.width) * t.height * 3);
        ASSERT_EQ(PlayerModule_GetFrame(bgr.data(), t.width, t.height), 0);
        const auto green = [&](int x, int y) { // rows bottom first
            return bgr[(static_cast<std::size_t>(t.height - 1 - y) * t.width + x) * 3 + 1];
        };
        EXPECT_GT(green(t.whiteX, t.whiteY), 230);
        EXPECT_NEAR(green(t.greyX, t.greyY), 128, 20);
        PlayerModule_Close();
    }
}

TEST_F(PlayerTest, NoSoundDevicePlaysSilentlyOnTheWallClock)
{
    const char *driver = std::getenv("SDL_AUDIODRIVER");
    const std::string saved = driver ? driver : "";
    setenv("SDL_AUDIODRIVER", "no_such_driver", 1);
    const bool opened = OpenMedia(kCounter);
    setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
    ASSERT_TRUE(opened);
    std::int32_t video = 0, audio = 0;
    PlayerModule_GetMideaType(&video, &audio);
    EXPECT_EQ(audio, 1);
    PlayerModule_Start();
    std::this_thread::sleep_for(500ms);
    EXPECT_NEAR(Pos() * Duration(), 0.5, 0.15);
    EXPECT_NEAR(ShownFrame() / kFps, Pos() * Duration(), 0.08);
}

TEST_F(PlayerTest, UnreadableSourcesAreRefused)
{
    ASSERT_TRUE(OpenMedia("video_only.mp4"));
    for (const char *name : {"zero_bytes.mp4", "random_bytes.avi", "no_such_file.mp4"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(OpenMedia(name), false);
        std::int32_t video = -1, audio = -1, width = -1, height = -1;
        PlayerModule_GetMideaType(&video, &audio);
        PlayerModule_GetFrameSize(&width, &height);
        EXPECT_EQ(video + audio + width + height, 0) << "the file open before is closed";
        std::uint8_t pixel[3];
        EXPECT_EQ(PlayerModule_GetFrame(pixel, 1, 1), -1);
        EXPECT_EQ(PlayerModule_Start(), 0);
        EXPECT_EQ(Pos(), 0.0);
        EXPECT_EQ(Duration(), 0.0);
        EXPECT_EQ(PlayerModule_Stop(), 0);
        EXPECT_EQ(PlayerModule_Close(), 0);
    }
}

TEST_F(PlayerTest, VolumeIsClampedAndKeptAcrossFiles)
{
    const std::pair<std::int32_t, std::int32_t> cases[] = {
        {-5, 0}, {0, 0}, {1234, 1234}, {65535, 65535}, {65536, 65535}, {100000, 65535}};
    for (auto [set, expected] : cases) {
        std::int32_t volume = -1;
        EXPECT_EQ(PlayerModule_SetVolume(set), 0);
        EXPECT_EQ(PlayerModule_GetVolume(&volume), 0);
        EXPECT_EQ(volume, expected) << set;
    }
    PlayerModule_SetVolume(1234);
    ASSERT_TRUE(OpenMedia("audio_only.mp3"));
    ASSERT_TRUE(OpenMedia(kCounter));
    std::int32_t volume = -1;
    PlayerModule_GetVolume(&volume);
    EXPECT_EQ(volume, 1234);
    PlayerModule_Start(); // quieter samples go through the device
    std::this_thread::sleep_for(200ms);
    PlayerModule_SetVolume(65535);
}

} // namespace
