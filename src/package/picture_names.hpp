#pragma once

#include "platform/platform.hpp"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lw {

// File-name cleaning: every "?", "*", "|", ">", "<" and double quote removed, then
// blanks trimmed at both ends.
std::string cleanFileName(std::string_view name);

// The file name of a description picture: the address's text after its last "/",
// reduced to a plain name that stays inside the description folder (no "\", ":" or
// control bytes, cleaned, never "." or ".."). Empty when nothing usable is left.
std::string descriptionPictureName(std::string_view address);

// The description's reference to a local picture: "file:///" + folder + "\" + name
// with drive letters, "file://" + folder + "/" + name (the absolute path) elsewhere.
std::string localPictureAddress(const std::string& folder, const std::string& name,
                                bool driveLetters = platform::kWindows);

// The picture addresses of a description, without repeats (letter case ignored; the
// first one found is kept): every src="..." first, then every background="http://...".
// keepGoing runs before each search; when it says no, the collecting ends with nullopt.
std::optional<std::vector<std::string>>
collectDescriptionAddresses(std::string_view description,
                            const std::function<bool()>& keepGoing = {});

// One description address and what the description says instead.
struct AddressChange {
    std::string address;
    std::string local;
};
// Every occurrence of each address that is a whole attribute value (between double
// quotes) replaced, in the order given, as one replacement after another would do,
// except that the text an earlier replacement put in is never searched again: a short
// address that occurs in a local reference would otherwise make the description grow
// with every further address.
std::string pointAtLocalPictures(std::string_view description,
                                 const std::vector<AddressChange>& changes);

// The description with every src= and background= value (any letter case, in either
// quote or none) that names a local file ("file:", entities decoded) emptied, except the run's own
// references: a plain file name right after ownPrefix (the description folder's
// localPictureAddress with an empty name). The values emptied are added to removed.
std::string emptyForeignLocalReferences(std::string_view description, const std::string& ownPrefix,
                                        std::vector<std::string>* removed = nullptr);

// "&lt;", "&gt;", "&quot;", "&amp;" and "&nbsp;" decoded once each, in that order.
std::string decodeEntities(std::string_view text);

// Entities decoded (decodeEntities); runs of two double quotes doubled; with
// clearLinks, <a> and <A> links turned into <div>.
void cleanDescriptionText(std::string& description, bool clearLinks);

// The description as the row holds it: the addresses pointed at their local pictures
// (pointAtLocalPictures) and the rest of the text cleaned (cleanDescriptionText). The
// local references are not cleaned: they name their files exactly.
std::string finishDescription(std::string_view description,
                              const std::vector<AddressChange>& changes, bool clearLinks);

// The name a picture takes when a different one has name: "x.jpg" gives "x(2).jpg"
// for number 2, "x" gives "x(2)".
std::string numberedName(const std::string& name, int number);

// Whether an address is one the Picture Jobs fetch (http or https, any letter case).
bool isWebAddress(std::string_view address);

// One picture of the answer's <prop_imgs list="true"> section.
struct PropertyPicture {
    std::string url;
    std::string position;
    std::string properties;
    bool operator==(const PropertyPicture&) const = default;
};
// The pieces of the section split at every "</prop_img>", in order (the piece after
// the last one included, usually with an empty url).
std::vector<PropertyPicture> readPropertyPictures(std::string_view answer);

} // namespace lw
