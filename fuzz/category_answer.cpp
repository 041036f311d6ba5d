// The relay's category and property answers, cut into items and read into table rows
// as the three category downloads store them.
#include "catalog/category_store.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view answer(reinterpret_cast<const char*>(data), size);

    for (const std::string& piece : lw::splitAnswer(answer, "</item_cat>"))
        lw::itemcatRow(piece);
    for (const std::string& piece : lw::splitAnswer(answer, "</item_prop>")) {
        lw::itempropRow(piece);
        lw::itempropValueRow(piece);
    }
    return 0;
}
