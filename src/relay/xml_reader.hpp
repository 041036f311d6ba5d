#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lw::relay {

// One element of an answer: its name, its text (entities decoded, child elements left
// out) and its children. Attributes are not kept: the platforms' answers carry none that
// matter (list="true" only marks a list).
struct XmlElement {
    std::string name;
    std::string text;
    std::vector<XmlElement> children;

    // The first child of that name; nullptr when there is none.
    const XmlElement* child(std::string_view childName) const;
    // The text of the first child of that name; empty when there is none.
    std::string childText(std::string_view childName) const;
    // Every child of that name, in order.
    std::vector<const XmlElement*> childrenNamed(std::string_view childName) const;
};

// The root element of an XML document, or the reason it cannot be read. Declarations,
// comments (also after the root, as the platforms' servers append them), CDATA and the
// five XML entities and character references are understood; a named entity XML does not
// define (&nbsp; in a platform text) is kept as it stands. Nesting deeper than maxDepth is
// refused rather than followed.
struct XmlReadResult {
    std::optional<XmlElement> root;
    std::string error;
};
XmlReadResult readXml(std::string_view text, int maxDepth = 64);

// The declaration every answer of the Relay starts with.
inline constexpr const char* kXmlDeclaration = "<?xml version=\"1.0\" encoding=\"utf-8\"?>";

// Text with & < > " written as entities, for element texts of our own answers.
std::string escapeXml(std::string_view text);

} // namespace lw::relay
