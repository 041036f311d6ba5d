// An answer of the Taobao Open Platform as the Relay reads it: the XML document, the
// category properties and values in it, and their round trip through the Relay's
// database form.
#include "relay/category_properties.hpp"
#include "relay/form_fields.hpp"
#include "relay/xml_reader.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    lw::relay::readFormFields(text, {});
    lw::relay::XmlReadResult xml = lw::relay::readXml(text);
    if (!xml.root)
        return 0;
    lw::relay::CategoryProperties props = lw::relay::propertiesFromAnswer("1", *xml.root);
    lw::relay::valuesFromAnswer("1627207", *xml.root);
    auto back = lw::relay::propertiesFromJson(lw::relay::propertiesToJson(props));
    if (!back || back->properties.size() != props.properties.size())
        std::abort();
    return 0;
}
