// Mount table, libgpod's parse and the checks that keep us from writing a database the iPod
// would reject.
#include "ipod/IpodDatabase.h"

#include "ipod/IpodDatabasePrivate.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace zentrova {

namespace fs = std::filesystem;

namespace {

std::string DecodeMountField(const std::string &field)
{
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        const auto octal = [&](std::size_t at) { return at < field.size() && field[at] >= '0' && field[at] <= '7'; };
        if (field[i] == '\\' && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
            out += static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

std::string ReadWholeFile(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// What the database must be signed with, as libgpod decides it: SysInfoExtended's DBVersion
// when the iPod has that file, else the model's generation.
enum class Signature { None, FirewireHash, HashInfo, Unsupported };

Signature SignatureOf(const Itdb_iTunesDB &db, const std::string &deviceDir)
{
    if (!deviceDir.empty()) {
        const std::string extended = ReadWholeFile(fs::path(deviceDir) / "SysInfoExtended");
        static const std::regex version(R"(<key>DBVersion</key>\s*<integer>(\d+)</integer>)");
        std::smatch m;
        if (std::regex_search(extended, m, version)) {
            const int v = std::stoi(m[1].str());
            return v <= 2 ? Signature::None : v == 3 ? Signature::FirewireHash : v == 4 ? Signature::HashInfo
                                                                                        : Signature::Unsupported;
        }
    }
    const Itdb_IpodInfo *info = itdb_device_get_ipod_info(db.device);
    switch (info ? info->ipod_generation : ITDB_IPOD_GENERATION_UNKNOWN) {
    case ITDB_IPOD_GENERATION_CLASSIC_1:
    case ITDB_IPOD_GENERATION_CLASSIC_2:
    case ITDB_IPOD_GENERATION_CLASSIC_3:
    case ITDB_IPOD_GENERATION_NANO_3:
    case ITDB_IPOD_GENERATION_NANO_4:
        return Signature::FirewireHash;
    case ITDB_IPOD_GENERATION_NANO_5:
    case ITDB_IPOD_GENERATION_TOUCH_1:
    case ITDB_IPOD_GENERATION_TOUCH_2:
    case ITDB_IPOD_GENERATION_TOUCH_3:
    case ITDB_IPOD_GENERATION_TOUCH_4:
    case ITDB_IPOD_GENERATION_IPHONE_1:
    case ITDB_IPOD_GENERATION_IPHONE_2:
    case ITDB_IPOD_GENERATION_IPHONE_3:
    case ITDB_IPOD_GENERATION_IPHONE_4:
    case ITDB_IPOD_GENERATION_IPAD_1:
        return Signature::HashInfo;
    case ITDB_IPOD_GENERATION_NANO_6:
        return Signature::Unsupported;
    default:
        return Signature::None;
    }
}

bool IsShuffle(const Itdb_iTunesDB &db)
{
    const Itdb_IpodInfo *info = itdb_device_get_ipod_info(db.device);
    switch (info ? info->ipod_generation : ITDB_IPOD_GENERATION_UNKNOWN) {
    case ITDB_IPOD_GENERATION_SHUFFLE_1:
    case ITDB_IPOD_GENERATION_SHUFFLE_2:
    case ITDB_IPOD_GENERATION_SHUFFLE_3:
    case ITDB_IPOD_GENERATION_SHUFFLE_4:
        return true;
    default:
        return false;
    }
}

std::string ModelText(const Itdb_iTunesDB &db)
{
    const Itdb_IpodInfo *info = itdb_device_get_ipod_info(db.device);
    if (!info || info->ipod_model == ITDB_IPOD_MODEL_INVALID || info->ipod_model == ITDB_IPOD_MODEL_UNKNOWN)
        return "unknown model";
    std::string text = itdb_info_get_ipod_generation_string(info->ipod_generation);
    text += ' ';
    text += itdb_info_get_ipod_model_name_string(info->ipod_model);
    if (info->capacity > 0) {
        char capacity[32];
        std::snprintf(capacity, sizeof capacity, " %g GB", info->capacity);
        text += capacity;
    }
    return text;
}

} // namespace

std::string DeviceFolder(const std::string &mountPoint)
{
    return TakeString(itdb_get_device_dir(mountPoint.c_str()));
}

std::string WriteRefusal(const Itdb_iTunesDB &db, const std::string &mountPoint)
{
    const std::string deviceDir = DeviceFolder(mountPoint);
    const std::string model = ModelText(db);
    if (IsShuffle(db))
        return "An iPod shuffle (" + model + ") plays only what its own play list file names; sending to it is not "
               "supported.";
    switch (SignatureOf(db, deviceDir)) {
    case Signature::None:
        return {};
    case Signature::FirewireHash: {
        const std::string guid = TakeString(itdb_device_get_sysinfo(db.device, "FirewireGuid"));
        if (!guid.empty() && guid != "0" && guid != "0x0000000000000000")
            return {};
        return "This iPod (" + model + ") only accepts a database signed with a checksum made from its FireWire ID, "
               "and the ID is not in iPod_Control/Device/SysInfo, so libgpod cannot sign it. Nothing was written.";
    }
    case Signature::HashInfo:
        if (!deviceDir.empty() && fs::is_regular_file(fs::path(deviceDir) / "HashInfo"))
            return {};
        return "This iPod (" + model + ") only accepts a database signed with a checksum made from its hash "
               "information (iPod_Control/Device/HashInfo), which it does not have, so libgpod cannot sign it. "
               "Nothing was written.";
    case Signature::Unsupported:
        break;
    }
    return "This iPod (" + model + ") only accepts a database signed with a kind of checksum libgpod cannot make. "
           "Nothing was written.";
}

ItdbPtr ParseIpod(const std::string &mountPoint, std::string &error)
{
    if (!HoldsIpodDatabase(mountPoint)) {
        error = mountPoint + " holds no iPod database (iPod_Control/iTunes/iTunesDB)";
        return nullptr;
    }
    GErrorSlot e;
    ItdbPtr db(itdb_parse(mountPoint.c_str(), e.out()));
    if (!db)
        error = "The iPod database in " + mountPoint + " cannot be read: " + e.text();
    return db;
}

IpodInfo DescribeIpod(const Itdb_iTunesDB &db, const std::string &mountPoint)
{
    IpodInfo info;
    info.mountPoint = mountPoint;
    const Itdb_Playlist *master = itdb_playlist_mpl(const_cast<Itdb_iTunesDB *>(&db));
    info.name = master && master->name && *master->name ? master->name : fs::path(mountPoint).filename().string();
    info.model = ModelText(db);
    info.refusal = WriteRefusal(db, mountPoint);
    return info;
}

std::vector<std::string> MountPointsOf(const std::string &tableText)
{
    std::vector<std::string> points;
    std::istringstream lines(tableText);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string device, point;
        if (fields >> device >> point)
            points.push_back(DecodeMountField(point));
    }
    return points;
}

bool HoldsIpodDatabase(const std::string &folder)
{
    const std::string path = TakeString(itdb_get_itunesdb_path(folder.c_str()));
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(path, ec);
}

std::optional<IpodInfo> ReadIpod(const std::string &mountPoint, std::string *error)
{
    std::string why;
    ItdbPtr db = ParseIpod(mountPoint, why);
    if (!db) {
        if (error)
            *error = why;
        return std::nullopt;
    }
    return DescribeIpod(*db, mountPoint);
}

std::vector<IpodInfo> FindIpods(const std::string &mountTable)
{
    std::vector<IpodInfo> found;
    std::vector<std::string> seen;
    for (const std::string &point : MountPointsOf(ReadWholeFile(mountTable))) {
        // A bind mount lists the same folder twice; system folders are never an iPod.
        if (point == "/" || point.starts_with("/proc") || point.starts_with("/sys") || point.starts_with("/dev") ||
            std::find(seen.begin(), seen.end(), point) != seen.end())
            continue;
        seen.push_back(point);
        if (HoldsIpodDatabase(point))
            if (std::optional<IpodInfo> info = ReadIpod(point))
                found.push_back(std::move(*info));
    }
    return found;
}

} // namespace zentrova
