// Finding mounted iPods and reading what libgpod says about them: name, model, and whether
// their database can be written on this system.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zentrova {

inline constexpr const char *kMountTable = "/proc/self/mounts";

struct IpodInfo {
    std::string mountPoint;
    // The name the iPod shows for itself (its master play list's name).
    std::string name;
    // Generation, colour and capacity, e.g. "Video (1st Gen.) Video (White) 30 GB".
    std::string model;
    // Why nothing may be written to this iPod; empty when sending is possible.
    std::string refusal;
};

// The mount points of a mount table in the /proc/mounts format, with its octal escapes
// (\040 for a space) decoded, in table order.
std::vector<std::string> MountPointsOf(const std::string &tableText);

// True when `folder` holds an iPod database (iPod_Control/iTunes/iTunesDB, in any letter case).
bool HoldsIpodDatabase(const std::string &folder);

// Reads the iPod whose file system is at `mountPoint`; nothing, with `error` set, when it holds
// no database libgpod can read.
std::optional<IpodInfo> ReadIpod(const std::string &mountPoint, std::string *error = nullptr);

// The iPods among the file systems listed in `mountTable`, each mount point once.
std::vector<IpodInfo> FindIpods(const std::string &mountTable = kMountTable);

} // namespace zentrova
