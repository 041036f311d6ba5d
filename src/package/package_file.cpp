#include "package/package_file.hpp"

#include "package/package_row.hpp"
#include "platform/platform.hpp"
#include "store/text_routines.hpp"
#include "util/codec.hpp"

#include <filesystem>
#include <system_error>

namespace lw {
namespace {

std::string failure(const std::string& fileName, std::error_code error) {
    return fileName + ": " + error.message();
}

std::string toUtf16Le(const std::string& text) {
    if (auto utf16 = utf8ToUtf16Le(text))
        return *utf16;
    // A stray byte becomes U+FFFD rather than losing the row.
    return utf8ToUtf16Le(toUtf8Lenient(text, "UTF-8")).value_or(std::string());
}

} // namespace

std::string appendPackageRow(const PackageRow& row, const std::string& fileName, int mode) {
    // Neither header lines nor a blank line for a row that is not there.
    if (row.empty())
        return {};
    const std::string line = packageRowLine(row);
    if (mode == kNewPackageFile) {
        std::string text;
        for (const std::string& header : packageHeaderLines())
            text += header + "\r\n";
        text += line;
        return writeUtf16File(fileName, text, true);
    }
    if (mode == kExistingPackageFile)
        return appendUtf16File(fileName, "\r\n" + line);
    return {};
}

std::string writeUtf16File(const std::string& fileName, const std::string& text, bool mark) {
    if (text.empty())
        return {};
    std::string buffer = mark ? std::string("\xFF\xFE") : std::string();
    buffer += toUtf16Le(text);

    const std::string partName = fileName + ".part";
    platform::WriteFile file(partName, platform::WriteFile::Mode::CreateTruncate);
    if (!file.isOpen())
        return failure(fileName, file.openError());
    std::error_code error = file.writeAt(buffer, 0);
    if (!error)
        error = file.close();
    if (!error)
        error = platform::renameReplacing(partName, fileName);
    if (error) {
        std::error_code ignored;
        std::filesystem::remove(platform::toPath(partName), ignored);
        return failure(fileName, error);
    }
    return {};
}

std::string appendUtf16File(const std::string& fileName, const std::string& text) {
    if (text.empty())
        return {};
    const std::string bytes = toUtf16Le(text);
    platform::WriteFile file(fileName, platform::WriteFile::Mode::Existing);
    if (!file.isOpen())
        return failure(fileName, file.openError());
    std::error_code error;
    const std::optional<std::int64_t> oldLength = file.size(error);
    if (!oldLength)
        return failure(fileName, error);
    error = file.writeAt(bytes, *oldLength);
    if (!error) {
        error = file.close();
        if (!error)
            return {};
    }
    // Leave the file as it was.
    const std::error_code restore =
        file.isOpen() ? file.resize(*oldLength) : platform::resizeFile(fileName, *oldLength);
    if (restore)
        return failure(fileName, error) + "; " + failure(fileName, restore);
    return failure(fileName, error);
}

} // namespace lw
