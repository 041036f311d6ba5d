// The look-ups of a download run: asked together on workers while the window goes on,
// each (category, name) or (category, property, value) once per run, found ids kept for
// later runs for the days of setting 610; failures and "not found" never kept.
#include "download_flow_fixture.hpp"
#include "package/download_run.hpp"
#include "package/lookup_memory.hpp"
#include "store/database_open.hpp"
#include "store/settings.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <set>
#include <tuple>

using namespace lw;
using namespace lw::test;
using namespace std::chrono_literals;

namespace {

using Key = std::tuple<std::string, std::string, std::string, std::string>;

class LookupRuns : public DownloadFlowFixture {
protected:
    // The look-ups relay-sim received: table, cid, pid, name.
    std::vector<Key> lookups() const {
        std::vector<Key> out;
        for (const auto& r : sim.requests())
            if (r.role == "lookup")
                out.emplace_back(r.param("tablename"), r.param("cid"), r.param("pid"),
                                 r.param("name"));
        return out;
    }

    std::set<Key> remembered() {
        std::set<Key> out;
        for (Query q = db->query("select cid,pid,name from TB_FoundLookup"); !q.eof(); q.next()) {
            bool value = !q.text("pid").empty();
            out.emplace(value ? "TB_ItemPropValue" : "TB_ItemProps", q.text("cid"), q.text("pid"),
                        q.text("name"));
        }
        return out;
    }

    // Both offers ticked again and run once more over the same package file.
    void runAgain() {
        for (std::size_t i = 0; i < window->list().rows().size(); ++i)
            window->list().setTicked(static_cast<int>(i), true);
        sim.clearRequests();
        dialogs.clear();
        dialogs.answers = {Answer::Yes, Answer::Yes};
        dialogs.fileExistsChoices = {FileExistsChoice::Overwrite};
        window->startDownload();
        ASSERT_EQ(run->outcome(), RunOutcome::Running);
        runToEnd();
    }

    void addBothOffers() {
        addLink(group, "2001", "T恤", "0", "0", false, true);
        addLink(group, "2002", "围巾", "0", "0", false, true);
    }
};

} // namespace

TEST_F(LookupRuns, EachLookUpOnceAndASecondRunAsksNothingTheFirstFound) {
    addBothOffers();
    startWindow();
    startAndRun();
    ASSERT_EQ(run->outcome(), RunOutcome::Completed);
    const std::string firstPackage = readFileBytes(package);
    const std::vector<Key> first = lookups();
    EXPECT_EQ(std::set<Key>(first.begin(), first.end()).size(), first.size())
        << "a look-up asked twice in one run";
    EXPECT_EQ(run->lookupsSent(), static_cast<int>(first.size()));
    const std::set<Key> found = remembered();
    ASSERT_FALSE(found.empty());
    for (const Key& k : found)
        EXPECT_NE(std::find(first.begin(), first.end(), k), first.end());

    runAgain();
    ASSERT_EQ(run->outcome(), RunOutcome::Completed);
    EXPECT_EQ(readFileBytes(package), firstPackage);
    const std::vector<Key> second = lookups();
    for (const Key& k : second)
        EXPECT_EQ(found.count(k), 0u) << std::get<3>(k) << " was found by the first run";
    // What the first run did not find is asked again.
    EXPECT_EQ(second.size(), first.size() - found.size());
}

TEST_F(LookupRuns, FailuresAreNeverKeptAndOldOrSwitchedOffMemoriesAreAskedAgain) {
    addBothOffers();
    sim.addFault("lookup status 500");
    startWindow();
    startAndRun();
    EXPECT_TRUE(remembered().empty());
    EXPECT_EQ(count("select count(*) from TB_FoundLookup"), 0);

    sim.clearFaults();
    runAgain();
    const std::size_t all = lookups().size();
    ASSERT_GT(count("select count(*) from TB_FoundLookup"), 0);

    struct Case {
        const char* name;
        const char* days;
        int age; // days since the ids were found
        bool asked;
    };
    const Case cases[] = {
        {"six days old, kept seven", "7", 6, false},
        {"seven days old, kept seven", "7", 7, true},
        {"kept no day", "0", 0, true},
        {"no number: seven", "x", 8, true},
    };
    for (const Case& c : cases) {
        writeSetting(*db, Setting::LookupMemoryDays, c.days);
        db->exec("update TB_FoundLookup set found_day=?",
                 {std::int64_t{dayNumber(clock.now()) - c.age}});
        runAgain();
        EXPECT_EQ(run->outcome(), RunOutcome::Completed) << c.name;
        EXPECT_EQ(lookups().size(), c.asked ? all : all - remembered().size()) << c.name;
    }
}

TEST_F(LookupRuns, CancelDuringStalledLookUpsEndsTheRunAtOnceWithoutARow) {
    addBothOffers();
    sim.addFault("lookup stall 8000");
    startWindow();
    // The cancel is clicked while the window waits for the look-ups.
    std::function<void()> cancelOnceAsked = [&] {
        if (lookups().empty())
            loop.startTimer(10, cancelOnceAsked);
        else
            window->cancelCommand();
    };
    loop.startTimer(10, cancelOnceAsked);
    dialogs.answers.push_back(Answer::Yes);
    auto start = std::chrono::steady_clock::now();
    window->startDownload();
    ASSERT_TRUE(loop.runUntil([&] { return run->outcome() != RunOutcome::Running; }, 10s));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 4s);
    EXPECT_EQ(run->outcome(), RunOutcome::Cancelled);
    EXPECT_EQ(run->rowsWritten(), 0);
    EXPECT_TRUE(rowOf("2001").ticked);
    EXPECT_EQ(count("select count(*) from TB_URL where IsDownload=1"), 0);
    EXPECT_EQ(count("select count(*) from TB_FoundLookup"), 0);
}

TEST_F(LookupRuns, CancelAndStartAgainWhileLookUpsStallLeavesTheOldOfferOut) {
    addBothOffers();
    sim.addFault("lookup stall 3000 1");
    startWindow();
    // Both clicks reach the window in one go while it waits for the look-ups.
    std::function<void()> clickTwiceOnceAsked = [&] {
        if (lookups().empty()) {
            loop.startTimer(10, clickTwiceOnceAsked);
            return;
        }
        window->cancelCommand();
        dialogs.answers.push_back(Answer::Yes);
        window->startDownload();
    };
    loop.startTimer(10, clickTwiceOnceAsked);
    dialogs.answers.push_back(Answer::Yes);
    window->startDownload();
    ASSERT_TRUE(loop.runUntil(
        [&] { return dialogs.answers.empty() && run->outcome() != RunOutcome::Running; }, 10s));
    loop.runUntil([] { return false; }, 50ms);
    EXPECT_EQ(run->outcome(), RunOutcome::Completed);
    EXPECT_EQ(readFileBytes(package), expectedPackage({1, 2}));
    for (const Shown& s : dialogs.shown)
        EXPECT_NE(s.icon, Icon::Error) << s.text;
}

TEST(LookupMemoryUpgrade, AnOlderFileGetsTheTableAndTheSettingOnce) {
    TempDir dir;
    std::string path = copyDeliveredDatabase(dir.path());
    {
        auto db = openTestDatabase(path);
        db->exec("drop table TB_FoundLookup");
        db->exec("delete from _Parameter where NM=610");
    }
    for (int start = 0; start < 2; ++start) {
        std::string error;
        auto db = openDatabase(path, testDatabasePassword(), error);
        ASSERT_TRUE(db) << error;
        EXPECT_EQ(readSetting(*db, Setting::LookupMemoryDays), "7");
        EXPECT_EQ(db->query("select count(*) from _Parameter where NM=610").first(), "1");
        EXPECT_EQ(lookupMemoryDays(*db), 7);
        db->exec("insert into TB_FoundLookup (cid,pid,name,found_pid,found_vid,found_day) "
                 "values ('1','','颜色','2','',3)");
    }
}
