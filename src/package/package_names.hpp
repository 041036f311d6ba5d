#pragma once

#include "platform/platform.hpp"

#include <cstddef>
#include <string>

namespace lw {

// Between a folder and a file name in the paths the package writes.
inline constexpr char kPathSeparator = platform::kSeparator;

// A package path as the run uses it: absolute, and ending in ".csv" (appended when it
// does not), so that the picture folders beside it are always the path without ".csv".
std::string packageFilePath(const std::string& typed);
// The package file's path without its ".csv"; a path without one is kept whole.
std::string pictureFolderOf(const std::string& packageFile);
// The picture folder's name + "_DESC".
std::string descriptionFolderOf(const std::string& packageFile);

// 32 lower-case hex digits: the MD5 of the address's GBK bytes.
std::string pictureName(const std::string& address);
// pictureFolder / name + ".tbi"
std::string pictureFilePath(const std::string& pictureFolder, const std::string& pictureName);

// Entries of the picture column.
std::string mainPictureEntry(const std::string& pictureName, std::size_t position);
std::string propertyPictureEntry(const std::string& pictureName, const std::string& position,
                                 const std::string& properties);
// "1;" once per entry of the picture column.
std::string pictureStatusText(std::size_t entries);

} // namespace lw
