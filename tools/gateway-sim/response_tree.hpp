#pragma once

#include <string>
#include <utility>
#include <vector>

// An answer of the router as a tree, written as TOP writes it in XML or in JSON.
namespace gatewaysim {

struct Node {
    enum class Type { Text, Number, Bool, Object, List };
    Type type = Type::Object;
    std::string text;                                 // Text, Number ("true"/"false" for Bool)
    std::vector<std::pair<std::string, Node>> fields; // Object
    std::string itemName;                             // List: the element of each item
    std::vector<Node> items;                          // List

    static Node textValue(std::string value);
    static Node number(std::string digits); // written as text when it is not a number
    static Node boolean(bool value);
    static Node list(std::string itemName);

    Node& add(std::string name, Node value);
};

// `<?xml ...?><root>...</root><!--top010.cm8-->`: the fields of an object in name
// order, lists marked list="true", texts escaped except for entities already in them.
std::string writeXml(const std::string& root, const Node& object);
// `{"root":{...}}`: the same order, a list as {"item":[...]}.
std::string writeJson(const std::string& root, const Node& object);

// The router's error answer, its fields in TOP's order; empty parts left out.
struct ErrorAnswer {
    int code = 0;
    std::string msg;
    std::string subCode;
    std::string subMsg;
};
std::string writeErrorXml(const ErrorAnswer& error, const std::string& requestId);
std::string writeErrorJson(const ErrorAnswer& error, const std::string& requestId);

// Text for an XML element: & < > escaped, but "&name;" and "&#N;" kept as they stand.
std::string xmlText(const std::string& text);

} // namespace gatewaysim
