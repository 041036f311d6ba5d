#include "package_check.hpp"

#include "platform/platform.hpp"
#include "temp_dir.hpp"
#include "util/codec.hpp"

#include <algorithm>
#include <filesystem>

namespace lw::test {
namespace {

std::vector<std::string> textLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t from = 0;
    while (true) {
        size_t at = text.find("\r\n", from);
        lines.push_back(text.substr(from, at == std::string::npos ? std::string::npos : at - from));
        if (at == std::string::npos)
            return lines;
        from = at + 2;
    }
}

} // namespace

std::string packageFileProblem(const std::string& path, int* rows) {
    if (rows)
        *rows = 0;
    std::string bytes = readFileBytes(path);
    if (bytes.rfind("\xFF\xFE", 0) != 0)
        return "no byte-order mark";
    if (bytes.size() % 2 != 0)
        return "odd byte count: a UTF-16 unit is cut";
    auto text = toUtf8(std::string_view(bytes).substr(2), "UTF-16LE");
    if (!text)
        return "not UTF-16LE";
    std::vector<std::string> lines = textLines(*text);
    if (lines.size() < 3)
        return "fewer than three header lines";
    if (lines[0] != "version 1.00" + std::string(49, '\t'))
        return "line 1 is not the version line";
    if (lines[1].rfind("title\tcid\t", 0) != 0 || lines[2].rfind("宝贝名称\t", 0) != 0)
        return "header lines 2 and 3 are not the column names";
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        size_t fields = static_cast<size_t>(std::count(line.begin(), line.end(), '\t')) + 1;
        if (fields != 50)
            return "line " + std::to_string(i + 1) + " has " + std::to_string(fields) + " fields";
        if (i >= 3) {
            std::string last = line.substr(line.rfind('\t') + 1);
            if (last != "0" && last != "1")
                return "line " + std::to_string(i + 1) + " does not end with the sell_promise flag";
        }
    }
    if (rows)
        *rows = static_cast<int>(lines.size()) - 3;
    return {};
}

std::string strayFiles(const std::string& folder, const std::vector<std::string>& allowedFolders,
                       const std::vector<std::string>& allowedFiles) {
    namespace fs = std::filesystem;
    std::string stray;
    auto inside = [](const fs::path& file, const fs::path& dir) {
        auto rel = file.lexically_normal().lexically_relative(dir.lexically_normal());
        return !rel.empty() && *rel.begin() != "..";
    };
    for (const auto& entry : fs::recursive_directory_iterator(platform::toPath(folder))) {
        if (entry.is_directory())
            continue;
        const fs::path& p = entry.path();
        bool allowed =
            std::any_of(allowedFolders.begin(), allowedFolders.end(),
                        [&](const std::string& d) { return inside(p, platform::toPath(d)); }) ||
            std::any_of(allowedFiles.begin(), allowedFiles.end(),
                        [&](const std::string& f) { return platform::toPath(f) == p; });
        if (!allowed)
            stray += platform::fromPath(p) + "\n";
    }
    return stray;
}

} // namespace lw::test
