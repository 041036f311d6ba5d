#include "items/item_export.hpp"

#include "platform/platform.hpp"
#include "store/text_routines.hpp"
#include "util/codec.hpp"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace lw {

std::string exportField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted(1, '"');
    quoted += replaceAll(text, "\"", "\"\"");
    quoted += '"';
    return quoted;
}

std::string exportLine(const ItemRow& row) {
    std::string line = exportField(row.state);
    for (int i = kSubUrl; i <= kSubRemark; ++i) {
        line += ',';
        line += exportField(row.sub[static_cast<size_t>(i)]);
    }
    return line;
}

std::string writeItemExport(const std::string& path, const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    // Stray bytes in a stored text become "?" rather than turning the whole file into
    // something that is not GBK.
    if (!isValidUtf8(text))
        text = replaceAll(toUtf8Lenient(text, "UTF-8"), "\uFFFD", "?");
    std::optional<std::string> gbk = utf8ToGb18030(text);
    std::ofstream out(platform::toPath(path), std::ios::binary | std::ios::trunc);
    if (!out)
        return "无法写入文件 " + path + ": " + std::strerror(errno);
    out << (gbk ? *gbk : text);
    out.close();
    if (!out)
        return "无法写入文件 " + path + ": " + std::strerror(errno);
    return {};
}

} // namespace lw
