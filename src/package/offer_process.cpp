#include "package/offer_process.hpp"

#include "package/category_mapping.hpp"
#include "package/offer_record.hpp"
#include "package/package_row.hpp"
#include "package/property_mapping.hpp"
#include "ui/dialogs.hpp"
#include "ui/main_state.hpp"

#include <exception>

namespace lw {
namespace {

const char* const kStars = "**********************";

void showFailure(Dialogs& dialogs, const std::string& text) {
    dialogs.message("提示", text, Icon::Error);
}

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

} // namespace

void processOffer(std::string_view answer, OfferRun& run, const OfferOptions& options,
                  const OfferServices& services) {
    run.processEvents();
    run.setCompletionCount(options.descLocal ? 0 : 1);
    run.setPackageRow("");
    run.setProgress("正在下载中...(解析XML)");

    AnswerReading reading = readOfferAnswer(answer);
    if (!reading.failure.empty())
        showFailure(services.dialogs, reading.failure);
    OfferRecord& offer = reading.record;

    PackageRowValues row;
    row.price = decidePrice(offer.jsonPrice, offer.offerId, options.pagePrice, run.offerIds(),
                            [&run](std::size_t k) { return run.pagePriceAt(k); });

    // Without a fully read offer there is nothing to map: cid and num stay empty and
    // so does the remark's category text.
    std::string categoryText;
    if (reading.complete()) {
        CategoryChoice choice;
        try {
            categoryText = offer.categoryText;
            chooseCategory(services.db, offer.categoryText, offer.gender, options.preferredCid,
                           choice);
            categoryText = choice.categoryText;
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
                categoryText = choice.categoryText;
            row.cid = choice.cid;
            showFailure(services.dialogs, std::string("类目属性匹配失败:") + e.what());
        }
    }
    run.setCategoryText(categoryText);

    row.title = offer.title;
    row.outerId = offer.articleNumber;
    row.numId = offer.offerId;

    PictureTexts pictures;
    run.mainPictures(imageAddresses(reading.offer), pictures);
    if (run.cancelled())
        return;
    run.propertyPictures(answer, pictures);
    if (run.cancelled())
        return;
    std::string description = offer.description;
    if (options.descLocal && !run.descriptionPictures(description))
        return;
    if (run.cancelled())
        return;

    run.cleanDescription(description);
    row.description = description;
    row.picture = pictures.picture;
    row.pictureStatus = pictures.pictureStatus;
    AnswerTags tags = readAnswerTags(answer);
    row.autoFill = tags.autoFill;
    row.userName = tags.nick;
    row.features = tags.features;
    row.globalStockType = tags.globalStockType;
    row.subStockType = tags.subStockType;
    row.itemSize = tags.itemSize;
    row.itemWeight = tags.itemWeight;
    row.sellPromise = tags.sellPromise;

    for (const std::string& line : packageRowLogLines(row))
        services.log.append(line);
    run.setPackageRow(buildPackageRow(row));
    run.addCompletion();
}

} // namespace lw
