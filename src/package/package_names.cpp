#include "package/package_names.hpp"

#include "platform/platform.hpp"
#include "store/text_routines.hpp"
#include "util/codec.hpp"
#include "util/encode.hpp"

#include <filesystem>

namespace lw {

namespace {

bool endsWithCsv(const std::string& path) {
    return path.size() >= 4 && lowerAscii(path.substr(path.size() - 4)) == ".csv";
}

} // namespace

std::string packageFilePath(const std::string& typed) {
    std::string path = trim(typed);
    if (path.empty())
        return path;
    if (!endsWithCsv(path))
        path += ".csv";
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(platform::toPath(path), ec);
    return ec ? path : platform::fromPath(absolute.lexically_normal());
}

std::string pictureFolderOf(const std::string& packageFile) {
    return endsWithCsv(packageFile) ? packageFile.substr(0, packageFile.size() - 4) : packageFile;
}

std::string descriptionFolderOf(const std::string& packageFile) {
    return pictureFolderOf(packageFile) + "_DESC";
}

std::string pictureName(const std::string& address) {
    return lowerAscii(md5Hex(utf8ToGb18030(address).value_or(address)));
}

std::string pictureFilePath(const std::string& pictureFolder, const std::string& pictureName) {
    return pictureFolder + kPathSeparator + pictureName + ".tbi";
}

std::string mainPictureEntry(const std::string& pictureName, std::size_t position) {
    return pictureName + ":1:" + std::to_string(position) + ":|;";
}

std::string propertyPictureEntry(const std::string& pictureName, const std::string& position,
                                 const std::string& properties) {
    return pictureName + ":2:" + position + ":" + properties + "|;";
}

std::string pictureStatusText(std::size_t entries) {
    std::string text;
    for (std::size_t i = 0; i < entries; ++i)
        text += "1;";
    return text;
}

} // namespace lw
