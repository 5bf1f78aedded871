// The one source kept open between the command line's probe and its conversion.
#include "engine/OpenedSource.h"

#include <sys/stat.h>

#include <mutex>

namespace zentrova {

namespace {

int Forward(void *opaque)
{
    const AVIOInterruptCB &target = static_cast<InterruptRelay *>(opaque)->target;
    return target.callback ? target.callback(target.opaque) : 0;
}

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};

    bool operator==(const FileIdentity &o) const
    {
        return device == o.device && inode == o.inode && size == o.size && modified.tv_sec == o.modified.tv_sec &&
               modified.tv_nsec == o.modified.tv_nsec;
    }
};

std::optional<FileIdentity> IdentityOf(const std::string &path)
{
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return FileIdentity{st.st_dev, st.st_ino, st.st_size, st.st_mtim};
}

struct Slot {
    std::mutex mutex;
    std::string path;
    std::optional<FileIdentity> identity;
    std::optional<OpenedSource> source;
};

Slot &TheSlot()
{
    static Slot slot;
    return slot;
}

} // namespace

AVIOInterruptCB InterruptRelay::Callback()
{
    return AVIOInterruptCB{Forward, this};
}

void KeepOpenedSource(const std::string &path, OpenedSource source)
{
    std::optional<FileIdentity> identity = IdentityOf(path);
    Slot &slot = TheSlot();
    std::lock_guard lock(slot.mutex);
    slot.source.reset();
    if (!identity || !source.relay || !source.format)
        return;
    slot.path = path;
    slot.identity = identity;
    slot.source = std::move(source);
}

std::optional<OpenedSource> TakeOpenedSource(const std::string &path)
{
    Slot &slot = TheSlot();
    std::lock_guard lock(slot.mutex);
    if (!slot.source || slot.path != path)
        return std::nullopt;
    std::optional<OpenedSource> taken = std::move(slot.source);
    slot.source.reset();
    if (IdentityOf(path) != slot.identity)
        return std::nullopt;
    return taken;
}

void DropOpenedSource()
{
    Slot &slot = TheSlot();
    std::lock_guard lock(slot.mutex);
    slot.source.reset();
}

} // namespace zentrova
