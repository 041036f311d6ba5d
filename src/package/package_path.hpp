#pragma once

#include "platform/platform.hpp"
#include "ui/clock.hpp"

#include <string>

namespace lw {

inline constexpr bool kDriveLetters = platform::kWindows;

// The folder part of a path: its text up to and including the last "/" or "\";
// empty when it has none.
std::string folderOfPath(const std::string& path);

// The default Data Package folder, with a trailing separator. With drive letters it is
// "RARorurivo" at the root of the program's drive; elsewhere it is made in the user's
// home folder.
std::string defaultPackageFolder(const std::string& programFolder, const std::string& homeFolder,
                                 bool driveLetters = kDriveLetters);

// folder + "淘宝助理数据包_" + yymmddhhnn + ".csv"
std::string defaultPackagePath(const std::string& folder, const LocalDateTime& now);

// Creates one folder level (its parent must exist); failures are ignored.
void createFolderOneLevel(const std::string& folder);

// The user's home folder.
std::string userHomeFolder();

} // namespace lw
