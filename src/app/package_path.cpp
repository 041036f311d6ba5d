#include "app/package_path.hpp"

#include "store/text_routines.hpp"

#include <cstdlib>
#include <filesystem>

namespace lw {

std::string FolderOfPath(const std::string& path) {
    size_t last = path.find_last_of("/\\");
    return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

std::string DefaultPackageFolder(const std::string& programFolder, const std::string& homeFolder,
                                 bool driveLetters) {
    if (driveLetters)
        return GetBetween(programFolder, "", "\\") + "\\RARorurivo\\";
    std::string home = homeFolder;
    while (home.size() > 1 && home.back() == '/')
        home.pop_back();
    if (home == "/")
        home.clear();
    return home + "/RARorurivo/";
}

std::string DefaultPackagePath(const std::string& folder, const LocalDateTime& now) {
    return folder + "淘宝助理数据包_" + FormatDateTime(now, "yymmddhhnn") + ".csv";
}

void CreateFolderOneLevel(const std::string& folder) {
    std::error_code ec;
    std::filesystem::create_directory(folder, ec);
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    return home ? home : "";
}

} // namespace lw
