#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace lw::relay {

struct FormLimits {
    std::size_t maxFields = 40;
    std::size_t maxNameBytes = 64;
    std::size_t maxValueBytes = 512;
};

// The fields of a form body or a query ("a=1&b=x+y"), decoded ("+" = blank, %XX).
// The first of a repeated name counts. nullopt, with the reason, when the text breaks
// the limits.
struct FormFields {
    std::optional<std::map<std::string, std::string>> fields;
    std::string error;
};
FormFields readFormFields(std::string_view text, const FormLimits& limits,
                          const std::map<std::string, std::size_t>& longerValues = {});

// %XX decoded, "+" as a blank.
std::string formDecode(std::string_view text);

// 1 to 20 decimal digits (an id the platforms give).
bool isDigitsId(std::string_view text);

} // namespace lw::relay
