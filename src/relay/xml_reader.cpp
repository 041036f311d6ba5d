#include "relay/xml_reader.hpp"

#include <cstdint>

namespace lw::relay {
namespace {

void appendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The character an entity body ("amp", "#38", "#x26") stands for; nullopt when it is
// not one XML defines.
std::optional<std::string> entityText(std::string_view body) {
    if (body == "amp")
        return "&";
    if (body == "lt")
        return "<";
    if (body == "gt")
        return ">";
    if (body == "quot")
        return "\"";
    if (body == "apos")
        return "'";
    if (body.size() < 2 || body[0] != '#')
        return std::nullopt;
    bool hex = body[1] == 'x' || body[1] == 'X';
    std::string_view digits = body.substr(hex ? 2 : 1);
    if (digits.empty() || digits.size() > 8)
        return std::nullopt;
    std::uint32_t code = 0;
    for (char c : digits) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return std::nullopt;
        code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(d);
    }
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return std::nullopt;
    std::string out;
    appendUtf8(out, code);
    return out;
}

std::string decodeText(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '&') {
            std::size_t end = raw.find(';', i + 1);
            if (end != std::string_view::npos && end - i <= 12) {
                if (auto decoded = entityText(raw.substr(i + 1, end - i - 1))) {
                    out += *decoded;
                    i = end;
                    continue;
                }
            }
        }
        out += raw[i];
    }
    return out;
}

bool isNameByte(char c) {
    return c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '>' && c != '/' && c != '=';
}

class Reader {
public:
    Reader(std::string_view text, int maxDepth) : text_(text), maxDepth_(maxDepth) {}

    XmlReadResult read() {
        XmlReadResult result;
        if (text_.substr(0, 3) == "\xEF\xBB\xBF")
            pos_ = 3;
        if (!skipMisc()) {
            result.error = error_;
            return result;
        }
        if (pos_ >= text_.size() || text_[pos_] != '<') {
            result.error = "no root element";
            return result;
        }
        XmlElement root;
        if (!element(root, 1)) {
            result.error = error_;
            return result;
        }
        if (!skipMisc()) {
            result.error = error_;
            return result;
        }
        if (pos_ < text_.size()) {
            result.error = "text after the root element";
            return result;
        }
        result.root = std::move(root);
        return result;
    }

private:
    bool fail(std::string message) {
        error_ = std::move(message) + " at byte " + std::to_string(pos_);
        return false;
    }

    bool startsWith(std::string_view what) const { return text_.substr(pos_, what.size()) == what; }

    void skipBlanks() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                       text_[pos_] == '\r' || text_[pos_] == '\n'))
            ++pos_;
    }

    // Skips to the end marker; false when it never comes.
    bool skipPast(std::string_view end) {
        std::size_t at = text_.find(end, pos_);
        if (at == std::string_view::npos)
            return fail("unterminated markup");
        pos_ = at + end.size();
        return true;
    }

    // Blanks, declarations, processing instructions, comments and a doctype.
    bool skipMisc() {
        for (;;) {
            skipBlanks();
            if (startsWith("<?")) {
                if (!skipPast("?>"))
                    return false;
            } else if (startsWith("<!--")) {
                if (!skipPast("-->"))
                    return false;
            } else if (startsWith("<!DOCTYPE") || startsWith("<!doctype")) {
                if (!skipPast(">"))
                    return false;
            } else {
                return true;
            }
        }
    }

    bool element(XmlElement& out, int depth) {
        if (depth > maxDepth_)
            return fail("nesting too deep");
        ++pos_; // '<'
        std::size_t nameStart = pos_;
        while (pos_ < text_.size() && isNameByte(text_[pos_]))
            ++pos_;
        if (pos_ == nameStart)
            return fail("element without a name");
        out.name = std::string(text_.substr(nameStart, pos_ - nameStart));
        // Attributes: skipped, quotes respected.
        for (;;) {
            if (pos_ >= text_.size())
                return fail("unterminated start tag");
            char c = text_[pos_];
            if (c == '"' || c == '\'') {
                std::size_t close = text_.find(c, pos_ + 1);
                if (close == std::string_view::npos)
                    return fail("unterminated attribute");
                pos_ = close + 1;
            } else if (c == '/') {
                if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '>') {
                    pos_ += 2;
                    return true;
                }
                ++pos_;
            } else if (c == '>') {
                ++pos_;
                break;
            } else {
                ++pos_;
            }
        }
        std::string raw;
        for (;;) {
            std::size_t lt = text_.find('<', pos_);
            if (lt == std::string_view::npos)
                return fail("element " + out.name + " not closed");
            raw.append(text_.substr(pos_, lt - pos_));
            pos_ = lt;
            if (startsWith("</")) {
                pos_ += 2;
                std::size_t nameEnd = pos_;
                while (nameEnd < text_.size() && isNameByte(text_[nameEnd]))
                    ++nameEnd;
                if (text_.substr(pos_, nameEnd - pos_) != out.name)
                    return fail("element " + out.name + " closed by another");
                pos_ = nameEnd;
                skipBlanks();
                if (pos_ >= text_.size() || text_[pos_] != '>')
                    return fail("unterminated end tag");
                ++pos_;
                out.text += decodeText(raw);
                return true;
            }
            if (startsWith("<!--")) {
                if (!skipPast("-->"))
                    return false;
                continue;
            }
            if (startsWith("<![CDATA[")) {
                out.text += decodeText(raw);
                raw.clear();
                pos_ += 9;
                std::size_t end = text_.find("]]>", pos_);
                if (end == std::string_view::npos)
                    return fail("unterminated CDATA");
                out.text.append(text_.substr(pos_, end - pos_));
                pos_ = end + 3;
                continue;
            }
            if (startsWith("<?")) {
                if (!skipPast("?>"))
                    return false;
                continue;
            }
            XmlElement child;
            if (!element(child, depth + 1))
                return false;
            out.children.push_back(std::move(child));
        }
    }

    std::string_view text_;
    int maxDepth_;
    std::size_t pos_ = 0;
    std::string error_;
};

} // namespace

const XmlElement* XmlElement::child(std::string_view childName) const {
    for (const XmlElement& c : children)
        if (c.name == childName)
            return &c;
    return nullptr;
}

std::string XmlElement::childText(std::string_view childName) const {
    const XmlElement* c = child(childName);
    return c ? c->text : std::string();
}

std::vector<const XmlElement*> XmlElement::childrenNamed(std::string_view childName) const {
    std::vector<const XmlElement*> found;
    for (const XmlElement& c : children)
        if (c.name == childName)
            found.push_back(&c);
    return found;
}

XmlReadResult readXml(std::string_view text, int maxDepth) {
    return Reader(text, maxDepth).read();
}

std::string escapeXml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace lw::relay
