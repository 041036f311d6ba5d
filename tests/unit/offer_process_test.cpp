#include "package/offer_process.hpp"
#include "package/package_names.hpp"
#include "package/package_row.hpp"
#include "package/picture_names.hpp"
#include "platform/platform.hpp"
#include "store/database.hpp"
#include "store/text_routines.hpp"
#include "table_lookup.hpp"
#include "temp_dir.hpp"
#include "ui/diagnostic_log.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

using namespace lw;

namespace {

// The main window's options with category 16 preferred.
OfferOptions optionsWith(bool descLocal, bool pagePrice) {
    OfferOptions options;
    options.descLocal = descLocal;
    options.pagePrice = pagePrice;
    options.preferredCid = "16";
    return options;
}

// The row of an answer that holds no offer, field by field as the file holds it.
const std::vector<std::string> kEmptyOfferFields = {
    R"("")",      // 1 title
    "",           // 2 cid
    R"("0")",     // 3 seller_cids
    "1",          // 4 stuff_status
    R"("")",      // 5 location_state
    R"("")",      // 6 location_city
    "1",          // 7 item_type
    "",           // 8 price
    "0",          // 9 auction_increment
    "",           // 10 num
    "7",          // 11 valid_thru
    "2",          // 12 freight_payer
    "10",         // 13 post_fee
    "40",         // 14 ems_fee
    "10",         // 15 express_fee
    "0",          // 16 has_invoice
    "0",          // 17 has_warranty
    "2",          // 18 approve_status
    "0",          // 19 has_showcase
    R"("")",      // 20 list_time
    R"("")",      // 21 description
    R"("")",      // 22 cateProps
    "0",          // 23 postage_id
    "0",          // 24 has_discount
    R"("")",      // 25 modified
    "",           // 26 upload_fail_msg
    "",           // 27 picture_status
    "",           // 28 auction_point
    R"("")",      // 29 picture
    R"("")",      // 30 video
    R"("")",      // 31 skuProps
    R"("")",      // 32 inputPids
    R"("")",      // 33 inputValues
    R"("")",      // 34 outer_id
    R"("")",      // 35 propAlias
    R"("0")",     // 36 auto_fill
    R"("")",      // 37 num_id
    "0",          // 38 local_cid
    "",           // 39 navigation_type
    "",           // 40 user_name
    "1",          // 41 syncStatus
    "28",         // 42 is_lighting_consigment
    "220",        // 43 is_xinpin
    "",           // 44 foodparame
    R"("")",      // 45 features
    "1704753246", // 46 global_stock_type
    "1",          // 47 sub_stock_type
    "",           // 48 item_size
    "",           // 49 item_weight
    "1",          // 50 sell_promise
};

// The expected row: the fields above with some replaced, by column number.
PackageRow expectedRow(const std::map<int, std::string>& changes) {
    PackageRow fields = kEmptyOfferFields;
    for (const auto& [column, text] : changes)
        fields.at(column - 1) = text;
    return fields;
}

const std::string kColourSizeSku =
    "12.50:1::20509:28314;1627207:28326;12.50:1::20509:28315;1627207:28326;"
    "12.50:1::20509:28314;1627207:28338;12.50:1::20509:28315;1627207:28338;";

const std::map<int, std::string> kColourSizeRow = {
    {1, R"("女式T恤 "夏"款")"},
    {2, "50000671"},
    {8, "12.50"},
    {10, "4"},
    // The tab of the offer's description is a blank in the row; its line break stays.
    {21, "\"<p>纯棉 舒适\r\n好穿</p>\""},
    {22,
     R"("20021:105255;1627207:28326;20509:28314;20509:28315;1627207:28338;20509:28314;20509:28315")"},
    {27, "1;1;1;"},
    {29, R"("cbb47f999c6c8ce52d12b4cf6f762e0d:1:0:|;6b42d707e0e24529c11bbb9b01ef4b3b:1:2:|;)"
         R"(bbac4e4cee416f79bb42eb6a01dfe9d5:2:0:1627207:28326|;")"},
    {31, "\"" + kColourSizeSku + "\""},
    {32, R"("20000")"},
    {33, R"("花花公子;型号;A-123")"},
    {34, R"("A-123")"},
    {35, R"("1627207:28326:红色;1627207:28338:蓝色")"},
    {36, R"("1")"},
    {37, R"("1001")"},
    {40, "小店"},
    {45, R"("mysize_tp:-1")"},
    {48, "bulk:0.5"},
    {49, "1.2"},
    {50, "0"},
};

std::map<int, std::string> with(std::map<int, std::string> row,
                                const std::map<int, std::string>& changes) {
    for (const auto& [column, text] : changes)
        row[column] = text;
    return row;
}

class OfferProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        db = test::makeTestDatabase(dir.path());
        // Two leaves named T恤; the second lies under the preferred category 16.
        const std::vector<DbParams> categories = {
            {std::int64_t{16}, std::int64_t{0}, std::string("女装/女士精品"), std::int64_t{1}},
            {std::int64_t{30}, std::int64_t{0}, std::string("男装"), std::int64_t{1}},
            {std::int64_t{50000436}, std::int64_t{30}, std::string("T恤"), std::int64_t{0}},
            {std::int64_t{50000671}, std::int64_t{16}, std::string("T恤"), std::int64_t{0}},
        };
        for (const DbParams& c : categories)
            db->exec("insert into TB_Itemcats (cid,parent_cid,name,is_parent) values (?,?,?,?)", c);
    }
    void addMapping() {
        db->exec("insert into TB_Mapping (FromValue01,FromValue02,ToValue) values (?,?,?)",
                 {std::string("T恤"), std::string("女"), std::string(" T恤 ")});
    }
    // A fixture of tests/data/package/offers, or another one by its path there.
    ProcessedOffer process(const std::string& fixture, const OfferOptions& options) {
        std::string path =
            fixture.find('/') == std::string::npos ? "package/offers/" + fixture : fixture;
        answer = test::readFileBytes(test::testDataPath(path));
        return processOffer(answer, options, {*db, log, lookup});
    }

    test::TempDir dir;
    std::unique_ptr<Database> db;
    DiagnosticLog log;
    test::TableLookup lookup{test::testDataPath("package/props.tsv"),
                             test::testDataPath("package/propvalues.tsv")};
    std::string answer;
};

struct RowCase {
    std::string name;
    std::string fixture;
    bool mappingRow;
    OfferOptions options;
    std::vector<std::string> ids;
    std::map<int, std::string> row;
    std::string categoryText;
    std::string messageStart; // of the one "提示" error box, "" when none is shown
};

} // namespace

TEST_F(OfferProcessTest, BuildsWholeRows) {
    const OfferOptions plain = optionsWith(true, false);
    const OfferOptions pagePrice = optionsWith(true, true);
    const RowCase cases[] = {
        {"colour x size, mapping row present",
         "colour_size.json",
         true,
         plain,
         {},
         kColourSizeRow,
         "T恤->T恤",
         ""},
        {"mapping row absent: the category text is searched",
         "colour_size.json",
         false,
         plain,
         {},
         kColourSizeRow,
         "T恤",
         ""},
        {"page price found",
         "colour_size.json",
         true,
         pagePrice,
         {"77", "1001"},
         with(kColourSizeRow,
              {{8, "9.90"}, {31, "\"" + replaceAll(kColourSizeSku, "12.50", "9.90") + "\""}}),
         "T恤->T恤",
         ""},
        {"page price not found",
         "colour_size.json",
         true,
         pagePrice,
         {"77", "1002"},
         kColourSizeRow,
         "T恤->T恤",
         ""},
        {"one-element toReturn, numeric offerId",
         "one_element.json",
         true,
         plain,
         {},
         {{1, R"("A")"}, {2, "0"}, {10, "0"}, {37, R"("123")"}},
         "",
         ""},
        {"result held as text",
         "result_as_text.json",
         true,
         plain,
         {},
         {{1, R"("B")"}, {2, "0"}, {10, "0"}, {21, R"("<p>b</p>")"}, {37, R"("456")"}},
         "",
         ""},
        {"only sizes",
         "only_sizes.json",
         true,
         plain,
         {},
         {{1, R"("裤子")"},
          {2, "50000671"},
          {8, "30.00"},
          {10, "0"},
          {36, R"("2")"},
          {37, R"("2002")"},
          {46, "2"},
          {47, "2"}},
         "T恤",
         ""},
        {"category name with a blank, numeric price, duplicate 货号",
         "category_with_blank.json",
         true,
         plain,
         {},
         {{1, R"("衬衫")"}, {2, "0"}, {8, "8.5"}, {10, "0"}, {34, R"("K-2")"}, {37, R"("3003")"}},
         "",
         ""},
        {"answer that is not JSON", "not_json.txt", true, plain, {}, {}, "", "宝贝数据无法解析:"},
        {"answer without result", "no_result.json", true, plain, {}, {}, "", ""},
        {"feature list that cannot be read",
         "bad_feature_list.json",
         true,
         plain,
         {},
         {{1, R"("C")"}, {8, "5.00"}, {37, R"("4004")"}, {50, "0"}},
         "",
         "宝贝数据无法解析:"},
    };
    for (const RowCase& c : cases) {
        SCOPED_TRACE(c.name);
        db->exec("delete from TB_Mapping");
        if (c.mappingRow)
            addMapping();
        OfferOptions options = c.options;
        options.offerIds = c.ids;
        options.pagePrices = {"1.00", "9.90"};
        ProcessedOffer offer = process(c.fixture, options);
        EXPECT_EQ(buildPackageRow(offer.row), expectedRow(c.row));
        EXPECT_EQ(offer.categoryText, c.categoryText);
        if (c.messageStart.empty()) {
            EXPECT_TRUE(offer.failures.empty());
        } else {
            ASSERT_EQ(offer.failures.size(), 1u);
            EXPECT_EQ(offer.failures[0].rfind(c.messageStart, 0), 0u) << offer.failures[0];
        }
    }
}

TEST_F(OfferProcessTest, PictureListsOfTheThreeJobs) {
    const std::string pictures = dir.file("pkg");
    const std::string descriptions = dir.file("pkg_DESC");
    const std::string host = "http://img.example.com/";
    auto main = [&](const std::string& file) {
        return pictureFilePath(pictures, pictureName(host + file));
    };
    auto local = [&](const std::string& name) { return descriptions + kPathSeparator + name; };
    std::filesystem::create_directories(platform::toPath(pictures));
    // A main picture on disk already is not fetched again; its entry stays.
    test::writeFileBytes(main("a2.jpg"), "old");
    OfferOptions options = optionsWith(true, false);
    options.pictureFolder = pictures;
    options.descriptionFolder = descriptions;

    ProcessedOffer offer = process("download/offers/2001.json", options);
    EXPECT_EQ(offer.mainPictures, (PictureList{{host + "a1.jpg"}, {main("a1.jpg")}}));
    EXPECT_EQ(offer.propertyPictures,
              (PictureList{{host + "p1.jpg", host + "a1.jpg"}, {main("p1.jpg"), main("a1.jpg")}}));
    // Repeats (letter case ignored) and an address without a name are left out; src
    // first, then background.
    EXPECT_EQ(
        offer.descriptionPictures,
        (PictureList{
            {host + "d/x.jpg", host + "d/y.jpg", host + "d/y.jpg?size=big", host + "d/bg.gif"},
            {local("x.jpg"), local("y.jpg"), local("y.jpgsize=big"), local("bg.gif")}}));
    EXPECT_EQ(offer.row.picture,
              mainPictureEntry(pictureName(host + "a1.jpg"), 0) +
                  mainPictureEntry(pictureName(host + "a2.jpg"), 2) +
                  propertyPictureEntry(pictureName(host + "p1.jpg"), "0", "1627207:28326") +
                  propertyPictureEntry(pictureName(host + "a1.jpg"), "1", "1627207:28338"));
    EXPECT_EQ(offer.row.pictureStatus, "1;1;1;1;");
    EXPECT_NE(offer.row.description.find(localPictureAddress(descriptions, "x.jpg")),
              std::string::npos);
    EXPECT_EQ(offer.row.description.find("<a "), std::string::npos);

    // Without local description pictures there is no third list and the description
    // keeps its addresses; links stay when they are not to be removed.
    options.descLocal = false;
    options.clearLinks = false;
    offer = process("download/offers/2001.json", options);
    EXPECT_EQ(offer.descriptionPictures, PictureList{});
    EXPECT_EQ(offer.mainPictures.addresses.size(), 1u);
    EXPECT_EQ(offer.propertyPictures.addresses.size(), 2u);
    EXPECT_NE(offer.row.description.find("src=\"http://img.example.com/d/x.jpg\""),
              std::string::npos);
    EXPECT_EQ(offer.row.description.find("file://"), std::string::npos);
    EXPECT_NE(offer.row.description.find("<a href="), std::string::npos);
}

TEST_F(OfferProcessTest, WithoutLocalDescriptionPicturesTheRowIsTheSame) {
    ProcessedOffer offer = process("colour_size.json", optionsWith(false, false));
    EXPECT_EQ(buildPackageRow(offer.row), expectedRow(kColourSizeRow));
    EXPECT_TRUE(offer.descriptionPictures.addresses.empty());
}

TEST_F(OfferProcessTest, DatabaseFailureInTheMappingIsReportedAndTheRowStillBuilt) {
    addMapping();
    db->exec("drop table TB_Itemcats");
    ProcessedOffer offer = process("colour_size.json", optionsWith(true, false));
    ASSERT_EQ(offer.failures.size(), 1u);
    EXPECT_EQ(offer.failures[0].rfind("类目属性匹配失败:", 0), 0u) << offer.failures[0];
    EXPECT_EQ(offer.categoryText, "T恤->T恤");
    EXPECT_EQ(buildPackageRow(offer.row), expectedRow(with(kColourSizeRow, {{2, ""},
                                                                            {10, ""},
                                                                            {22, R"("")"},
                                                                            {31, R"("")"},
                                                                            {32, R"("")"},
                                                                            {33, R"("")"},
                                                                            {35, R"("")"}})));
}

TEST_F(OfferProcessTest, DiagnosticLogLines) {
    addMapping();
    log.setVisible(true);
    ProcessedOffer offer = process("colour_size.json", optionsWith(true, false));
    const std::string stars = "**********************\n";
    const std::string fields =
        "subject:女式T恤 \"夏\"款\n" + stars + "details:<p>纯棉\t舒适\r\n好穿</p>\n" + stars +
        "offerId:1001\n" + stars + "postCategryId:1031910\n" + stars + "amountOnSale:500\n" +
        stars + "price:12.50\n" + stars +
        "productFeatureList:" + textBetween(answer, "\"productFeatureList\":", ",\"imageList\"") +
        "\n" + stars;
    // The run logs the row's columns when it stores the row.
    EXPECT_EQ(log.text(), fields);
    std::string rowLines;
    for (const std::string& line : packageRowLogLines(offer.row))
        rowLines += line + "\n";
    std::vector<std::string> columns = splitText(rowLines, "\n");
    columns.pop_back(); // after the last line break
    // 50 columns, 5 group ends, and the line break inside the description.
    EXPECT_EQ(columns.size(), 56u);
    EXPECT_EQ(columns.front(), "title:女式T恤 \"夏\"款");
    EXPECT_EQ(columns[1], "cid:50000671");
    EXPECT_EQ(std::count(columns.begin(), columns.end(), "---------"), 5);
    EXPECT_EQ(columns[10], "---------");
    EXPECT_EQ(columns.back(), "sell_promise:0");

    // Nothing is kept while the log is hidden.
    log.setVisible(false);
    log.clear();
    process("colour_size.json", optionsWith(true, false));
    EXPECT_EQ(log.text(), "");
}
