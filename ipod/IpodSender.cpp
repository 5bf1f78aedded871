// The send: refusals first, then backup, copies, track records, one checked database write, and
// the rollback when any step fails.
#include "ipod/IpodSender.h"

#include "ipod/IpodBackup.h"
#include "ipod/IpodDatabasePrivate.h"
#include "ipod/MediaFacts.h"

#include <sys/statvfs.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <set>

namespace zentrova {

namespace fs = std::filesystem;

namespace {

// Room left for the database and its pictures growing.
constexpr std::uintmax_t kDatabaseMargin = 4u << 20;
// Wide enough for the largest picture the video iPods' menus show; libgpod scales it down.
constexpr int kPictureWidth = 320;

std::string LowerExtension(const std::string &path)
{
    std::string ext = fs::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

const char *FileTypeText(const std::string &path, bool video)
{
    const std::string ext = LowerExtension(path);
    if (video)
        return ext == ".mov" ? "QuickTime movie file" : "MPEG-4 video file";
    if (ext == ".mp3")
        return "MPEG audio file";
    if (ext == ".wav")
        return "WAV audio file";
    return "AAC audio file";
}

guint32 MediaTypeOf(bool video, IpodVideoKind kind)
{
    if (!video)
        return ITDB_MEDIATYPE_AUDIO;
    switch (kind) {
    case IpodVideoKind::MusicVideo:
        return ITDB_MEDIATYPE_MUSICVIDEO;
    case IpodVideoKind::TvShow:
        return ITDB_MEDIATYPE_TVSHOW;
    case IpodVideoKind::Movie:
        break;
    }
    return ITDB_MEDIATYPE_MOVIE;
}

bool SetThumbnail(Itdb_Track &track, const std::string &file)
{
    RgbPicture picture;
    if (!GrabPicture(file, kPictureWidth, picture))
        return false;
    GdkPixbufPtr pixbuf(gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, picture.width, picture.height));
    if (!pixbuf)
        return false;
    guchar *pixels = gdk_pixbuf_get_pixels(pixbuf.get());
    const int stride = gdk_pixbuf_get_rowstride(pixbuf.get());
    const std::size_t row = static_cast<std::size_t>(picture.width) * 3;
    for (int y = 0; y < picture.height; ++y)
        std::copy_n(picture.pixels.data() + row * static_cast<std::size_t>(y), row,
                    pixels + static_cast<std::ptrdiff_t>(stride) * y);
    // libgpod takes its own reference to the picture.
    return itdb_track_set_thumbnails_from_pixbuf(&track, pixbuf.get()) == TRUE;
}

// What a failed send undoes: the copies it made and the database folders it may have changed.
class Rollback {
public:
    explicit Rollback(IpodBackup &backup) : backup_(backup) {}

    void Copied(const std::string &path) { copies_.push_back(path); }
    void MediaFolderExisted(const fs::path &folder) { oldFolders_.insert(folder); }

    // Restores and returns `why`, with what could not be undone added.
    std::string Undo(const std::string &why)
    {
        std::string text = why;
        while (!text.empty() && (text.back() == '.' || text.back() == ' '))
            text.pop_back();
        std::error_code ec;
        for (const std::string &copy : copies_) {
            fs::remove(copy, ec);
            if (ec)
                text += "; " + copy + " could not be removed: " + ec.message();
            const fs::path folder = fs::path(copy).parent_path();
            if (!oldFolders_.contains(folder) && fs::is_empty(folder, ec))
                fs::remove(folder, ec);
        }
        std::string restoreError;
        if (!backup_.Restore(restoreError))
            text += "; " + restoreError;
        else
            text += ". The iPod was left as it was.";
        return text;
    }

private:
    IpodBackup &backup_;
    std::vector<std::string> copies_;
    std::set<fs::path> oldFolders_;
};

std::string TempRoot(const IpodSendOptions &options)
{
    if (!options.tempRoot.empty())
        return options.tempRoot;
    const char *tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

} // namespace

std::optional<IpodVideoKind> ParseIpodVideoKind(std::string_view text)
{
    if (text == "movie")
        return IpodVideoKind::Movie;
    if (text == "music-video")
        return IpodVideoKind::MusicVideo;
    if (text == "tv-show")
        return IpodVideoKind::TvShow;
    return std::nullopt;
}

bool IpodPlaysFileType(const std::string &path)
{
    static const char *const kTypes[] = {".mp4", ".m4v", ".mov", ".m4a", ".mp3", ".wav"};
    const std::string ext = LowerExtension(path);
    return std::any_of(std::begin(kTypes), std::end(kTypes), [&](const char *t) { return ext == t; });
}

IpodSendResult SendToIpod(const std::string &mountPoint, const std::vector<IpodItem> &items,
                          const IpodSendOptions &options)
{
    IpodSendResult result;
    ItdbPtr db = ParseIpod(mountPoint, result.error);
    if (!db)
        return result;
    if (std::string refusal = WriteRefusal(*db, mountPoint); !refusal.empty()) {
        result.error = std::move(refusal);
        return result;
    }

    // Everything that can be known before touching the iPod is checked first.
    std::vector<MediaFacts> facts(items.size());
    std::uintmax_t needed = kDatabaseMargin;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::string &file = items[i].file;
        if (!IpodPlaysFileType(file)) {
            result.error = file + ": the iPod does not play " + LowerExtension(file) +
                           " files (MP4, M4V, MOV, M4A, MP3 and WAV only). Nothing was sent.";
            return result;
        }
        std::string why;
        if (!ReadMediaFacts(file, facts[i], why)) {
            result.error = why + ". Nothing was sent.";
            return result;
        }
        std::error_code ec;
        needed += fs::file_size(file, ec);
        if (ec) {
            result.error = file + " cannot be read: " + ec.message() + ". Nothing was sent.";
            return result;
        }
    }
    struct statvfs space {};
    if (statvfs(mountPoint.c_str(), &space) == 0) {
        const std::uintmax_t free = static_cast<std::uintmax_t>(space.f_bavail) * space.f_frsize;
        if (free < needed) {
            result.error = "The iPod is too full: the files need " + std::to_string(needed >> 20) + " MB and it has " +
                           std::to_string(free >> 20) + " MB free. Nothing was sent.";
            return result;
        }
    }

    const std::string controlDir = TakeString(itdb_get_control_dir(mountPoint.c_str()));
    const std::string musicDir = TakeString(itdb_get_music_dir(mountPoint.c_str()));
    if (controlDir.empty() || musicDir.empty()) {
        result.error = mountPoint + " has no iPod_Control/Music folder. Nothing was sent.";
        return result;
    }
    IpodBackup backup;
    if (!backup.Take(controlDir, fs::path(musicDir).filename().string(), TempRoot(options), result.error))
        return result;
    Rollback rollback(backup);
    std::error_code ec;
    for (const fs::directory_entry &folder : fs::directory_iterator(musicDir, ec))
        rollback.MediaFolderExisted(folder.path());

    Itdb_Playlist *master = itdb_playlist_mpl(db.get());
    if (!master) {
        result.error = "The iPod database has no master play list. Nothing was sent.";
        return result;
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        const IpodItem &item = items[i];
        // libgpod finds the iPod's media folders through the track's database, so the track
        // joins it first; a failed send never writes the database.
        Itdb_Track *t = itdb_track_new();
        if (!t) {
            result.error = rollback.Undo("Out of memory");
            return result;
        }
        itdb_track_add(db.get(), t, -1);
        GErrorSlot nameError;
        const std::string dest = TakeString(itdb_cp_get_dest_filename(t, mountPoint.c_str(),
                                                                      item.file.c_str(), nameError.out()));
        // libgpod picks a name not yet taken; a file there now is never written over.
        if (dest.empty() || fs::exists(dest, ec)) {
            result.error = rollback.Undo(item.file + ": no free name on the iPod: " + nameError.text("name taken"));
            return result;
        }
        rollback.Copied(dest);
        GErrorSlot copyError;
        if (!itdb_cp(item.file.c_str(), dest.c_str(), copyError.out())) {
            result.error = rollback.Undo(item.file + " could not be copied to the iPod: " + copyError.text());
            return result;
        }
        GErrorSlot finalError;
        if (!itdb_cp_finalize(t, mountPoint.c_str(), dest.c_str(), finalError.out())) {
            result.error = rollback.Undo(item.file + " could not be registered: " + finalError.text());
            return result;
        }
        const MediaFacts &f = facts[i];
        const std::string title = TrackTitle(item.source.empty() ? item.file : item.source);
        g_free(t->title);
        t->title = g_strdup(title.c_str());
        g_free(t->filetype);
        t->filetype = g_strdup(FileTypeText(item.file, f.video));
        t->tracklen = static_cast<gint32>(std::min<std::int64_t>(f.durationMs, G_MAXINT32));
        t->bitrate = f.bitRateKbps;
        t->samplerate = static_cast<guint16>(std::clamp(f.sampleRate, 0, 65535));
        t->mediatype = MediaTypeOf(f.video, options.videoKind);
        t->movie_flag = f.video ? 1 : 0;
        t->time_added = std::time(nullptr);
        t->time_modified = t->time_added;
        itdb_playlist_add_track(master, t, -1);
        // A video without a picture still plays; only its menu entry stays plain.
        if (f.video)
            SetThumbnail(*t, item.file);
        result.tracks.push_back({item.file, item.source.empty() ? item.file : item.source,
                                 fs::path(dest).lexically_relative(mountPoint).string(), title, f.video});
    }

    if (options.beforeWrite) {
        if (std::string failure = options.beforeWrite(); !failure.empty()) {
            result.tracks.clear();
            result.error = rollback.Undo(failure);
            return result;
        }
    }
    GErrorSlot writeError;
    if (!itdb_write(db.get(), writeError.out())) {
        result.tracks.clear();
        result.error = rollback.Undo("The iPod database could not be written: " + writeError.text());
        return result;
    }
    return result;
}

} // namespace zentrova
