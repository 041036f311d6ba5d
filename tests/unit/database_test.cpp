#include "platform/platform.hpp"
#include "scripted_dialogs.hpp"
#include "store/config.hpp"
#include "store/database.hpp"
#include "store/database_open.hpp"
#include "store/settings.hpp"
#include "temp_dir.hpp"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <thread>

using namespace lw;
using namespace lw::test;

namespace {

std::vector<std::string> columnsOf(Database& db, const std::string& table) {
    std::vector<std::string> names;
    for (Query q = db.query("PRAGMA table_info(" + table + ")"); !q.eof(); q.next())
        names.push_back(q.text("name"));
    return names;
}

// A file as made before sales and page prices were kept.
std::string makeOldShapeFile(const TempDir& dir) {
    std::string path = dir.file("old.db");
    std::string error;
    auto db = Database::create(path, testDatabasePassword(), error);
    EXPECT_TRUE(db) << error;
    db->exec("create table TB_URL (Uniqid integer primary key autoincrement, tag int, uGroup "
             "int, num_iid text, detail_url text, title text, IsDownload int default 0, bcheck "
             "int default 0, remark text default '')");
    db->exec("insert into TB_URL (tag, uGroup, num_iid, detail_url, title) select 0, 1, ?, ?, ?",
             {std::string("123"), std::string("http://detail.1688.com/offer/123.html"),
              std::string("连衣裙 'A'")});
    return path;
}

} // namespace

TEST(DataModule, UpgradeAddsBothColumnsAndOldRowsReadZero) {
    TempDir dir;
    std::string path = makeOldShapeFile(dir);
    std::string error;
    auto db = openDatabase(path, testDatabasePassword(), error);
    ASSERT_TRUE(db);
    EXPECT_EQ(error, "");
    auto cols = columnsOf(*db, "TB_URL");
    EXPECT_NE(std::find(cols.begin(), cols.end(), "SaleNum"), cols.end());
    EXPECT_NE(std::find(cols.begin(), cols.end(), "SalePrice"), cols.end());
    EXPECT_NE(std::find(cols.begin(), cols.end(), "CheckState"), cols.end());
    Query q = db->query("select * from tb_url");
    ASSERT_FALSE(q.eof());
    EXPECT_EQ(q.text("title"), "连衣裙 'A'");
    EXPECT_EQ(q.text("salenum"), "0");
    EXPECT_EQ(q.integer("SALEPRICE"), 0);
    EXPECT_EQ(q.integer("CheckState"), 0);
}

TEST(DataModule, SecondStartAltersNothing) {
    TempDir dir;
    std::string path = makeOldShapeFile(dir);
    std::string error;
    openDatabase(path, testDatabasePassword(), error);
    auto db = openDatabase(path, testDatabasePassword(), error);
    ASSERT_TRUE(db);
    EXPECT_EQ(columnsOf(*db, "TB_URL").size(), 12u);
    // The schema cookie counts schema changes: a second upgrade must not bump it.
    int before = static_cast<int>(db->query("PRAGMA schema_version").integer("schema_version"));
    upgradeItemTable(*db);
    EXPECT_EQ(db->query("PRAGMA schema_version").integer("schema_version"), before);
}

// Another program holding the file locked for a moment delays the start, not ends it.
TEST(DataModule, OpenWaitsForALockHeldBriefly) {
    TempDir dir;
    std::string path = copyDeliveredDatabase(dir.path());
    std::string error;
    auto holder = openDatabase(path, testDatabasePassword(), error);
    ASSERT_TRUE(holder) << error;
    holder->exec("BEGIN EXCLUSIVE");
    holder->exec("update _Parameter set ParaValue='x' where NM=4");
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        holder->exec("COMMIT");
    });
    auto db = openDatabase(path, testDatabasePassword(), error);
    release.join();
    EXPECT_TRUE(db) << error;
}

TEST(DataModule, WrongPasswordGivesTheReason) {
    TempDir dir;
    std::string path = copyDeliveredDatabase(dir.path());
    std::string error;
    auto db = openDatabase(path, "not the password", error);
    EXPECT_FALSE(db);
    EXPECT_NE(error.find("not a database"), std::string::npos);
}

TEST(DataModule, MissingFileGivesTheReasonAndMakesNoFile) {
    TempDir dir;
    std::string error;
    EXPECT_FALSE(openDatabase(dir.file("none.db"), "x", error));
    EXPECT_NE(error, "");
    EXPECT_FALSE(std::filesystem::exists(platform::toPath(dir.file("none.db"))));
}

TEST(DeliveredFile, HoldsEveryTableAndColumnAndIsUnreadableWithoutPassword) {
    TempDir dir;
    std::string path = copyDeliveredDatabase(dir.path());
    {
        // Opened as a plain SQLite file, it is not a database.
        std::string error;
        auto plain = Database::open(path, "", error);
        EXPECT_FALSE(plain);
        EXPECT_NE(error.find("not a database"), std::string::npos) << error;
    }
    auto db = openTestDatabase(path);
    const std::map<std::string, std::vector<std::string>> expected = {
        {"TB_Groups", {"Uniqid", "GroupName", "Tag"}},
        {"TB_URL",
         {"Uniqid", "tag", "uGroup", "num_iid", "detail_url", "title", "IsDownload", "bcheck",
          "remark", "SaleNum", "SalePrice", "CheckState"}},
        {"TB_Mapping", {"Uniqid", "FromValue01", "FromValue02", "ToValue"}},
        {"TB_Itemcats",
         {"cid", "parent_cid", "name", "is_parent", "layer_level", "status", "sort_order"}},
        {"TB_ItemProps",
         {"is_input_prop", "cid", "pid", "parent_pid", "parent_vid", "name", "is_key_prop",
          "is_sale_prop", "is_color_prop", "is_enum_prop", "is_item_prop", "must", "multi",
          "status", "sort_order", "child_template", "is_allow_alias"}},
        {"TB_ItemPropValue", {"cid", "pid", "prop_name", "vid", "name", "name_alias"}},
        {"_Parameter", {"NM", "ParaValue", "ParaDesc"}},
    };
    for (const auto& [table, columns] : expected)
        EXPECT_EQ(columnsOf(*db, table), columns) << table;
    for (int nm : {4, 10, 11, 500, 502})
        EXPECT_FALSE(db->query("select * from _Parameter where NM=?", {std::int64_t{nm}}).empty())
            << nm;
}

TEST(DeliveredFile, NewItemLinkIsNotDownloadedAndNotTicked) {
    TempDir dir;
    auto db = makeTestDatabase(dir.path());
    db->exec("insert into TB_URL (tag, uGroup, num_iid, detail_url, title) select 0, 1, '1', "
             "'u', 't'");
    Query q = db->query("select * from tb_url where isDownload=0");
    ASSERT_FALSE(q.eof());
    EXPECT_EQ(q.integer("bcheck"), 0);
    EXPECT_EQ(q.text("remark"), "");
}

TEST(Settings, MissingRowsReadEmptyAndUpdatesChangeNothing) {
    TempDir dir;
    auto db = makeTestDatabase(dir.path());
    EXPECT_EQ(readSetting(*db, Setting::PackagePath), "");
    EXPECT_TRUE(writeSetting(*db, Setting::PackagePath, "/tmp/淘宝助理数据包_1203051407.csv"));
    EXPECT_EQ(readSetting(*db, Setting::PackagePath), "/tmp/淘宝助理数据包_1203051407.csv");
    EXPECT_TRUE(writeSetting(*db, Setting::TickedGroups, "O'Brien,组二"));
    EXPECT_EQ(readSetting(*db, Setting::TickedGroups), "O'Brien,组二");

    db->exec("delete from _Parameter where NM=502");
    EXPECT_EQ(readSetting(*db, Setting::PreferredCategory), "");
    EXPECT_TRUE(writeSetting(*db, Setting::PreferredCategory, "女装"));
    EXPECT_EQ(readSetting(*db, Setting::PreferredCategory), "");
    EXPECT_TRUE(db->query("select * from _Parameter where NM=502").empty());
}

TEST(Query, ReadsByNameAnyCaseCountsRowsAndNumbersThem) {
    TempDir dir;
    auto db = makeTestDatabase(dir.path());
    {
        Transaction t(*db);
        for (int i = 0; i < 5; ++i)
            db->exec("insert into TB_Groups (GroupName, Tag) select ?, 0",
                     {"组" + std::to_string(i)});
        t.commit();
    }
    Query q = db->query("select * from tb_groups where 1=1\r\nand Tag=? order by Uniqid",
                        {std::int64_t{0}});
    EXPECT_FALSE(q.empty());
    EXPECT_EQ(q.recordCount(), 5);
    int seen = 0;
    for (; !q.eof(); q.next()) {
        ++seen;
        EXPECT_EQ(q.recNo(), seen);
        EXPECT_EQ(q.text("GROUPNAME"), "组" + std::to_string(seen - 1));
    }
    EXPECT_EQ(db->query("select count(*) from TB_Groups").first(), "5");
    EXPECT_TRUE(db->query("select * from TB_Groups where 1=0").empty());
    EXPECT_THROW(db->query("select * from no_such_table"), DbError);
    EXPECT_FALSE(db->tryExec("insert into no_such_table select 1").empty());
}

TEST(Transaction, RollsBackUnlessCommitted) {
    TempDir dir;
    auto db = makeTestDatabase(dir.path());
    {
        Transaction t(*db);
        db->exec("insert into TB_Mapping (FromValue01, FromValue02, ToValue) select 'a','b','c'");
    }
    EXPECT_EQ(db->query("select count(*) from TB_Mapping").first(), "0");
}

TEST(BoundValues, QuotesAndSqlInValuesAreStoredAsText) {
    TempDir dir;
    auto db = makeTestDatabase(dir.path());
    std::string evil = "x'); drop table TB_Groups; --";
    db->exec("insert into TB_Groups (GroupName, Tag) select ?, 0", {evil});
    EXPECT_EQ(db->query("select GroupName from TB_Groups").first(), evil);
}
