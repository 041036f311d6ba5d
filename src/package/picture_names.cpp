#include "package/picture_names.hpp"

#include "package/package_names.hpp"
#include "store/text_routines.hpp"

#include <algorithm>
#include <set>

namespace lw {

std::string cleanFileName(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (char c : name) {
        if (c == '?' || c == '*' || c == '|' || c == '>' || c == '<' || c == '"')
            continue;
        out += c;
    }
    size_t first = out.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    size_t last = out.find_last_not_of(' ');
    return out.substr(first, last - first + 1);
}

std::string descriptionPictureName(std::string_view address) {
    size_t slash = address.rfind('/');
    std::string_view name = slash == std::string_view::npos ? address : address.substr(slash + 1);
    // A backslash is a separator on some systems and a drive letter's colon makes the
    // name absolute there: both would lead out of the folder.
    size_t backslash = name.rfind('\\');
    if (backslash != std::string_view::npos)
        name = name.substr(backslash + 1);
    std::string plain;
    for (char c : name) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || c == ':')
            continue;
        plain += c;
    }
    plain = cleanFileName(plain);
    if (plain.find_first_not_of('.') == std::string::npos)
        return {};
    return plain;
}

std::string localPictureAddress(const std::string& folder, const std::string& name,
                                bool driveLetters) {
    if (driveLetters)
        return "file:///" + folder + "\\" + name;
    return "file://" + folder + "/" + name;
}

namespace {

// Adds every address that follows marker up to the next double quote, each prefixed
// with keep (the part of the marker that belongs to the address).
bool collectAfter(std::string_view description, std::string_view marker, std::string_view keep,
                  std::vector<std::string>& addresses, std::set<std::string>& seen,
                  const std::function<bool()>& keepGoing) {
    size_t from = 0;
    while (true) {
        if (keepGoing && !keepGoing())
            return false;
        size_t at = description.find(marker, from);
        if (at == std::string_view::npos)
            return true;
        size_t start = at + marker.size();
        size_t end = description.find('"', start);
        if (end == std::string_view::npos)
            return true;
        std::string address =
            std::string(keep) + std::string(description.substr(start, end - start));
        if (seen.insert(lowerAscii(address)).second)
            addresses.push_back(address);
        from = end + 1;
    }
}

} // namespace

std::optional<std::vector<std::string>>
collectDescriptionAddresses(std::string_view description, const std::function<bool()>& keepGoing) {
    std::vector<std::string> addresses;
    std::set<std::string> seen;
    if (!collectAfter(description, "src=\"", "", addresses, seen, keepGoing))
        return std::nullopt;
    if (!collectAfter(description, "background=\"http://", "http://", addresses, seen, keepGoing))
        return std::nullopt;
    return addresses;
}

namespace {

// The text pieces between the changed addresses are handed to clean.
std::string replaceAddresses(std::string_view description,
                             const std::vector<AddressChange>& changes,
                             const std::function<std::string(std::string_view)>& clean) {
    // The description as pieces: a span of the original text, or a change's local text.
    struct Piece {
        size_t begin;
        size_t length;
        const AddressChange* change;
    };
    std::vector<Piece> pieces{{0, description.size(), nullptr}};
    for (const AddressChange& change : changes) {
        if (change.address.empty())
            continue;
        std::vector<Piece> next;
        next.reserve(pieces.size());
        for (const Piece& piece : pieces) {
            if (piece.change) {
                next.push_back(piece);
                continue;
            }
            std::string_view text = description.substr(piece.begin, piece.length);
            // Only a whole attribute value, between its quotes: an address that begins
            // another one ("x.jpg" of "x.jpg_790x10000.jpg") leaves that one alone.
            auto whole = [&](size_t at) {
                const size_t begin = piece.begin + at;
                const size_t end = begin + change.address.size();
                return begin > 0 && description[begin - 1] == '"' && end < description.size() &&
                       description[end] == '"';
            };
            size_t from = 0;
            for (size_t at = text.find(change.address); at != std::string_view::npos;
                 at = text.find(change.address, at + 1)) {
                if (!whole(at))
                    continue;
                if (at > from)
                    next.push_back({piece.begin + from, at - from, nullptr});
                next.push_back({0, 0, &change});
                from = at + change.address.size();
            }
            if (from < text.size())
                next.push_back({piece.begin + from, text.size() - from, nullptr});
        }
        pieces = std::move(next);
    }
    std::string out;
    for (const Piece& piece : pieces)
        out += piece.change ? piece.change->local
                            : clean(description.substr(piece.begin, piece.length));
    return out;
}

} // namespace

std::string pointAtLocalPictures(std::string_view description,
                                 const std::vector<AddressChange>& changes) {
    return replaceAddresses(description, changes,
                            [](std::string_view text) { return std::string(text); });
}

std::string finishDescription(std::string_view description,
                              const std::vector<AddressChange>& changes, bool clearLinks) {
    return replaceAddresses(description, changes, [clearLinks](std::string_view text) {
        std::string cleaned(text);
        cleanDescriptionText(cleaned, clearLinks);
        return cleaned;
    });
}

namespace {

// A name that stays inside its folder.
bool isPlainFileName(std::string_view name) {
    return !name.empty() && name.find_first_of("/\\") == std::string_view::npos &&
           name.find_first_not_of('.') != std::string_view::npos;
}

} // namespace

std::string emptyForeignLocalReferences(std::string_view description, const std::string& ownPrefix,
                                        std::vector<std::string>* removed) {
    const std::string lower = lowerAscii(description);
    std::string out;
    std::size_t copied = 0;
    std::size_t from = 0;
    while (true) {
        std::size_t src = lower.find("src=", from);
        std::size_t background = lower.find("background=", from);
        std::size_t at = std::min(src, background);
        if (at == std::string::npos)
            break;
        std::size_t start = at + (at == src ? 4 : 11);
        // The value in either quote, or unquoted up to a blank or the tag's end.
        std::size_t end = std::string_view::npos;
        if (start < description.size() &&
            (description[start] == '"' || description[start] == '\'')) {
            end = description.find(description[start], start + 1);
            ++start;
        } else {
            end = description.find_first_of(" \t\r\n>", start);
        }
        if (end == std::string_view::npos)
            end = description.size();
        const std::string_view value = description.substr(start, end - start);
        const std::string decoded = trim(decodeEntities(value));
        const bool local = lowerAscii(decoded).rfind("file:", 0) == 0;
        const bool own = decoded.rfind(ownPrefix, 0) == 0 &&
                         isPlainFileName(std::string_view(decoded).substr(ownPrefix.size()));
        if (local && !own) {
            out += description.substr(copied, start - copied);
            copied = end;
            if (removed)
                removed->emplace_back(value);
        }
        from = std::max(end, start + 1);
    }
    out += description.substr(copied);
    return out;
}

std::string numberedName(const std::string& name, int number) {
    std::string suffix = "(" + std::to_string(number) + ")";
    size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return name + suffix;
    return name.substr(0, dot) + suffix + name.substr(dot);
}

bool isWebAddress(std::string_view address) {
    std::string start = lowerAscii(address.substr(0, 8));
    return start.rfind("http://", 0) == 0 || start.rfind("https://", 0) == 0;
}

std::string decodeEntities(std::string_view text) {
    std::string d = replaceAll(text, "&lt;", "<");
    d = replaceAll(d, "&gt;", ">");
    d = replaceAll(d, "&quot;", "\"");
    d = replaceAll(d, "&amp;", "&");
    return replaceAll(d, "&nbsp;", " ");
}

void cleanDescriptionText(std::string& d, bool clearLinks) {
    d = decodeEntities(d);
    d = replaceAll(d, "\"\"", "\"\"\"\"");
    if (!clearLinks)
        return;
    d = replaceAll(d, "<a>", "");
    d = replaceAll(d, "<a ", "<div ");
    d = replaceAll(d, "</a>", "</div>");
    d = replaceAll(d, "<A>", "");
    d = replaceAll(d, "<A ", "<div ");
    d = replaceAll(d, "</A>", "</div>");
}

std::vector<PropertyPicture> readPropertyPictures(std::string_view answer) {
    std::vector<PropertyPicture> pictures;
    std::string section = textBetween(answer, "<prop_imgs list=\"true\">", "</prop_imgs>");
    for (const std::string& piece : splitText(section, "</prop_img>")) {
        pictures.push_back({textBetween(piece, "<url>", "</url>"),
                            textBetween(piece, "<position>", "</position>"),
                            textBetween(piece, "<properties>", "</properties>")});
    }
    return pictures;
}

} // namespace lw
