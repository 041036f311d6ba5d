#pragma once

#include "package/package_row.hpp"

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

// An offer answer read and mapped: what the run shows, the Picture Jobs it starts and
// the row it writes once they are done.
struct ProcessedOffer {
    // Texts of the "提示" error boxes, in the order they are shown.
    std::vector<std::string> failures;
    // Written into the item's remark.
    std::string categoryText;
    PictureList mainPictures;
    PictureList propertyPictures;
    // Empty without local description pictures (no job 3 then).
    PictureList descriptionPictures;
    // Every value of the row: picture texts and the rewritten, cleaned description
    // included.
    PackageRowValues row;
};

// Reads one offer answer (not an Error Response): the offer, its price, its category
// and properties (through the look-ups), the three picture lists and the description
// pointed at the local pictures. A failure in reading or mapping becomes a failure text
// and the row is built from what was obtained. Logs the answer fields; the run logs the
// row when it stores it.
ProcessedOffer processOffer(std::string_view answer, const OfferOptions& options,
                            const OfferServices& services);

} // namespace lw
