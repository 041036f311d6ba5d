#pragma once

#include "package/package_row.hpp"
#include "package/price_rule.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace lw {

class Database;
class DiagnosticLog;
class PropertyLookup;

// What the offer processing reads of the main window and of the run.
struct OfferOptions {
    bool descLocal = true;    // _chkDescLocal
    bool pagePrice = false;   // _PagePrice
    std::string preferredCid; // the value of _ItemCats' selected entry, "" when none
    bool clearLinks = true;   // _chkClearLink
    // Where the run puts the pictures (the main ones are not fetched again when there).
    std::string pictureFolder;
    std::string descriptionFolder;
    // The run's offer-id list and, at the same positions, the list's page-price column;
    // the prices are read only with pagePrice.
    std::vector<std::string> offerIds;
    std::vector<std::string> pagePrices;
    // Applied to the row's price and to every SKU entry's price.
    PriceRule priceRule;
    // The offer id of the link asked for; an answer for another offer is unreadable.
    // Empty: not checked.
    std::string askedOfferId;
};

// The services the processing uses. The look-ups are the only network work.
struct OfferServices {
    Database& db;
    DiagnosticLog& log;
    PropertyLookup& lookup;
};

// One Picture Job's work: addresses and their target files, same length and order.
struct PictureList {
    std::vector<std::string> addresses;
    std::vector<std::string> files;
    bool operator==(const PictureList&) const = default;
};

// One entry of the picture column and the file it names.
struct PictureEntry {
    std::string entry;
    std::string file;
    bool operator==(const PictureEntry&) const = default;
};

// A description picture: the address as the description holds it, and the file job 3
// fetches it into (in the description folder).
struct DescriptionReference {
    std::string address;
    std::string name;
    // Files of the folder named as this picture would be, from earlier offers or runs:
    // when the picture has the bytes of one of them, the row refers to that one.
    std::vector<std::string> sameNames;
    bool operator==(const DescriptionReference&) const = default;
};

// An offer answer read and mapped: what the run shows, the Picture Jobs it starts and
// the row it writes once they are done.
struct ProcessedOffer {
    // Texts of the "提示" error boxes, in the order they are shown.
    std::vector<std::string> failures;
    // Why the answer held no offer that could be read (bad JSON, empty, cut short, no
    // result); empty when it was read. Such an answer gives no row.
    std::string unreadable;
    // Written into the item's remark.
    std::string categoryText;
    // The price before the price rule changed it; empty when the rule left it alone.
    std::string originalPrice;
    PictureList mainPictures;
    PictureList propertyPictures;
    // Empty without local description pictures (no job 3 then).
    PictureList descriptionPictures;
    // Every value of the row: picture texts and the rewritten, cleaned description
    // included, as they are when every picture arrives.
    PackageRowValues row;
    // What finishRow needs: the description as the offer has it, the picture column's
    // entries and the description's pictures.
    std::string description;
    bool clearLinks = true;
    std::string descriptionFolder;
    std::vector<PictureEntry> pictureEntries;
    std::vector<DescriptionReference> descriptionReferences;
    // Local file addresses of the supplier's description, emptied in the row.
    std::vector<std::string> foreignReferences;
};

// Reads one offer answer (not an Error Response): the offer, its price, its category
// and properties (through the look-ups), the three picture lists and the description
// pointed at the local pictures. A failure in reading or mapping becomes a failure text
// and the row is built from what was obtained. Logs the answer fields; the run logs the
// row when it stores it.
ProcessedOffer processOffer(std::string_view answer, const OfferOptions& options,
                            const OfferServices& services);

// The row once the offer's Picture Jobs are done: the picture column lists only the
// pictures on disk, and the description refers only to local pictures on disk (the
// others keep their remote addresses). A description picture that holds the bytes of an
// earlier file of the same name is referred to by that file and its copy removed.
PackageRowValues finishRow(const ProcessedOffer& offer);

} // namespace lw
