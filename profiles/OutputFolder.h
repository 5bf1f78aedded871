// Where outputs go: the remembered output folder, its settings file and the default folder.
#pragma once

#include <string>

namespace zentrova {

// The folder settings file: program folder + "/bin/Path_Registration.ini", or, for an installed
// copy (its help page in ../share/zentrova) or a program folder that cannot be written,
// $XDG_CONFIG_HOME/zentrova/Path_Registration.ini.
std::string FolderSettingsFile(const std::string &programDir);

// Program folder + "/OutPut", or, in the cases above, "OutPut" in the user's Videos folder as
// the XDG user-dirs name it (~/Videos when they name none).
std::string DefaultOutputFolder(const std::string &programDir);

// Key "Path" (any case) of section "Info"; empty when the file or the key is missing.
std::string ReadRememberedFolder(const std::string &settingsFile);

// The remembered folder, else the default folder, which is created when missing.
std::string ChooseStartupFolder(const std::string &programDir);

// Writes `folder` as key "Path" of section "Info", creating the file's folder when needed and
// keeping whatever else the file holds. Returns false when the file cannot be written.
bool SaveOutputFolder(const std::string &settingsFile, const std::string &folder);

// Makes sure `folder` exists, creating only its last component (never missing parents).
bool EnsureFolderOneLevel(const std::string &folder);

} // namespace zentrova
