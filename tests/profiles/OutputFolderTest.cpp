#include "profiles/OutputFolder.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using namespace zentrova;

namespace {

class OutputFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("zentrova-folder-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string Read(const std::string &file)
    {
        std::ifstream in(file);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

    fs::path dir;
};

// Root may write anywhere, so as root the check runs in a child that has become the unprivileged
// "nobody" user; it ends with status 0 when the users' folders were chosen.
void CheckReadOnlyFolderAsAUser(const std::string &program, const std::string &config)
{
    if (::geteuid() == 0) {
        const passwd *nobody = ::getpwnam("nobody");
        const uid_t uid = nobody ? nobody->pw_uid : 65534;
        const gid_t gid = nobody ? nobody->pw_gid : 65534;
        if (::setgroups(0, nullptr) != 0 || ::setresgid(gid, gid, gid) != 0 || ::setresuid(uid, uid, uid) != 0) {
            std::perror("cannot become nobody");
            std::_Exit(2);
        }
    }
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    const std::string settings = FolderSettingsFile(program);
    const std::string output = DefaultOutputFolder(program);
    const bool ok = settings == config + "/zentrova/Path_Registration.ini" &&
                    output.find("/Videos/OutPut") != std::string::npos;
    std::fprintf(stderr, "settings file %s, output folder %s\n", settings.c_str(), output.c_str());
    std::_Exit(ok ? 0 : 1);
}

} // namespace

TEST_F(OutputFolderTest, FirstStartCreatesTheDefaultFolder)
{
    const std::string program = dir.string();
    EXPECT_EQ(FolderSettingsFile(program), program + "/bin/Path_Registration.ini");
    const std::string folder = ChooseStartupFolder(program);
    EXPECT_EQ(folder, program + "/OutPut");
    EXPECT_TRUE(fs::is_directory(folder));
}

TEST_F(OutputFolderTest, RemembersTheFolderOfTheLastRun)
{
    const std::string program = dir.string();
    const std::string file = FolderSettingsFile(program);
    ASSERT_TRUE(SaveOutputFolder(file, "/media/videos/ipod out"));
    EXPECT_EQ(Read(file), "[Info]\nPath=/media/videos/ipod out\n");
    EXPECT_EQ(ChooseStartupFolder(program), "/media/videos/ipod out");
    ASSERT_TRUE(SaveOutputFolder(file, "/other"));
    EXPECT_EQ(Read(file), "[Info]\nPath=/other\n");
}

TEST_F(OutputFolderTest, KeysAreReadWithoutRegardToCaseAndOtherContentIsKept)
{
    const std::string file = (dir / "settings.ini").string();
    {
        std::ofstream out(file);
        out << "[Other]\npath=/not/this\n[info]\nPATH = /this/one\nKeep=1\n";
    }
    EXPECT_EQ(ReadRememberedFolder(file), "/this/one");
    ASSERT_TRUE(SaveOutputFolder(file, "/new"));
    EXPECT_EQ(Read(file), "[Other]\npath=/not/this\n[info]\nPath=/new\nKeep=1\n");
}

TEST_F(OutputFolderTest, EmptyOrMissingKeyGivesTheDefault)
{
    const std::string program = dir.string();
    fs::create_directories(dir / "bin");
    {
        std::ofstream out(FolderSettingsFile(program));
        out << "[Info]\nPath=\n";
    }
    EXPECT_EQ(ChooseStartupFolder(program), program + "/OutPut");
    {
        std::ofstream out(FolderSettingsFile(program));
        out << "[Info]\nOther=x\n";
    }
    EXPECT_EQ(ChooseStartupFolder(program), program + "/OutPut");
    EXPECT_EQ(ReadRememberedFolder((dir / "missing.ini").string()), "");
}

TEST_F(OutputFolderTest, AReadOnlyProgramFolderUsesTheUsersFolders)
{
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EXIT(CheckReadOnlyFolderAsAUser(dir.string(), dir.string() + "-config"), ::testing::ExitedWithCode(0), "");
    fs::permissions(dir, fs::perms::owner_all);
}

TEST_F(OutputFolderTest, CreatesOnlyTheLastComponent)
{
    EXPECT_TRUE(EnsureFolderOneLevel((dir / "new").string()));
    EXPECT_TRUE(fs::is_directory(dir / "new"));
    EXPECT_TRUE(EnsureFolderOneLevel((dir / "new").string()));
    EXPECT_FALSE(EnsureFolderOneLevel((dir / "missing" / "child").string()));
    EXPECT_FALSE(fs::exists(dir / "missing"));
}

TEST_F(OutputFolderTest, AnInstalledCopyUsesTheUsersConfigAndVideosFolders)
{
    struct Env {
        const char *name;
        std::string saved;
        bool had;
        Env(const char *n, const std::string &value) : name(n), had(std::getenv(n) != nullptr)
        {
            if (had)
                saved = std::getenv(n);
            setenv(n, value.c_str(), 1);
        }
        ~Env() { had ? setenv(name, saved.c_str(), 1) : unsetenv(name); }
    };
    const std::string config = (dir / "config").string();
    const std::string home = (dir / "home").string();
    const Env configHome("XDG_CONFIG_HOME", config), homeDir("HOME", home);
    // The layout `cmake --install` makes; root may write into it, the user's folders still serve.
    fs::create_directories(dir / "usr/bin");
    fs::create_directories(dir / "usr/share/zentrova");
    std::ofstream(dir / "usr/share/zentrova/help.html") << "help";
    const std::string program = (dir / "usr/bin").string();
    EXPECT_EQ(FolderSettingsFile(program), config + "/zentrova/Path_Registration.ini");
    EXPECT_EQ(DefaultOutputFolder(program), home + "/Videos/OutPut") << "no user-dirs file";

    fs::create_directories(config);
    const std::pair<const char *, std::string> cases[] = {
        {"XDG_VIDEOS_DIR=\"$HOME/Filme\"", home + "/Filme/OutPut"},
        {"XDG_VIDEOS_DIR=\"/media/clips\"", "/media/clips/OutPut"},
        {"XDG_VIDEOS_DIR=\"relative\"", home + "/OutPut"},
    };
    for (const auto &[line, expected] : cases) {
        std::ofstream(config + "/user-dirs.dirs") << "# written by xdg-user-dirs-update\n" << line << "\n";
        EXPECT_EQ(DefaultOutputFolder(program), expected) << line;
    }
}
