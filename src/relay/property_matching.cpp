#include "relay/property_matching.hpp"

#include <cstdint>

namespace lw::relay {
namespace {

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

bool isSizeName(std::string_view name) {
    return contains(name, "尺码") || contains(name, "尺寸");
}

// Decodes one UTF-8 character at text[i]; length 0 for a byte that starts none.
std::uint32_t decodeAt(std::string_view text, std::size_t i, std::size_t& length) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    auto cont = [&](std::size_t k) {
        return i + k < text.size() && (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
    };
    if (c < 0x80) {
        length = 1;
        return c;
    }
    if ((c & 0xE0) == 0xC0 && cont(1)) {
        length = 2;
        return ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu);
    }
    if ((c & 0xF0) == 0xE0 && cont(1) && cont(2)) {
        length = 3;
        return ((c & 0x0Fu) << 12) | ((static_cast<unsigned char>(text[i + 1]) & 0x3Fu) << 6) |
               (static_cast<unsigned char>(text[i + 2]) & 0x3Fu);
    }
    length = 0;
    return 0;
}

} // namespace

std::string normaliseValueName(std::string_view name) {
    std::string half;
    half.reserve(name.size());
    for (std::size_t i = 0; i < name.size();) {
        std::size_t length = 0;
        std::uint32_t code = decodeAt(name, i, length);
        if (length == 3 && code >= 0xFF01 && code <= 0xFF5E) {
            half += static_cast<char>(code - 0xFEE0);
        } else if (length == 3 && code == 0x3000) {
            half += ' ';
        } else {
            std::size_t n = length == 0 ? 1 : length;
            half.append(name.substr(i, n));
            i += n;
            continue;
        }
        i += length;
    }
    std::size_t begin = half.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos)
        return {};
    std::size_t end = half.find_last_not_of(" \t\r\n");
    std::string out = half.substr(begin, end - begin + 1);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool isSizeProperty(const CategoryProperty& property) {
    return property.isSale && !property.isColor && isSizeName(property.name);
}

bool takesSpareValues(const CategoryProperty& property) {
    return property.isColor || isSizeProperty(property);
}

const CategoryProperty* matchProperty(const CategoryProperties& category, const std::string& name) {
    if (name.empty())
        return nullptr;
    for (const CategoryProperty& p : category.properties)
        if (p.name == name)
            return &p;
    if (startsWith(name, "颜色")) {
        for (const CategoryProperty& p : category.properties)
            if (p.isColor)
                return &p;
        return nullptr;
    }
    if (startsWith(name, "尺码") || startsWith(name, "尺寸")) {
        for (const CategoryProperty& p : category.properties)
            if (isSizeProperty(p))
                return &p;
        for (const CategoryProperty& p : category.properties)
            if (!p.isColor && isSizeName(p.name))
                return &p;
        return nullptr;
    }
    if (name == "品牌")
        return category.property(kBrandPid);
    return nullptr;
}

const PropertyValue* matchValue(const CategoryProperty& property, const std::string& name) {
    for (const PropertyValue& v : property.values)
        if (v.name == name)
            return &v;
    for (const PropertyValue& v : property.values)
        if (!v.alias.empty() && v.alias == name)
            return &v;
    const std::string wanted = normaliseValueName(name);
    if (wanted.empty())
        return nullptr;
    for (const PropertyValue& v : property.values)
        if (normaliseValueName(v.name) == wanted ||
            (!v.alias.empty() && normaliseValueName(v.alias) == wanted))
            return &v;
    return nullptr;
}

std::optional<std::string> pickSpareValue(const CategoryProperty& property,
                                          const std::set<std::string>& takenVids) {
    for (auto v = property.values.rbegin(); v != property.values.rend(); ++v)
        if (!takenVids.count(v->vid))
            return v->vid;
    return std::nullopt;
}

} // namespace lw::relay
