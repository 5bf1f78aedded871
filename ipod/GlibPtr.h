// Owning handles for the GLib, gdk-pixbuf and libgpod objects of the iPod layer; the bare free
// calls live only here.
#pragma once

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib.h>
#include <gpod/itdb.h>

#include <memory>
#include <string>

namespace zentrova {

struct GlibDeleter {
    void operator()(Itdb_iTunesDB *p) const { itdb_free(p); }
    void operator()(Itdb_Track *p) const { itdb_track_free(p); }
    void operator()(GError *p) const { g_error_free(p); }
    void operator()(gchar *p) const { g_free(p); }
    void operator()(GdkPixbuf *p) const { g_object_unref(p); }
};

using ItdbPtr = std::unique_ptr<Itdb_iTunesDB, GlibDeleter>;
using ItdbTrackPtr = std::unique_ptr<Itdb_Track, GlibDeleter>;
using GErrorPtr = std::unique_ptr<GError, GlibDeleter>;
using GCharPtr = std::unique_ptr<gchar, GlibDeleter>;
using GdkPixbufPtr = std::unique_ptr<GdkPixbuf, GlibDeleter>;

// Collects a GError out-parameter: `GErrorSlot e; call(e.out()); e.text()`.
class GErrorSlot {
public:
    GError **out() { return &raw_; }
    ~GErrorSlot() { GErrorPtr owned(raw_); }
    GErrorSlot() = default;
    GErrorSlot(const GErrorSlot &) = delete;
    GErrorSlot &operator=(const GErrorSlot &) = delete;
    // The message, or `fallback` when the library gave none.
    std::string text(const std::string &fallback = "unknown error") const
    {
        return raw_ && raw_->message ? std::string(raw_->message) : fallback;
    }

private:
    GError *raw_ = nullptr;
};

// A gchar* that the caller must free, as a string; empty for null.
inline std::string TakeString(gchar *raw)
{
    GCharPtr owned(raw);
    return owned ? std::string(owned.get()) : std::string();
}

} // namespace zentrova
