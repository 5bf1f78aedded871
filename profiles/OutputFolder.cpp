// The output-folder settings file, a small INI file.
#include "profiles/OutputFolder.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace zentrova {

namespace {

bool Writable(const std::string &dir)
{
    return ::access(dir.c_str(), W_OK) == 0;
}

std::string Home()
{
    const char *home = std::getenv("HOME");
    return home && *home ? home : "/tmp";
}

std::string Trim(const std::string &s)
{
    const auto b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos)
        return {};
    const auto e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

bool EqualNoCase(const std::string &a, const std::string &b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string ConfigHome()
{
    const char *xdg = std::getenv("XDG_CONFIG_HOME");
    return xdg && *xdg ? xdg : Home() + "/.config";
}

// An installed copy finds its help page under ../share rather than beside itself; it keeps the
// user's files in the user's folders even when it runs as root and could write beside itself.
bool UsesUserFolders(const std::string &programDir)
{
    std::error_code ec;
    const bool installed = !fs::exists(programDir + "/help.html", ec) &&
                           fs::exists(programDir + "/../share/zentrova/help.html", ec);
    return installed || !Writable(programDir);
}

// XDG_VIDEOS_DIR of the user's user-dirs.dirs, as the desktop's own folders name it.
std::string UserVideosFolder()
{
    std::ifstream in(ConfigHome() + "/user-dirs.dirs");
    const std::string key = "XDG_VIDEOS_DIR=";
    for (std::string line; std::getline(in, line);) {
        line = Trim(line);
        if (line.rfind(key, 0) != 0)
            continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0)
            value = Home() + value.substr(5);
        // The file's own rule: a path that is not absolute is the home folder itself.
        if (value.empty() || value.front() != '/')
            return Home();
        return value;
    }
    return Home() + "/Videos";
}

bool IsSection(const std::string &line, std::string *name)
{
    const std::string t = Trim(line);
    if (t.size() < 2 || t.front() != '[' || t.back() != ']')
        return false;
    if (name)
        *name = Trim(t.substr(1, t.size() - 2));
    return true;
}

bool IsKey(const std::string &line, const std::string &key, std::string *value)
{
    const auto eq = line.find('=');
    if (eq == std::string::npos || !EqualNoCase(Trim(line.substr(0, eq)), key))
        return false;
    if (value)
        *value = Trim(line.substr(eq + 1));
    return true;
}

} // namespace

std::string FolderSettingsFile(const std::string &programDir)
{
    if (!UsesUserFolders(programDir))
        return programDir + "/bin/Path_Registration.ini";
    return ConfigHome() + "/zentrova/Path_Registration.ini";
}

std::string DefaultOutputFolder(const std::string &programDir)
{
    if (!UsesUserFolders(programDir))
        return programDir + "/OutPut";
    return UserVideosFolder() + "/OutPut";
}

std::string ReadRememberedFolder(const std::string &settingsFile)
{
    std::ifstream in(settingsFile);
    std::string line, section, value;
    bool inInfo = false;
    while (std::getline(in, line)) {
        if (IsSection(line, &section))
            inInfo = EqualNoCase(section, "Info");
        else if (inInfo && IsKey(line, "Path", &value))
            return value;
    }
    return {};
}

std::string ChooseStartupFolder(const std::string &programDir)
{
    std::string folder = ReadRememberedFolder(FolderSettingsFile(programDir));
    if (!folder.empty())
        return folder;
    folder = DefaultOutputFolder(programDir);
    std::error_code ec;
    // Failure is tolerated: the folder box still shows it, and Convert reports a missing folder.
    fs::create_directories(folder, ec);
    return folder;
}

bool SaveOutputFolder(const std::string &settingsFile, const std::string &folder)
{
    std::error_code ec;
    fs::create_directories(fs::path(settingsFile).parent_path(), ec);

    std::vector<std::string> lines;
    {
        std::ifstream in(settingsFile);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
    }
    const std::string entry = "Path=" + folder;
    bool inInfo = false, written = false;
    std::size_t infoEnd = lines.size();
    bool haveInfo = false;
    for (std::size_t i = 0; i < lines.size() && !written; ++i) {
        std::string section;
        if (IsSection(lines[i], &section)) {
            if (inInfo) {
                infoEnd = i;
                break;
            }
            inInfo = EqualNoCase(section, "Info");
            haveInfo = haveInfo || inInfo;
            if (inInfo)
                infoEnd = lines.size();
        } else if (inInfo && IsKey(lines[i], "Path", nullptr)) {
            lines[i] = entry;
            written = true;
        }
    }
    if (!written) {
        if (haveInfo) {
            lines.insert(lines.begin() + static_cast<long>(infoEnd), entry);
        } else {
            lines.push_back("[Info]");
            lines.push_back(entry);
        }
    }

    // Write beside and rename, so a full disk never leaves a half-written file behind.
    const std::string temp = settingsFile + ".tmp";
    {
        std::ofstream out(temp, std::ios::trunc);
        for (const std::string &line : lines)
            out << line << '\n';
        if (!out.flush())
            return false;
    }
    fs::rename(temp, settingsFile, ec);
    return !ec;
}

bool EnsureFolderOneLevel(const std::string &folder)
{
    std::error_code ec;
    if (fs::is_directory(folder, ec))
        return true;
    return fs::create_directory(folder, ec) && !ec;
}

} // namespace zentrova
