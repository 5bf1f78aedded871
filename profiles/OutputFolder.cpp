// The output-folder settings file, a small INI file.
#include "OutputFolder.h"

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
    if (Writable(programDir))
        return programDir + "/bin/Path_Registration.ini";
    const char *xdg = std::getenv("XDG_CONFIG_HOME");
    const std::string config = xdg && *xdg ? xdg : Home() + "/.config";
    return config + "/zentrova/Path_Registration.ini";
}

std::string DefaultOutputFolder(const std::string &programDir)
{
    if (Writable(programDir))
        return programDir + "/OutPut";
    return Home() + "/Videos/OutPut";
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
