#include "package/package_names.hpp"

#include "store/text_routines.hpp"
#include "util/codec.hpp"
#include "util/encode.hpp"

namespace lw {

std::string pictureFolderOf(const std::string& packageFile) {
    // Characters, not bytes, so a name without ".csv" is never cut inside a character.
    std::size_t end = packageFile.size();
    for (int chars = 0; chars < 4 && end > 0; ++chars) {
        --end;
        while (end > 0 && (static_cast<unsigned char>(packageFile[end]) & 0xC0) == 0x80)
            --end;
    }
    return packageFile.substr(0, end);
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
