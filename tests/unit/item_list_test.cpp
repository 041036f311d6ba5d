#include "catalog/preferred_categories.hpp"
#include "items/item_export.hpp"
#include "items/item_list.hpp"
#include "items/item_query.hpp"
#include "package/package_path.hpp"
#include "store/database.hpp"
#include "temp_dir.hpp"

#include <gtest/gtest.h>

using namespace lw;
using namespace lw::test;

TEST(CompareItemTexts, NumbersRoundHalfToEvenTextsFoldCase) {
    struct Case {
        const char* a;
        const char* b;
        int sign;
    };
    const Case cases[] = {
        {"9", "10", -1},        {"12.4", "12.5", 0},    {"12.4", "12.6", -1},
        {"13.5", "14", 0},      {"0.5", "0", 0},        {"007", "7", 0},
        {"abc", "ABC", 0},      {"a", "B", -1},         {"9", "10a", 1}, // text: '9' > '1'
        {"2147483648", "1", 0}, {"2147483647", "1", 1}, {"99999999999", "5", 0},
        {"", "a", -1},          {"_", "a", 1}, // '_' after folded 'A'
    };
    for (const Case& c : cases) {
        int got = compareItemTexts(c.a, c.b);
        int sign = got < 0 ? -1 : got > 0 ? 1 : 0;
        EXPECT_EQ(sign, c.sign) << c.a << " vs " << c.b;
    }
}

TEST(ItemList, SignalsFollowChangesAndBulkLoadsAnnounceOnce) {
    ItemList list;
    int resets = 0, begun = 0, appended = 0;
    std::vector<std::pair<int, int>> changed;
    Connection resetCount = list.reset.connect([&] { ++resets; });
    Connection begunCount = list.updateBegun.connect([&] { ++begun; });
    Connection appendedCount = list.rowsAppended.connect([&](int, int) { ++appended; });
    Connection changedList =
        list.rowsChanged.connect([&](int a, int b) { changed.emplace_back(a, b); });
    list.beginUpdate();
    list.clear();
    for (int i = 0; i < 3; ++i)
        list.append(ItemRow{});
    list.endUpdate();
    EXPECT_EQ(begun, 1);
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(appended, 0);
    list.append(ItemRow{});
    EXPECT_EQ(appended, 1);
    list.setState(1, kStateDownloading, kIconDownloading);
    list.setTicked(2, true);
    list.setTicked(2, true); // no change, no signal
    EXPECT_EQ(changed, (std::vector<std::pair<int, int>>{{1, 1}, {2, 2}}));
    EXPECT_EQ(list.firstTicked(), 2);
    EXPECT_EQ(list.row(1).state, "下载中");
}

TEST(ItemExport, OnlyFieldsThatNeedItAreQuoted) {
    EXPECT_EQ(exportField("plain 文本"), "plain 文本");
    EXPECT_EQ(exportField("a,b"), "\"a,b\"");
    EXPECT_EQ(exportField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(exportField("two\r\nlines"), "\"two\r\nlines\"");
}

TEST(ItemQuery, StatementKeepsTheDescribedShapeWithBoundValues) {
    ItemStatement s = buildItemStatement({{7, 9}, "x'y_%", StateFilter::Pending});
    EXPECT_EQ(s.sql(), "select * from TB_URL where uGroup in (\r\n"
                       "select Uniqid from Tb_Groups where 1=1 and Uniqid in (?,?)\r\n"
                       "and Tag=?)\r\n"
                       "and (detail_url like ? escape '\\'\r\n"
                       "or title like ? escape '\\')\r\n"
                       "and isDownload=0");
    ASSERT_EQ(s.params.size(), 5u);
    EXPECT_EQ(std::get<std::int64_t>(s.params[0]), 7);
    // The typed text literally: % and _ escaped.
    EXPECT_EQ(std::get<std::string>(s.params[3]), "%x'y\\_\\%%");
}

TEST(ItemQuery, TheLinksOfNoGroupAloneOrBesideGroups) {
    ItemStatement alone = buildItemStatement({{kNoGroup}, "", StateFilter::All});
    EXPECT_EQ(alone.sql(), "select * from TB_URL where uGroup not in (\r\n"
                           "select Uniqid from Tb_Groups)\r\n"
                           "and tag=?");
    ItemStatement beside = buildItemStatement({{3, kNoGroup}, "", StateFilter::All});
    EXPECT_EQ(beside.sql(), "select * from TB_URL where (uGroup in (\r\n"
                            "select Uniqid from Tb_Groups where 1=1 and Uniqid in (?)\r\n"
                            "and Tag=?)\r\n"
                            "or uGroup not in (select Uniqid from Tb_Groups) and tag=?)");
    EXPECT_EQ(beside.params.size(), 3u);
}

TEST(ItemQuery, ShortestDecimal) {
    EXPECT_EQ(shortestDecimal(12.5), "12.5");
    EXPECT_EQ(shortestDecimal(0), "0");
    EXPECT_EQ(shortestDecimal(100), "100");
}

TEST(PackagePath, DefaultFolderByDriveOrHome) {
    EXPECT_EQ(defaultPackageFolder("D:\\Tools\\Listwright\\", "", true), "D:\\RARorurivo\\");
    // A network path: the text before the first backslash is empty.
    EXPECT_EQ(defaultPackageFolder("\\\\server\\share\\", "", true), "\\RARorurivo\\");
    EXPECT_EQ(defaultPackageFolder("/opt/listwright/", "/home/ann", false),
              "/home/ann/RARorurivo/");
    EXPECT_EQ(defaultPackageFolder("/opt/listwright/", "/home/ann/", false),
              "/home/ann/RARorurivo/");
    LocalDateTime t{2011, 5, 6, 12, 30, 59, 0};
    EXPECT_EQ(defaultPackagePath("D:\\RARorurivo\\", t),
              "D:\\RARorurivo\\淘宝助理数据包_1105061230.csv");
    EXPECT_EQ(folderOfPath("/a/b/c.csv"), "/a/b/");
    EXPECT_EQ(folderOfPath("D:\\x\\c.csv"), "D:\\x\\");
    EXPECT_EQ(folderOfPath("c.csv"), "");
}

TEST(loadPreferredCategories, TopLevelBySortOrderAndSetting502IgnoringCase) {
    TempDir dir;
    auto db = makeTestDatabase(dir.path());
    db->exec("insert into TB_Itemcats(cid,parent_cid,name,sort_order) select '50',0,'Shoes',2");
    db->exec("insert into TB_Itemcats(cid,parent_cid,name,sort_order) select '16','0','女装',1");
    db->exec("insert into TB_Itemcats(cid,parent_cid,name,sort_order) select '99',16,'裙',0");
    db->exec("update _Parameter set ParaValue=' shoes ' where NM=502");
    ChoiceList picker;
    loadPreferredCategories(*db, picker);
    EXPECT_EQ(picker.names, (std::vector<std::string>{"女装", "Shoes"}));
    EXPECT_EQ(picker.values, (std::vector<std::string>{"16", "50"}));
    EXPECT_EQ(picker.selected, 1);
    EXPECT_EQ(picker.text(), "Shoes");
    EXPECT_EQ(picker.value(), "50");

    db->exec("update _Parameter set ParaValue='' where NM=502");
    loadPreferredCategories(*db, picker);
    EXPECT_EQ(picker.selected, -1);
    EXPECT_EQ(picker.value(), "");
    // A delivered file without row 502: nothing selected, no error.
    db->exec("delete from _Parameter where NM=502");
    loadPreferredCategories(*db, picker);
    EXPECT_EQ(picker.selected, -1);
}
