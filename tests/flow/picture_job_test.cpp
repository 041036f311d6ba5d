#include "package/picture_job.hpp"
#include "platform/platform.hpp"
#include "relay_sim.hpp"
#include "system_helpers.hpp"
#include "temp_dir.hpp"
#include "ui/headless_event_loop.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <ostream>
#include <set>

using namespace lw;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace lw {
// Failure output as kind:done:total:failed.
void PrintTo(const PictureProgress& p, std::ostream* out) {
    *out << p.kind << ":" << p.done << ":" << p.total << ":" << (p.failed ? 1 : 0);
}
} // namespace lw

namespace {

class PictureJobTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim.start(test::testDataPath("download"));
        options.proxy = sim.url();
    }

    std::unique_ptr<PictureJob> job(int kind, std::vector<std::string> urls,
                                    std::vector<std::string> files) {
        return std::make_unique<PictureJob>(
            loop, kind, std::move(urls), std::move(files),
            [this](const PictureProgress& m) { messages.push_back(m); }, options);
    }

    std::string served(const std::string& path) {
        return test::readFileBytes(test::testDataPath("download/pictures/img.example.com/" + path));
    }

    std::set<std::string> names() {
        std::set<std::string> out;
        for (const auto& e : fs::directory_iterator(platform::toPath(dir.path())))
            out.insert(e.path().filename().string());
        return out;
    }

    test::TempDir dir;
    relaysim::Server sim;
    HeadlessEventLoop loop;
    HttpOptions options = pictureHttpOptions();
    std::vector<PictureProgress> messages;
};

TEST_F(PictureJobTest, EveryPictureIsReportedAndFailuresAreCounted) {
    options.maxBodyBytes = 12; // a1.jpg is larger
    sim.addFault("path=/missing.jpg status 404");
    auto j = job(2,
                 {"http://img.example.com/a2.jpg", "http://img.example.com/missing.jpg",
                  "ftp://img.example.com/a2.jpg", "http://img.example.com/a1.jpg",
                  "http://img.example.com/d/x.jpg"},
                 {dir.file("a2.tbi"), dir.file("missing.tbi"), dir.file("ftp.tbi"),
                  dir.file("a1.tbi"), dir.file("x?*.jpg")});
    j->start();
    ASSERT_TRUE(loop.runUntil([&] { return j->finished(); }, 5s));
    EXPECT_EQ(messages, (std::vector<PictureProgress>{
                            {2, 1, 5, false},
                            {2, 2, 5, true},
                            {2, 3, 5, true},
                            {2, 4, 5, true},
                            {2, 5, 5, false},
                        }));
    EXPECT_EQ(names(), (std::set<std::string>{"a2.tbi", "x.jpg"}));
    EXPECT_EQ(test::readFileBytes(dir.file("a2.tbi")), served("a2.jpg"));
    EXPECT_EQ(test::readFileBytes(dir.file("x.jpg")), served("d/x.jpg"));
}

TEST_F(PictureJobTest, AnEmptyJobSendsOneMessage) {
    auto j = job(3, {}, {});
    j->start();
    ASSERT_TRUE(loop.runUntil([&] { return j->finished(); }, 5s));
    EXPECT_EQ(messages, (std::vector<PictureProgress>{{3, 0, 0, false}}));
    EXPECT_TRUE(messages[0].last());
}

TEST_F(PictureJobTest, TwoJobsWritingTheSameFileLeaveOneWholeFile) {
    sim.addFault("path=/a1.jpg latency 20");
    std::vector<std::unique_ptr<PictureJob>> jobs;
    for (int kind = 1; kind <= 2; ++kind) {
        jobs.push_back(job(kind, std::vector<std::string>(5, "http://img.example.com/a1.jpg"),
                           std::vector<std::string>(5, dir.file("same.tbi"))));
        jobs.back()->start();
    }
    ASSERT_TRUE(loop.runUntil([&] { return jobs[0]->finished() && jobs[1]->finished(); }, 5s));
    EXPECT_EQ(messages.size(), 10u);
    EXPECT_EQ(names(), std::set<std::string>{"same.tbi"});
    EXPECT_EQ(test::readFileBytes(dir.file("same.tbi")), served("a1.jpg"));
}

TEST_F(PictureJobTest, OnlyTemporaryFilesOfEndedProcessesAreRemoved) {
    // A child that has ended and been waited for: its process id is free.
    long ended = test::endedProcessId();
    ASSERT_GT(ended, 0);
    std::string dead = std::to_string(ended);
    std::string alive = std::to_string(platform::currentProcessId());
    const std::vector<std::string> removed = {"a.tbi.part" + dead + "-0",
                                              "desc.jpg.part" + dead + "-17"};
    const std::vector<std::string> kept = {"b.tbi.part" + alive + "-0", // a run in progress
                                           "c.tbi",
                                           "d.part",
                                           "e.part-1",
                                           "f.part12-",
                                           "g.partx-1",
                                           "h.part" + dead + "-1x"};
    for (const auto& name : removed)
        test::writeFileBytes(dir.file(name), "x");
    for (const auto& name : kept)
        test::writeFileBytes(dir.file(name), "x");

    EXPECT_EQ(removeUnfinishedPictures(dir.path()), 2);
    EXPECT_EQ(names(), std::set<std::string>(kept.begin(), kept.end()));
    EXPECT_EQ(removeUnfinishedPictures(dir.file("missing")), 0);
}

TEST_F(PictureJobTest, StoppedFromInsideItsOwnMessageItSendsNoMore) {
    PictureJob* raw = nullptr;
    auto j = std::make_unique<PictureJob>(
        loop, 1, std::vector<std::string>(4, "http://img.example.com/a2.jpg"),
        std::vector<std::string>(4, dir.file("a2.tbi")),
        [&](const PictureProgress& m) {
            messages.push_back(m);
            raw->stop();
        },
        options);
    raw = j.get();
    j->start();
    ASSERT_TRUE(loop.runUntil([&] { return j->finished(); }, 5s));
    loop.runUntil([] { return false; }, 100ms);
    EXPECT_EQ(messages, (std::vector<PictureProgress>{{1, 1, 4, false}}));
}

TEST_F(PictureJobTest, DestroyingAWaitingJobDoesNotHang) {
    sim.addFault("path=/a2.jpg stall 3000");
    auto j = job(1, {"http://img.example.com/a2.jpg"}, {dir.file("a2.tbi")});
    j->start();
    ASSERT_TRUE(loop.runUntil([&] { return !sim.requests().empty(); }, 5s));
    auto begin = std::chrono::steady_clock::now();
    j.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 1s);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(names().empty());
}

} // namespace
