#include "relay/form_fields.hpp"

namespace lw::relay {
namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::string formDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
                   hexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

FormFields readFormFields(std::string_view text, const FormLimits& limits,
                          const std::map<std::string, std::size_t>& longerValues) {
    FormFields result;
    std::map<std::string, std::string> fields;
    std::size_t count = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('&', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view piece = text.substr(start, end - start);
        start = end + 1;
        // Line breaks of a hand-made body are not part of the fields.
        while (!piece.empty() && (piece.back() == '\r' || piece.back() == '\n'))
            piece.remove_suffix(1);
        if (piece.empty())
            continue;
        if (++count > limits.maxFields) {
            result.error = "too many fields";
            return result;
        }
        std::size_t eq = piece.find('=');
        std::string name = formDecode(piece.substr(0, eq));
        std::string value =
            eq == std::string_view::npos ? std::string() : formDecode(piece.substr(eq + 1));
        if (name.size() > limits.maxNameBytes) {
            result.error = "field name too long";
            return result;
        }
        std::size_t valueLimit = limits.maxValueBytes;
        if (auto longer = longerValues.find(name); longer != longerValues.end())
            valueLimit = longer->second;
        if (value.size() > valueLimit) {
            result.error = "field " + name + " too long";
            return result;
        }
        fields.emplace(std::move(name), std::move(value));
    }
    result.fields = std::move(fields);
    return result;
}

bool isDigitsId(std::string_view text) {
    if (text.empty() || text.size() > 20)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

} // namespace lw::relay
