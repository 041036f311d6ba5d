#include "response_tree.hpp"

#include <algorithm>

namespace gatewaysim {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isHexDigit(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The length of the entity ("&amp;", "&nbsp;", "&#39;", "&#x27;") at text[at], 0 if none.
size_t entityLength(const std::string& text, size_t at) {
    size_t i = at + 1;
    if (i < text.size() && text[i] == '#') {
        ++i;
        bool hex = i < text.size() && (text[i] == 'x' || text[i] == 'X');
        if (hex)
            ++i;
        size_t start = i;
        while (i < text.size() && (hex ? isHexDigit(text[i]) : isDigit(text[i])))
            ++i;
        if (i == start)
            return 0;
    } else {
        if (i >= text.size() || !isLetter(text[i]))
            return 0;
        while (i < text.size() && (isLetter(text[i]) || isDigit(text[i])))
            ++i;
    }
    return i < text.size() && text[i] == ';' ? i + 1 - at : 0;
}

std::string jsonString(const std::string& text) {
    static const char* const hex = "0123456789abcdef";
    std::string out = "\"";
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (byte < 0x20) {
            out += "\\u00";
            out += hex[byte >> 4];
            out += hex[byte & 15];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::vector<const std::pair<std::string, Node>*> sortedFields(const Node& object) {
    std::vector<const std::pair<std::string, Node>*> out;
    for (const auto& field : object.fields)
        out.push_back(&field);
    std::stable_sort(out.begin(), out.end(),
                     [](const auto* a, const auto* b) { return a->first < b->first; });
    return out;
}

void appendXml(std::string& out, const Node& node);

void appendXmlFields(std::string& out, const Node& object) {
    for (const auto* field : sortedFields(object)) {
        bool isList = field->second.type == Node::Type::List;
        out += "<" + field->first + (isList ? " list=\"true\">" : ">");
        appendXml(out, field->second);
        out += "</" + field->first + ">";
    }
}

void appendXml(std::string& out, const Node& node) {
    switch (node.type) {
    case Node::Type::Text:
        out += xmlText(node.text);
        break;
    case Node::Type::Number:
    case Node::Type::Bool:
        out += node.text;
        break;
    case Node::Type::Object:
        appendXmlFields(out, node);
        break;
    case Node::Type::List:
        for (const auto& item : node.items) {
            out += "<" + node.itemName + ">";
            appendXml(out, item);
            out += "</" + node.itemName + ">";
        }
        break;
    }
}

void appendJson(std::string& out, const Node& node) {
    switch (node.type) {
    case Node::Type::Text:
        out += jsonString(node.text);
        break;
    case Node::Type::Number:
    case Node::Type::Bool:
        out += node.text;
        break;
    case Node::Type::Object: {
        out += "{";
        bool first = true;
        for (const auto* field : sortedFields(node)) {
            if (!first)
                out += ",";
            first = false;
            out += jsonString(field->first) + ":";
            appendJson(out, field->second);
        }
        out += "}";
        break;
    }
    case Node::Type::List: {
        out += "{" + jsonString(node.itemName) + ":[";
        for (size_t i = 0; i < node.items.size(); ++i) {
            if (i > 0)
                out += ",";
            appendJson(out, node.items[i]);
        }
        out += "]}";
        break;
    }
    }
}

const char* const kXmlDeclaration = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>";
// TOP's servers append their name after the root element; clients must cope with it.
const char* const kServerComment = "<!--top010.cm8-->";

} // namespace

Node Node::textValue(std::string value) {
    Node node;
    node.type = Type::Text;
    node.text = std::move(value);
    return node;
}

Node Node::number(std::string digits) {
    bool valid = !digits.empty() &&
                 std::all_of(digits.begin() + (digits[0] == '-' ? 1 : 0), digits.end(), isDigit);
    valid = valid && digits != "-";
    Node node = textValue(std::move(digits));
    if (valid)
        node.type = Type::Number;
    return node;
}

Node Node::boolean(bool value) {
    Node node;
    node.type = Type::Bool;
    node.text = value ? "true" : "false";
    return node;
}

Node Node::list(std::string itemName) {
    Node node;
    node.type = Type::List;
    node.itemName = std::move(itemName);
    return node;
}

Node& Node::add(std::string name, Node value) {
    fields.emplace_back(std::move(name), std::move(value));
    return fields.back().second;
}

std::string xmlText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '&') {
            size_t length = entityLength(text, i);
            if (length > 0) {
                out.append(text, i, length);
                i += length - 1;
            } else {
                out += "&amp;";
            }
        } else if (c == '<') {
            out += "&lt;";
        } else if (c == '>') {
            out += "&gt;";
        } else {
            out += c;
        }
    }
    return out;
}

std::string writeXml(const std::string& root, const Node& object) {
    std::string out = kXmlDeclaration;
    out += "<" + root + ">";
    appendXmlFields(out, object);
    out += "</" + root + ">";
    return out + kServerComment;
}

std::string writeJson(const std::string& root, const Node& object) {
    std::string out = "{" + jsonString(root) + ":";
    appendJson(out, object);
    return out + "}";
}

std::string writeErrorXml(const ErrorAnswer& error, const std::string& requestId) {
    std::string out = kXmlDeclaration;
    out += "<error_response><code>" + std::to_string(error.code) + "</code>";
    auto part = [&](const char* name, const std::string& value) {
        if (!value.empty())
            out += std::string("<") + name + ">" + xmlText(value) + "</" + name + ">";
    };
    part("msg", error.msg);
    part("sub_code", error.subCode);
    part("sub_msg", error.subMsg);
    part("request_id", requestId);
    out += "</error_response>";
    return out + kServerComment;
}

std::string writeErrorJson(const ErrorAnswer& error, const std::string& requestId) {
    std::string out = "{\"error_response\":{\"code\":" + std::to_string(error.code);
    auto part = [&](const char* name, const std::string& value) {
        if (!value.empty())
            out += std::string(",\"") + name + "\":" + jsonString(value);
    };
    part("msg", error.msg);
    part("sub_code", error.subCode);
    part("sub_msg", error.subMsg);
    part("request_id", requestId);
    return out + "}}";
}

} // namespace gatewaysim
