// The database backup and its byte-identical restore.
#include "ipod/IpodBackup.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace zentrova {

namespace fs = std::filesystem;

namespace {

bool SameContents(const fs::path &a, const fs::path &b)
{
    std::error_code ec;
    if (fs::file_size(a, ec) != fs::file_size(b, ec) || ec)
        return false;
    std::ifstream fa(a, std::ios::binary), fb(b, std::ios::binary);
    if (!fa || !fb)
        return false;
    return std::equal(std::istreambuf_iterator<char>(fa), std::istreambuf_iterator<char>(),
                      std::istreambuf_iterator<char>(fb));
}

} // namespace

IpodBackup::~IpodBackup()
{
    if (!folder_.empty() && !keep_) {
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }
}

bool IpodBackup::Take(const std::string &controlDir, const std::string &mediaFolderName, const std::string &tempRoot,
                      std::string &error)
{
    controlDir_ = controlDir;
    mediaFolder_ = mediaFolderName;
    std::string pattern = (fs::path(tempRoot) / "zentrova-ipod-backup-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        error = "The iPod database cannot be backed up: no temporary folder in " + tempRoot;
        return false;
    }
    folder_ = pattern;
    std::error_code ec;
    for (const fs::directory_entry &entry : fs::directory_iterator(controlDir_, ec)) {
        if (entry.path().filename() == mediaFolder_)
            continue;
        fs::copy(entry.path(), fs::path(folder_) / entry.path().filename(),
                 fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
        if (ec)
            break;
    }
    if (ec) {
        error = "The iPod database cannot be backed up: " + ec.message();
        return false;
    }
    return true;
}

bool IpodBackup::Restore(std::string &error)
{
    std::error_code ec;
    const fs::path saved(folder_);
    const fs::path live(controlDir_);
    // First away with what the write added, deepest first so folders are empty when reached.
    std::vector<fs::path> added;
    for (auto it = fs::recursive_directory_iterator(live, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        const fs::path relative = it->path().lexically_relative(live);
        if (it.depth() == 0 && relative == mediaFolder_) {
            it.disable_recursion_pending();
            continue;
        }
        if (!fs::exists(saved / relative))
            added.push_back(it->path());
    }
    for (auto path = added.rbegin(); !ec && path != added.rend(); ++path)
        fs::remove_all(*path, ec);
    for (auto it = fs::recursive_directory_iterator(saved, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        const fs::path target = live / it->path().lexically_relative(saved);
        if (it->is_directory()) {
            fs::create_directories(target, ec);
        } else if (!fs::is_regular_file(target) || !SameContents(it->path(), target)) {
            fs::remove(target, ec);
            if (!ec)
                fs::copy_file(it->path(), target, ec);
        }
    }
    if (ec) {
        keep_ = true;
        error = "The iPod database could not be put back (" + ec.message() + "); the saved copy is in " + folder_;
        return false;
    }
    return true;
}

} // namespace zentrova
