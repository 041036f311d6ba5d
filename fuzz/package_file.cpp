// A package file given to listwright-cli check: its text split into records as the
// importer reads it, and the rows of 50 fields checked.
#include "package/package_check.hpp"
#include "package/row_check.hpp"
#include "require.hpp"
#include "util/codec.hpp"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace {

void splitAndCheck(const std::string& text) {
    std::size_t bytes = 0;
    int line = 0;
    for (const lw::PackageFileRow& record : lw::splitPackageRecords(text)) {
        require(record.line == ++line, "records are numbered one after another");
        require(!record.fields.empty(), "a record has a field");
        for (const std::string& field : record.fields)
            bytes += field.size();
        // The picture files a row names are only looked up, never opened.
        if (record.fields.size() == static_cast<std::size_t>(lw::kPackageColumnCount))
            lw::checkRowFields(record.fields, {}, "");
    }
    require(bytes <= text.size(), "fields hold only the input's bytes");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    splitAndCheck(bytes);
    if (std::optional<std::string> text = lw::toUtf8(bytes, "utf-16le"))
        splitAndCheck(*text);
    return 0;
}
