#include "catalog/mapping_import.hpp"

#include "platform/platform.hpp"
#include "util/codec.hpp"

#include <fstream>
#include <sstream>

namespace lw {

std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.emplace_back(text.substr(start, i - start));
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
        ++i;
    }
    if (start < text.size())
        lines.emplace_back(text.substr(start));
    return lines;
}

std::optional<std::string> decodeImportText(std::string bytes) {
    static const std::string kBom = "\xEF\xBB\xBF";
    if (bytes.compare(0, kBom.size(), kBom) != 0) {
        // Chinese text in GBK is almost never valid UTF-8, so a file that is valid UTF-8
        // throughout was saved as UTF-8 (ASCII alone reads the same either way).
        if (isValidUtf8(bytes))
            return bytes;
        return gb18030ToUtf8(bytes);
    }
    bytes.erase(0, kBom.size());
    if (!isValidUtf8(bytes))
        return std::nullopt;
    return bytes;
}

std::string readImportFile(const std::string& path, std::vector<std::string>& lines) {
    std::ifstream in(platform::toPath(path), std::ios::binary);
    if (!in)
        return "无法打开文件: " + path;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad())
        return "无法读取文件: " + path;
    std::optional<std::string> text = decodeImportText(bytes.str());
    if (!text)
        return "文件不是有效的GBK或UTF-8文本: " + path;
    lines = splitLines(*text);
    return {};
}

} // namespace lw
