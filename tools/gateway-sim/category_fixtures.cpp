#include "category_fixtures.hpp"

#include <fstream>
#include <sstream>

namespace gatewaysim {
namespace {

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at == std::string::npos ? at : at - start));
        if (at == std::string::npos)
            return parts;
        start = at + 1;
    }
}

bool isBlankLine(const std::string& line) {
    for (char c : line)
        if (static_cast<unsigned char>(c) > ' ')
            return false;
    return true;
}

std::string noDash(const std::string& text) {
    return text == "-" ? std::string() : text;
}

} // namespace

std::vector<std::vector<std::string>> readTable(const std::filesystem::path& path) {
    std::vector<std::vector<std::string>> rows;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return rows;
    std::ostringstream text;
    text << in.rdbuf();
    for (auto line : split(text.str(), '\n')) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (isBlankLine(line) || line[0] == '#')
            continue;
        rows.push_back(split(line, '\t'));
    }
    return rows;
}

std::vector<PropRow> readProps(const std::filesystem::path& folder) {
    std::vector<PropRow> props;
    for (auto& row : readTable(folder / "itemprops.tsv")) {
        if (row.size() < 5)
            continue;
        PropRow prop{row[0], row[1], row[2], {}, row[4]};
        if (row[3] != "-")
            for (const auto& flag : split(row[3], ','))
                if (!flag.empty())
                    prop.flags.insert(flag);
        props.push_back(std::move(prop));
    }
    return props;
}

std::vector<ValueRow> readValues(const std::filesystem::path& folder) {
    std::vector<ValueRow> values;
    for (auto& row : readTable(folder / "propvalues.tsv"))
        if (row.size() >= 6)
            values.push_back({row[0], row[1], row[2], row[3], noDash(row[4]), row[5]});
    return values;
}

std::vector<CategoryRow> readCategories(const std::filesystem::path& folder) {
    std::vector<CategoryRow> categories;
    for (auto& row : readTable(folder / "itemcats.tsv"))
        if (row.size() >= 5)
            categories.push_back({row[0], row[1], row[2], row[3] == "true", row[4]});
    return categories;
}

} // namespace gatewaysim
