#include "store/database.hpp"
#include "temp_dir.hpp"

#include <gtest/gtest.h>

using namespace lw;
using namespace lw::test;

TEST(Statement, RunsManyTimesAndSurvivesAFailedRun) {
    TempDir dir;
    auto db = makeTestDatabase(dir.path());
    db->exec("create table t (a integer not null, b text)");
    Statement insert = db->prepare("insert into t (a, b) values (?, ?)");
    insert.run({std::int64_t{1}, std::string("x'y")});
    EXPECT_THROW(insert.run({nullptr, std::string("null a")}), DbError);
    insert.run({std::int64_t{2}, nullptr});
    Statement moved = std::move(insert);
    moved.run({std::int64_t{3}, std::string("z")});

    std::vector<std::string> rows;
    for (Query q = db->query("select a, b from t order by a"); !q.eof(); q.next())
        rows.push_back(q.text("a") + ":" + q.text("b"));
    EXPECT_EQ(rows, (std::vector<std::string>{"1:x'y", "2:", "3:z"}));
    EXPECT_THROW(db->prepare("insert into nowhere values (1)"), DbError);
}
