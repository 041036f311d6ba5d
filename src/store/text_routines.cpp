#include "store/text_routines.hpp"

#include <algorithm>

namespace lw {

std::vector<std::string> splitText(std::string_view text, std::string_view separator) {
    std::vector<std::string> pieces;
    if (separator.empty()) {
        pieces.emplace_back(text);
        return pieces;
    }
    std::string_view rest = text;
    size_t p = rest.find(separator);
    while (p != std::string_view::npos) {
        pieces.emplace_back(rest.substr(0, p));
        rest.remove_prefix(p + 1);
        p = rest.find(separator);
    }
    pieces.emplace_back(rest);
    return pieces;
}

std::vector<std::string> splitTextMax(std::string_view text, std::string_view separator, int max,
                                      const std::function<void()>& between) {
    std::vector<std::string> pieces;
    if (separator.empty()) {
        pieces.emplace_back(text);
        return pieces;
    }
    std::string_view rest = text;
    int n = 0;
    size_t p = rest.find(separator);
    while (p != std::string_view::npos) {
        if (max > 0) {
            if (n == max)
                break;
            ++n;
        }
        if (between)
            between();
        pieces.emplace_back(rest.substr(0, p));
        rest.remove_prefix(p + separator.size());
        p = rest.find(separator);
    }
    pieces.emplace_back(rest);
    return pieces;
}

std::string textBetween(std::string_view text, std::string_view start, std::string_view end) {
    size_t q = 0;
    if (!start.empty()) {
        size_t p = text.find(start);
        if (p == std::string_view::npos)
            return {};
        q = p + start.size();
    }
    size_t e = text.size();
    if (!end.empty()) {
        e = text.find(end, q);
        if (e == std::string_view::npos)
            return {};
    }
    if (e <= q)
        return {};
    return std::string(text.substr(q, e - q));
}

bool isNumber(std::string_view text) {
    if (text.empty() || text.front() == '.' || text.back() == '.')
        return false;
    int points = 0;
    for (char c : text) {
        if (c == '.')
            ++points;
        else if (c < '0' || c > '9')
            return false;
    }
    return points <= 1;
}

std::string versionTextOf(std::string_view fourPartVersion) {
    // Four numbers without leading zeros, as the file version is shown.
    std::vector<std::string> parts = splitText(fourPartVersion, ".");
    if (fourPartVersion.empty() || parts.size() > 4)
        return "0";
    std::string out;
    for (size_t i = 0; i < 4; ++i) {
        unsigned long value = 0;
        if (i < parts.size()) {
            const std::string& p = parts[i];
            if (p.empty() ||
                !std::all_of(p.begin(), p.end(), [](char c) { return c >= '0' && c <= '9'; }))
                return "0";
            value = std::stoul(p) & 0xFFFF;
        }
        if (i > 0)
            out += '.';
        out += std::to_string(value);
    }
    return out;
}

std::string programVersion() {
#ifdef LISTWRIGHT_VERSION
    return versionTextOf(LISTWRIGHT_VERSION);
#else
    return "0";
#endif
}

std::string flagText(std::string_view text) {
    std::string lowered = lowerAscii(text);
    if (lowered == "1" || lowered == "true" || lowered == "deleted")
        return "1";
    return "0";
}

std::string lowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string trim(std::string_view text) {
    size_t b = 0;
    size_t e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ')
        --e;
    return std::string(text.substr(b, e - b));
}

std::string replaceAll(std::string_view text, std::string_view from, std::string_view to) {
    if (from.empty())
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    while (true) {
        size_t hit = text.find(from, pos);
        if (hit == std::string_view::npos)
            break;
        out.append(text.substr(pos, hit - pos));
        out.append(to);
        pos = hit + from.size();
    }
    out.append(text.substr(pos));
    return out;
}

size_t findNoCase(std::string_view text, std::string_view what, size_t from) {
    if (what.empty())
        return from <= text.size() ? from : std::string_view::npos;
    auto lower = [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    };
    for (size_t i = from; i + what.size() <= text.size(); ++i) {
        size_t k = 0;
        while (k < what.size() && lower(text[i + k]) == lower(what[k]))
            ++k;
        if (k == what.size())
            return i;
    }
    return std::string_view::npos;
}

} // namespace lw
