// A category mapping import file: decoded, cut into lines and fields as the mapping
// editor's import does.
#include "catalog/mapping_import.hpp"

#include "require.hpp"
#include "store/text_routines.hpp"
#include "util/codec.hpp"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);

    std::optional<std::string> text = lw::decodeImportText(bytes);
    if (!text)
        return 0;
    require(lw::isValidUtf8(*text), "import text is UTF-8");
    for (const std::string& line : lw::splitLines(*text)) {
        require(line.find_first_of("\r\n") == std::string::npos, "a line holds no line end");
        lw::splitText(line, ",");
    }
    return 0;
}
