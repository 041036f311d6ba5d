#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace lw {

class Database;
class Dialogs;
class DiagnosticLog;
class PropertyLookup;

// The picture and picture_status texts of a row; the main and property picture steps
// fill them (MainPictureEntry, PropertyPictureEntry, PictureStatusText).
struct PictureTexts {
    std::string picture;
    std::string pictureStatus;
};

// What the offer processing needs of the download run that calls it: the run's state
// for the current item, and the picture and description steps. The run implements it.
//
// processOffer calls, in this order: processEvents; setCompletionCount(0, or 1
// without local description pictures); setPackageRow(""); setProgress; (reads the
// offer, decides the price, maps category and properties) setCategoryText;
// mainPictures; propertyPictures unless cancelled; descriptionPictures when asked for
// and not cancelled; then, unless cancelled, cleanDescription, setPackageRow(row) and
// addCompletion. The run writes the row when its completion count reaches 4.
class OfferRun {
public:
    virtual ~OfferRun() = default;

    // --- run state ---
    // Lets pending window events (picture messages included) run once.
    virtual void processEvents() = 0;
    virtual bool cancelled() const = 0;
    // The current item's progress column.
    virtual void setProgress(const std::string& text) = 0;
    // numiid of every list item, trimmed, in list order, as taken at the run's start.
    virtual const std::vector<std::string>& offerIds() const = 0;
    // The page-price column of list item index.
    virtual std::string pagePriceAt(std::size_t index) const = 0;
    virtual void setCompletionCount(int count) = 0;
    virtual void addCompletion() = 0;
    // The row the run writes once the pictures are done; "" clears it.
    virtual void setPackageRow(const std::string& row) = 0;
    // The category text written into the item's remark.
    virtual void setCategoryText(const std::string& text) = 0;

    // --- pictures and description ---
    // Main pictures: starts Picture Job 1 for the addresses (positions count from 0)
    // and writes their entries into texts (which arrive empty).
    virtual void mainPictures(const std::vector<std::string>& imageAddresses,
                              PictureTexts& texts) = 0;
    // Property pictures of the answer's prop_imgs section: starts Picture Job 2 and
    // appends their entries to texts unless the run was cancelled meanwhile.
    virtual void propertyPictures(std::string_view answer, PictureTexts& texts) = 0;
    // Description pictures: starts Picture Job 3 and points the description at the
    // local copies. Returns false when a cancel ended the offer.
    virtual bool descriptionPictures(std::string& description) = 0;
    // Entities decoded, runs of two double quotes doubled, links removed when asked.
    virtual void cleanDescription(std::string& description) = 0;
};

// The options of the main window the processing reads.
struct OfferOptions {
    bool descLocal = true;    // _chkDescLocal
    bool pagePrice = false;   // _PagePrice
    std::string preferredCid; // the value of _ItemCats' selected entry, "" when none
};

// The services the processing uses.
struct OfferServices {
    Database& db;
    Dialogs& dialogs;
    DiagnosticLog& log;
    PropertyLookup& lookup;
};

// Turns one offer answer (not an Error Response) into the run's package row: reads the
// offer, decides the price, maps category and properties, has the pictures fetched and
// the description rewritten, and stores the row. Failures in reading or mapping are
// shown in a "提示" box and the row is built from what was obtained; a cancel ends it
// without a row. Returns once the row is stored (the Picture Jobs keep running).
void processOffer(std::string_view answer, OfferRun& run, const OfferOptions& options,
                  const OfferServices& services);

} // namespace lw
