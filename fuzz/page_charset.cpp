// Charset decoding of listing pages and the GBK/UTF-8 codecs. The first line of the
// input is the answer's Content-Type header, the rest the page.
#include "harvest/listing_page.hpp"
#include "require.hpp"
#include "util/codec.hpp"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    size_t eol = input.find('\n');
    std::string_view contentType = eol == std::string_view::npos ? "" : input.substr(0, eol);
    std::string_view page = eol == std::string_view::npos ? input : input.substr(eol + 1);

    require(lw::isValidUtf8(lw::decodeListingPage(page, contentType)), "page decoded to UTF-8");

    if (auto text = lw::gb18030ToUtf8(input))
        require(lw::isValidUtf8(*text), "GBK decoded to UTF-8");
    if (auto gbk = lw::utf8ToGb18030(input)) {
        auto back = lw::gb18030ToUtf8(*gbk);
        require(back && *back == input, "UTF-8 -> GBK -> UTF-8 keeps the text");
    }
    require(lw::isValidUtf8(lw::toUtf8Lenient(input, "GB18030")), "lenient GBK gives UTF-8");
    lw::utf8ToUtf16Le(input);
    return 0;
}
