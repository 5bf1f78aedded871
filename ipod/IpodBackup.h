// A copy of everything a database write on an iPod may change, to put back byte for byte when
// a send fails: every folder of iPod_Control but the one holding the media files.
#pragma once

#include <string>
#include <vector>

namespace zentrova {

class IpodBackup {
public:
    IpodBackup() = default;
    // Removes the copy unless a restore failed (then it is all the user has).
    ~IpodBackup();
    IpodBackup(const IpodBackup &) = delete;
    IpodBackup &operator=(const IpodBackup &) = delete;

    // Copies the database folders of the iPod's control folder `controlDir` (iTunes, Artwork,
    // Device, ...; not `mediaFolderName`) into a new folder under `tempRoot`.
    bool Take(const std::string &controlDir, const std::string &mediaFolderName, const std::string &tempRoot,
              std::string &error);

    // Puts the folders back as they were taken: changed files rewritten, new files and folders
    // removed, removed ones made again.
    bool Restore(std::string &error);

    // Where the copy lies (kept after a failed restore).
    const std::string &Folder() const { return folder_; }

private:
    std::string controlDir_;
    std::string mediaFolder_;
    std::string folder_;
    bool keep_ = false;
};

} // namespace zentrova
