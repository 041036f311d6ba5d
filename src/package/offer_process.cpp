#include "package/offer_process.hpp"

#include "package/category_mapping.hpp"
#include "package/offer_record.hpp"
#include "package/package_names.hpp"
#include "package/picture_names.hpp"
#include "package/property_mapping.hpp"
#include "ui/diagnostic_log.hpp"

#include <exception>
#include <filesystem>

namespace lw {
namespace {

const char* const kStars = "**********************";

void logAnswerFields(DiagnosticLog& log, const OfferRecord& r) {
    const std::pair<const char*, const std::string*> fields[] = {
        {"subject:", &r.title},
        {"details:", &r.description},
        {"offerId:", &r.offerId},
        {"postCategryId:", &r.postCategryId},
        {"amountOnSale:", &r.amountOnSale},
        {"price:", &r.jsonPrice},
        {"productFeatureList:", &r.featureListText},
    };
    for (const auto& [label, value] : fields) {
        log.append(label + *value);
        log.append(kStars);
    }
}

bool fileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

// Main pictures already on disk are not fetched again; their entries stay.
void listMainPictures(const std::vector<std::string>& addresses, const std::string& folder,
                      ProcessedOffer& out) {
    std::size_t entries = 0;
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        const std::string& address = addresses[i];
        if (address.empty())
            continue;
        std::string name = pictureName(address);
        std::string path = pictureFilePath(folder, name);
        if (!fileExists(path)) {
            out.mainPictures.addresses.push_back(address);
            out.mainPictures.files.push_back(path);
        }
        out.row.picture += mainPictureEntry(name, i);
        ++entries;
    }
    out.row.pictureStatus += pictureStatusText(entries);
}

void listPropertyPictures(std::string_view answer, const std::string& folder, ProcessedOffer& out) {
    for (const PropertyPicture& p : readPropertyPictures(answer)) {
        if (p.url.empty())
            continue;
        std::string name = pictureName(p.url);
        out.propertyPictures.addresses.push_back(p.url);
        out.propertyPictures.files.push_back(pictureFilePath(folder, name));
        out.row.picture += propertyPictureEntry(name, p.position, p.properties);
        out.row.pictureStatus += pictureStatusText(1);
    }
}

// The description pointed at the local copies of its pictures.
std::string listDescriptionPictures(const std::string& description, const std::string& folder,
                                    PictureList& list) {
    std::vector<AddressChange> changes;
    const std::vector<std::string> addresses = collectDescriptionAddresses(description).value();
    for (const std::string& address : addresses) {
        if (address.empty())
            continue;
        std::string name = descriptionPictureName(address);
        if (name.empty())
            continue;
        list.addresses.push_back(address);
        list.files.push_back(folder + kPathSeparator + name);
        changes.push_back({address, localPictureAddress(folder, name)});
    }
    return pointAtLocalPictures(description, changes);
}

} // namespace

ProcessedOffer processOffer(std::string_view answer, const OfferOptions& options,
                            const OfferServices& services) {
    ProcessedOffer out;
    AnswerReading reading = readOfferAnswer(answer);
    if (!reading.failure.empty())
        out.failures.push_back(reading.failure);
    OfferRecord& offer = reading.record;

    PackageRowValues& row = out.row;
    row.price = decidePrice(offer.jsonPrice, offer.offerId, options.pagePrice, options.offerIds,
                            [&options](std::size_t k) {
                                return k < options.pagePrices.size() ? options.pagePrices[k]
                                                                     : std::string();
                            });

    // Without a fully read offer there is nothing to map: cid and num stay empty and
    // so does the remark's category text.
    if (reading.complete()) {
        CategoryChoice choice;
        try {
            out.categoryText = offer.categoryText;
            chooseCategory(services.db, offer.categoryText, offer.gender, options.preferredCid,
                           choice);
            out.categoryText = choice.categoryText;
            row.cid = choice.cid;
            PropertyMapping m = mapProperties(services.lookup, row.cid, offer.features,
                                              offer.articleNumber, row.price);
            row.cateProps = m.cateProps;
            row.skuProps = m.skuProps;
            row.propAlias = m.propAlias;
            row.inputPids = m.inputPids;
            row.inputValues = m.inputValues;
            row.num = m.num;
            logAnswerFields(services.log, offer);
        } catch (const std::exception& e) {
            if (!choice.categoryText.empty())
                out.categoryText = choice.categoryText;
            row.cid = choice.cid;
            out.failures.push_back(std::string("类目属性匹配失败:") + e.what());
        }
    }

    row.title = offer.title;
    row.outerId = offer.articleNumber;
    row.numId = offer.offerId;

    listMainPictures(imageAddresses(reading.offer), options.pictureFolder, out);
    listPropertyPictures(answer, options.pictureFolder, out);
    std::string description = offer.description;
    if (options.descLocal)
        description = listDescriptionPictures(description, options.descriptionFolder,
                                              out.descriptionPictures);
    cleanDescriptionText(description, options.clearLinks);
    row.description = description;

    AnswerTags tags = readAnswerTags(answer);
    row.autoFill = tags.autoFill;
    row.userName = tags.nick;
    row.features = tags.features;
    row.globalStockType = tags.globalStockType;
    row.subStockType = tags.subStockType;
    row.itemSize = tags.itemSize;
    row.itemWeight = tags.itemWeight;
    row.sellPromise = tags.sellPromise;
    return out;
}

} // namespace lw
