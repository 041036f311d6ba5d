#include "package/package_path.hpp"

#include "platform/platform.hpp"
#include "store/text_routines.hpp"

#include <cstdlib>
#include <filesystem>

namespace lw {

std::string folderOfPath(const std::string& path) {
    size_t last = path.find_last_of("/\\");
    return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

std::string defaultPackageFolder(const std::string& programFolder, const std::string& homeFolder,
                                 bool driveLetters) {
    if (driveLetters)
        return textBetween(programFolder, "", "\\") + "\\RARorurivo\\";
    std::string home = homeFolder;
    while (home.size() > 1 && home.back() == '/')
        home.pop_back();
    if (home == "/")
        home.clear();
    return home + "/RARorurivo/";
}

std::string defaultPackagePath(const std::string& folder, const LocalDateTime& now) {
    return folder + "淘宝助理数据包_" + formatDateTime(now, "yymmddhhnn") + ".csv";
}

void createFolderOneLevel(const std::string& folder) {
    std::error_code ec;
    std::filesystem::create_directory(platform::toPath(folder), ec);
}

std::string userHomeFolder() {
    return platform::homeFolder();
}

} // namespace lw
