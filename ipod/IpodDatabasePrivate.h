// What the layer's own files share about a parsed database.
#pragma once

#include "ipod/GlibPtr.h"
#include "ipod/IpodDatabase.h"

namespace zentrova {

// Parses the database at `mountPoint`; null with `error` set when it cannot.
ItdbPtr ParseIpod(const std::string &mountPoint, std::string &error);

IpodInfo DescribeIpod(const Itdb_iTunesDB &db, const std::string &mountPoint);

// Why `db` must not be written on this system; empty when it may.
std::string WriteRefusal(const Itdb_iTunesDB &db, const std::string &mountPoint);

// iPod_Control/Device in its real letter case; empty when missing.
std::string DeviceFolder(const std::string &mountPoint);

} // namespace zentrova
