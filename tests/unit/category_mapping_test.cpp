#include "package/category_mapping.hpp"
#include "store/database.hpp"
#include "temp_dir.hpp"

#include <gtest/gtest.h>

using namespace lw;

namespace {

class CategoryMappingTest : public ::testing::Test {
protected:
    void SetUp() override { db = test::makeTestDatabase(dir.path()); }

    void category(std::int64_t cid, std::int64_t parent, const std::string& name, bool isParent) {
        db->exec("insert into TB_Itemcats (cid,parent_cid,name,is_parent) values (?,?,?,?)",
                 {cid, parent, name, std::int64_t{isParent ? 1 : 0}});
    }
    void mapping(const std::string& from1, const std::string& from2, const std::string& to) {
        db->exec("insert into TB_Mapping (FromValue01,FromValue02,ToValue) values (?,?,?)",
                 {from1, from2, to});
    }
    CategoryChoice choose(const std::string& text, const std::string& gender,
                          const std::string& preferred) {
        CategoryChoice c;
        chooseCategory(*db, text, gender, preferred, c);
        return c;
    }

    test::TempDir dir;
    std::unique_ptr<Database> db;
};

} // namespace

TEST_F(CategoryMappingTest, GetParentCidWalksUpToTheTop) {
    category(16, 0, "女装", true);
    category(1623, 16, "裙子", true);
    category(50010850, 1623, "连衣裙", false);
    category(7, 7, "自己的父类", false);
    category(8, 9, "环", false);
    category(9, 8, "环", false);
    struct Case {
        std::string cid, expected;
    };
    const Case cases[] = {
        {"50010850", "16"},
        {"1623", "16"},
        {"16", "16"},
        {"404", "404"}, // no row: the cid itself
        // Loops end at the last row read instead of running forever.
        {"7", "7"},
        {"8", "9"},
        {"9", "8"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(topLevelCidOf(*db, c.cid), c.expected) << c.cid;
}

TEST_F(CategoryMappingTest, GetParentCidStopsBelowADeepChain) {
    // 1 <- 2 <- ... <- 100, with 1 at the top.
    category(1, 0, "top", true);
    for (int i = 2; i <= 100; ++i)
        category(i, i - 1, "level", i < 100);
    EXPECT_EQ(topLevelCidOf(*db, "60"), "1");
    // 64 rows are read: 100, 99, ..., 37.
    EXPECT_EQ(topLevelCidOf(*db, "100"), "37");
}

TEST_F(CategoryMappingTest, ChoosesTheLeafUnderThePreferredTopCategory) {
    category(16, 0, "女装/女士精品", true);
    category(30, 0, "男装", true);
    category(50000436, 30, "T恤", false);
    category(50000671, 16, "T恤", false);
    category(50000672, 16, "T恤套装", true); // not a leaf
    struct Case {
        std::string text, gender, preferred;
        CategoryChoice expected;
    };
    const Case cases[] = {
        // The second leaf lies under the preferred category.
        {"T恤", "女", "16", {"50000671", "T恤"}},
        {"T恤", "女", "30", {"50000436", "T恤"}},
        // Neither does: the last leaf found.
        {"T恤", "女", "99", {"50000671", "T恤"}},
        {"T恤", "女", "", {"50000671", "T恤"}},
        {"连衣裙", "女", "16", {"0", "连衣裙"}},
        {"", "", "16", {"0", ""}},
        // A part of the name is enough; the search is not case-sensitive for letters.
        {"t", "", "30", {"50000436", "t"}},
    };
    for (const auto& c : cases) {
        CategoryChoice got = choose(c.text, c.gender, c.preferred);
        EXPECT_EQ(got.cid, c.expected.cid) << c.text << " " << c.preferred;
        EXPECT_EQ(got.categoryText, c.expected.categoryText) << c.text << " " << c.preferred;
    }
}

TEST_F(CategoryMappingTest, MappingRowNamesTheSearch) {
    category(16, 0, "女装", true);
    category(50000671, 16, "T恤", false);
    category(50012, 16, "Levi's 牛仔裤", false);
    category(50013, 16, "100%纯棉", false);
    mapping("短袖", "女", "  T恤 ");
    mapping("牛仔裤", "男", "Levi's");
    mapping("外套", "女", "   ");
    mapping("棉衣", "女", "100%");
    struct Case {
        std::string text, gender;
        CategoryChoice expected;
    };
    const Case cases[] = {
        {"短袖", "女", {"50000671", "短袖->T恤"}},
        // The gender is part of the key.
        {"短袖", "男", {"0", "短袖"}},
        {"牛仔裤", "男", {"50012", "牛仔裤->Levi's"}},
        // A blank mapping finds nothing.
        {"外套", "女", {"0", "外套->"}},
        {"棉衣", "女", {"50013", "棉衣->100%"}},
        // Values are bound, never SQL text.
        {"x' or '1'='1", "女", {"0", "x' or '1'='1"}},
    };
    for (const auto& c : cases) {
        CategoryChoice got = choose(c.text, c.gender, "16");
        EXPECT_EQ(got.cid, c.expected.cid) << c.text;
        EXPECT_EQ(got.categoryText, c.expected.categoryText) << c.text;
    }
}

TEST_F(CategoryMappingTest, DatabaseFailureKeepsWhatWasFound) {
    mapping("短袖", "女", "T恤");
    db->exec("drop table TB_Itemcats");
    CategoryChoice c;
    EXPECT_THROW(chooseCategory(*db, "短袖", "女", "16", c), DbError);
    EXPECT_EQ(c.categoryText, "短袖->T恤");
    EXPECT_EQ(c.cid, "");
}
