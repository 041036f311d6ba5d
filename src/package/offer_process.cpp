#include "package/offer_process.hpp"

#include "package/category_mapping.hpp"
#include "package/offer_record.hpp"
#include "package/package_names.hpp"
#include "package/picture_names.hpp"
#include "package/property_mapping.hpp"
#include "platform/platform.hpp"
#include "store/text_routines.hpp"
#include "ui/diagnostic_log.hpp"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

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
    return std::filesystem::is_regular_file(platform::toPath(path), ec);
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
        out.pictureEntries.push_back({mainPictureEntry(name, i), path});
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
        out.pictureEntries.push_back(
            {propertyPictureEntry(name, p.position, p.properties), pictureFilePath(folder, name)});
        out.row.pictureStatus += pictureStatusText(1);
    }
}

// The names in a folder, in lower case: on Windows names that differ only in letter
// case are one file, so they count as one everywhere.
std::set<std::string> lowerNamesIn(const std::string& folder) {
    std::set<std::string> names;
    std::error_code ec;
    std::filesystem::directory_iterator it(platform::toPath(folder), ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec))
        names.insert(lowerAscii(platform::fromPath(it->path().filename())));
    return names;
}

// The description's pictures: each web address, entities decoded as the row's text
// will have them, gets the name its address gives, or a numbered one when a different
// address of this offer has that name or a file of the folder has it (earlier offers
// and runs; finishRow then keeps one file for the same picture). Relative addresses
// are left as they are.
void listDescriptionPictures(const std::string& description, const std::string& folder,
                             ProcessedOffer& out) {
    const std::set<std::string> onDisk = lowerNamesIn(folder);
    std::set<std::string> used;
    std::map<std::string, std::string> nameOf; // decoded address -> name
    const std::vector<std::string> addresses = collectDescriptionAddresses(description).value();
    for (const std::string& address : addresses) {
        if (address.empty())
            continue;
        const std::string decoded = decodeEntities(address);
        if (!isWebAddress(decoded))
            continue;
        if (auto known = nameOf.find(decoded); known != nameOf.end()) {
            out.descriptionReferences.push_back({address, known->second, {}});
            continue;
        }
        const std::string name = descriptionPictureName(decoded);
        if (name.empty())
            continue;
        DescriptionReference reference{address, name, {}};
        for (int number = 2;; ++number) {
            const std::string lower = lowerAscii(reference.name);
            if (!used.count(lower)) {
                if (!onDisk.count(lower))
                    break;
                reference.sameNames.push_back(reference.name);
            }
            reference.name = numberedName(name, number);
        }
        used.insert(lowerAscii(reference.name));
        nameOf[decoded] = reference.name;
        out.descriptionPictures.addresses.push_back(decoded);
        out.descriptionPictures.files.push_back(folder + kPathSeparator + reference.name);
        out.descriptionReferences.push_back(std::move(reference));
    }
}

std::vector<AddressChange> everyChange(const ProcessedOffer& offer) {
    std::vector<AddressChange> changes;
    for (const DescriptionReference& r : offer.descriptionReferences)
        changes.push_back({r.address, localPictureAddress(offer.descriptionFolder, r.name)});
    return changes;
}

bool sameBytes(const std::string& a, const std::string& b) {
    std::error_code ec;
    auto size = std::filesystem::file_size(platform::toPath(a), ec);
    if (ec || size != std::filesystem::file_size(platform::toPath(b), ec) || ec)
        return false;
    std::ifstream first(platform::toPath(a), std::ios::binary);
    std::ifstream second(platform::toPath(b), std::ios::binary);
    return first && second &&
           std::equal(std::istreambuf_iterator<char>(first), std::istreambuf_iterator<char>(),
                      std::istreambuf_iterator<char>(second));
}

} // namespace

ProcessedOffer processOffer(std::string_view answer, const OfferOptions& options,
                            const OfferServices& services) {
    ProcessedOffer out;
    // A byte-order mark before the JSON is no part of it.
    if (answer.substr(0, 3) == "\xEF\xBB\xBF")
        answer.remove_prefix(3);
    AnswerReading reading = readOfferAnswer(answer);
    if (!reading.failure.empty())
        out.failures.push_back(reading.failure);
    if (!reading.offer)
        out.unreadable = reading.failure.empty() ? "应答中没有宝贝信息" : reading.failure;
    OfferRecord& offer = reading.record;
    const std::string answeredId = trim(offer.offerId);
    if (out.unreadable.empty() && !options.askedOfferId.empty() && !answeredId.empty() &&
        answeredId != options.askedOfferId) {
        // Written as the asked link's row, it would mark that link downloaded.
        out.unreadable =
            "应答中的宝贝ID(" + answeredId + ")与链接的宝贝ID(" + options.askedOfferId + ")不符";
        return out;
    }

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

    // The rule comes after the mapping, which writes the price into every SKU entry.
    const std::string decided = row.price;
    row.price = applyPriceRule(options.priceRule, decided);
    row.skuProps = applyPriceRuleToSkus(options.priceRule, row.skuProps);
    if (row.price != decided)
        out.originalPrice = decided;

    row.title = offer.title;
    row.outerId = offer.articleNumber;
    row.numId = offer.offerId;

    listMainPictures(imageAddresses(reading.offer), options.pictureFolder, out);
    listPropertyPictures(answer, options.pictureFolder, out);
    out.description = offer.description;
    out.clearLinks = options.clearLinks;
    out.descriptionFolder = options.descriptionFolder;
    if (options.descLocal)
        listDescriptionPictures(offer.description, options.descriptionFolder, out);
    row.description = emptyForeignLocalReferences(
        finishDescription(out.description, everyChange(out), out.clearLinks),
        localPictureAddress(out.descriptionFolder, ""), &out.foreignReferences);

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

PackageRowValues finishRow(const ProcessedOffer& offer) {
    PackageRowValues row = offer.row;
    row.picture.clear();
    std::size_t entries = 0;
    for (const PictureEntry& e : offer.pictureEntries) {
        if (!fileExists(e.file))
            continue;
        row.picture += e.entry;
        ++entries;
    }
    row.pictureStatus = pictureStatusText(entries);

    const std::string& folder = offer.descriptionFolder;
    std::map<std::string, std::string> localOf; // name -> reference, "" when not on disk
    std::vector<AddressChange> changes;
    for (const DescriptionReference& r : offer.descriptionReferences) {
        auto known = localOf.find(r.name);
        if (known == localOf.end()) {
            const std::string file = folder + kPathSeparator + r.name;
            std::string local;
            if (fileExists(file)) {
                local = localPictureAddress(folder, r.name);
                for (const std::string& earlier : r.sameNames) {
                    if (sameBytes(folder + kPathSeparator + earlier, file)) {
                        std::error_code ec;
                        std::filesystem::remove(platform::toPath(file), ec);
                        local = localPictureAddress(folder, earlier);
                        break;
                    }
                }
            }
            known = localOf.emplace(r.name, local).first;
        }
        if (!known->second.empty())
            changes.push_back({r.address, known->second});
    }
    // Only the run's own local references stay: a supplier's file address would have
    // Taobao Assistant upload a file of this computer.
    row.description =
        emptyForeignLocalReferences(finishDescription(offer.description, changes, offer.clearLinks),
                                    localPictureAddress(folder, ""));
    return row;
}

} // namespace lw
