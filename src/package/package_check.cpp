#include "package/package_check.hpp"

#include "package/package_names.hpp"
#include "package/package_row.hpp"
#include "platform/platform.hpp"
#include "util/codec.hpp"

#include <fstream>
#include <iterator>
#include <optional>

namespace lw {
namespace {

constexpr std::size_t kNumIdColumn = 36;

std::optional<std::string> readBytes(const std::string& path) {
    std::ifstream in(platform::toPath(path), std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return std::nullopt;
    return bytes;
}

std::string joinedFields(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i)
        line += (i ? "\t" : "") + fields[i];
    return line;
}

} // namespace

std::vector<PackageFileRow> splitPackageRecords(std::string_view text) {
    std::vector<PackageFileRow> records;
    std::size_t i = 0;
    int line = 0;
    while (i < text.size()) {
        PackageFileRow record;
        record.line = ++line;
        while (true) {
            std::size_t end = 0;
            if (i == text.size()) {
                // An empty last field after a TAB at the very end.
                record.fields.emplace_back();
                end = i;
            } else if (text[i] == '"') {
                std::size_t j = i + 1;
                while (true) {
                    j = text.find('"', j);
                    if (j == std::string_view::npos || j + 1 == text.size() ||
                        text[j + 1] == '\t' || text[j + 1] == '\r' || text[j + 1] == '\n')
                        break;
                    ++j;
                }
                if (j == std::string_view::npos) {
                    // No closing quote: the field runs to the end of the file.
                    record.fields.emplace_back(text.substr(i + 1));
                    end = text.size();
                } else {
                    record.fields.emplace_back(text.substr(i + 1, j - i - 1));
                    end = j + 1;
                }
            } else {
                end = std::min(text.find_first_of("\t\r\n", i), text.size());
                record.fields.emplace_back(text.substr(i, end - i));
            }
            i = end;
            if (i < text.size() && text[i] == '\t') {
                ++i;
                continue;
            }
            if (i < text.size() && text[i] == '\r')
                ++i;
            if (i < text.size() && text[i] == '\n')
                ++i;
            break;
        }
        records.push_back(std::move(record));
    }
    return records;
}

bool PackageCheck::hasErrors() const {
    if (!fileErrors.empty())
        return true;
    for (const PackageRowCheck& row : rows)
        if (!row.problem.empty() || !row.problems.errors.empty())
            return true;
    return false;
}

bool PackageCheck::hasWarnings() const {
    for (const PackageRowCheck& row : rows)
        if (!row.problems.warnings.empty())
            return true;
    return false;
}

std::string packageAppendProblem(const std::string& path) {
    std::optional<std::string> bytes = readBytes(path);
    if (!bytes)
        return "无法读取文件\"" + path + "\",不能追加.";
    if (bytes->empty())
        return {};
    const std::string notPackage =
        "\"" + path + "\"不是淘宝助理数据包(没有字节顺序标记和表头),不能追加.";
    std::string_view data = *bytes;
    if (data.substr(0, 2) != "\xff\xfe")
        return notPackage;
    data.remove_prefix(2);
    const std::string cut = "\"" + path + "\"的最后一行不完整(文件被截断),不能追加.";
    std::optional<std::string> text = toUtf8(data, "utf-16le");
    if (!text)
        return data.size() % 2 ? cut : notPackage;
    const std::vector<std::string> headers = packageHeaderLines();
    std::string head;
    for (const std::string& header : headers)
        head += header + "\r\n";
    if (text->rfind(head.substr(0, head.size() - 2), 0) != 0)
        return notPackage;
    // The writer ends the file right after the last row's last field.
    const std::vector<PackageFileRow> records = splitPackageRecords(*text);
    if (records.size() < headers.size())
        return notPackage;
    const bool endsAtRow =
        records.size() == headers.size()
            ? *text == head.substr(0, head.size() - 2)
            : records.back().fields.size() == static_cast<std::size_t>(kPackageColumnCount) &&
                  text->back() != '\n' && text->back() != '\r';
    return endsAtRow ? std::string() : cut;
}

PackageCheck checkPackageFile(const std::string& path, const CategoryTree& tree) {
    PackageCheck check;
    std::optional<std::string> bytes = readBytes(path);
    if (!bytes) {
        check.fileErrors.push_back("无法读取文件");
        return check;
    }
    std::string_view data = *bytes;
    if (data.substr(0, 2) == "\xff\xfe")
        data.remove_prefix(2);
    else
        check.fileErrors.push_back("文件开头没有字节顺序标记 FF FE (UTF-16LE)");
    std::optional<std::string> text = toUtf8(data, "utf-16le");
    if (!text) {
        check.fileErrors.push_back("文件不是有效的 UTF-16LE 文本");
        return check;
    }

    std::vector<PackageFileRow> records = splitPackageRecords(*text);
    const std::vector<std::string> headers = packageHeaderLines();
    const char* const headerNames[] = {"version 1.00", "英文列名", "中文列名"};
    std::size_t next = 0;
    for (std::size_t h = 0; h < headers.size(); ++h) {
        const std::string expectedFirst = headers[h].substr(0, headers[h].find('\t'));
        std::string label =
            "表头第" + std::to_string(h + 1) + "行(" + std::string(headerNames[h]) + ")";
        if (next < records.size() && joinedFields(records[next].fields) == headers[h]) {
            ++next;
        } else if (next < records.size() && !records[next].fields.empty() &&
                   records[next].fields[0] == expectedFirst) {
            check.fileErrors.push_back(label + "不正确");
            ++next;
        } else {
            check.fileErrors.push_back("缺少" + label);
        }
    }

    const std::string pictureFolder = pictureFolderOf(path);
    for (; next < records.size(); ++next) {
        const PackageFileRow& record = records[next];
        PackageRowCheck row;
        row.line = record.line;
        if (record.fields.size() > kNumIdColumn)
            row.numId = record.fields[kNumIdColumn];
        if (record.fields.size() != static_cast<std::size_t>(kPackageColumnCount))
            row.problem = "有" + std::to_string(record.fields.size()) + "个字段,应为" +
                          std::to_string(kPackageColumnCount) + "个";
        else
            row.problems = checkRowFields(record.fields, tree, pictureFolder);
        check.rows.push_back(std::move(row));
    }
    return check;
}

} // namespace lw
