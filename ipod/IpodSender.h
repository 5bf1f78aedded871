// Sends finished files to an iPod: copies them under new names, adds them to its database and
// writes it in one step, or leaves the iPod exactly as it was.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zentrova {

// The menu a video goes to; sound-only files are always Music.
enum class IpodVideoKind { Movie, MusicVideo, TvShow };

// "movie", "music-video" or "tv-show".
std::optional<IpodVideoKind> ParseIpodVideoKind(std::string_view text);

// True for the files an iPod plays (MP4/M4V/MOV, M4A, MP3, WAV), judged by their extension.
bool IpodPlaysFileType(const std::string &path);

struct IpodItem {
    // The finished file to send.
    std::string file;
    // The file it was made from, for the title; empty: `file` itself.
    std::string source;
};

struct IpodSendOptions {
    IpodVideoKind videoKind = IpodVideoKind::Movie;
    // Where the database backup is kept while sending; empty: TMPDIR, else /tmp.
    std::string tempRoot;
    // Called after the files are copied and the tracks added, just before the database is
    // written; a non-empty return is a failure with that text. For tests.
    std::function<std::string()> beforeWrite;
};

struct SentTrack {
    std::string file;
    // The item's source, or `file` when it named none.
    std::string source;
    // Where the copy lies on the iPod, as a path under the mount point.
    std::string ipodFile;
    std::string title;
    bool video = false;
};

struct IpodSendResult {
    // Empty when every file was sent; else why none was (the iPod is as it was).
    std::string error;
    std::vector<SentTrack> tracks;
    bool ok() const { return error.empty(); }
};

IpodSendResult SendToIpod(const std::string &mountPoint, const std::vector<IpodItem> &items,
                          const IpodSendOptions &options = {});

} // namespace zentrova
