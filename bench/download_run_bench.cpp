// A whole download run against relay-sim: offers with 10 main, 4 property and 10
// description pictures each, once without and once with added latency on every request.
// Reports offers and pictures per second and the memory held after every quarter of the
// run, which must stay flat as the offers go by.
//   download_run_bench [offers=200] [timer_ms=1]
// The window's timer waits 200 ms between offers; the default of 1 ms measures the rest.
#include "bench_database.hpp"
#include "items/item_view.hpp"
#include "package/download_run.hpp"
#include "relay_sim.hpp"
#include "relay_sim_setup.hpp"
#include "ui/clock.hpp"
#include "ui/desktop.hpp"
#include "ui/headless_event_loop.hpp"
#include "ui/silent_dialogs.hpp"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace lw;

namespace {

constexpr int kMain = 10;
constexpr int kProperty = 4;
constexpr int kDescription = 10;
constexpr std::size_t kPictureBytes = 16 * 1024;

void writeFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// Every offer points at the same few picture files, each address made its own by a
// query the simulator ignores, so every picture is fetched and stored.
std::string offerAnswer(int id) {
    const std::string q = "?o=" + std::to_string(id);
    std::string images;
    for (int k = 0; k < kMain; ++k)
        images += std::string(k ? "," : "") +
                  R"({"originalImageURI":"http:\/\/img.example.com\/m)" + std::to_string(k) +
                  ".jpg" + q + "\"}";
    std::string details = "<p>";
    for (int k = 0; k < kDescription; ++k)
        details += R"(<img src=\"http://img.example.com/d)" + std::to_string(k) + ".jpg" + q +
                   R"(\">纯棉舒适 &nbsp;comfortable)";
    details += "</p>";
    std::string props;
    for (int k = 0; k < kProperty; ++k)
        props += "<prop_img><url>http://img.example.com/p" + std::to_string(k) + ".jpg" + q +
                 "</url><position>" + std::to_string(k) + "</position><properties>1627207:2832" +
                 std::to_string(k) + "</properties></prop_img>";
    return R"({"result":{"toReturn":[{"subject":"女式T恤 )" + std::to_string(id) +
           R"(","details":")" + details + R"(","offerId":)" + std::to_string(id) +
           R"(,"priceRanges":[{"price":"12.50"}],"productFeatureList":[)"
           R"({"name":"产品类别","value":"T恤"},{"name":"货号","value":"A-1"}],"imageList":[)" +
           images + "]}]}}<prop_imgs list=\"true\">" + props +
           "</prop_imgs><nick>店</nick><sell_promise>false</sell_promise>";
}

class NoDesktop : public Desktop {
public:
    bool openFolder(const std::string&) override { return true; }
    bool openUrl(const std::string&) override { return true; }
    bool openProgram(const std::string&) override { return true; }
    void setClipboardText(const std::string&) override {}
};

void runOnce(int offers, int latencyMs, int timerMs) {
    bench::BenchDatabase data(0);
    Database& db = data.db();
    const fs::path folder = data.folder();
    const fs::path fixtures = folder / "fixtures";
    const std::string picture(kPictureBytes, 'p');
    for (const char* prefix : {"m", "p", "d"})
        for (int k = 0; k < kMain; ++k)
            writeFile(fixtures / "pictures/img.example.com" / (prefix + std::to_string(k) + ".jpg"),
                      picture);
    db.exec("insert into TB_Groups(GroupName,Tag) select 'bench',0");
    std::int64_t group = db.lastInsertId();
    {
        Transaction t(db);
        for (int i = 0; i < offers; ++i) {
            int id = 700000 + i;
            writeFile(fixtures / "offers" / (std::to_string(id) + ".json"), offerAnswer(id));
            db.exec("insert into TB_URL(tag,uGroup,num_iid,detail_url,bcheck) select 0,?,?,?,1",
                    {group, std::to_string(id),
                     "http://detail.1688.com/offer/" + std::to_string(id) + ".html"});
        }
        t.commit();
    }

    relaysim::Server sim;
    const Config config = test::startRelaySim(sim, fixtures.string(), {"bench", "bench", "bench"});
    if (latencyMs > 0)
        sim.addFault("* latency " + std::to_string(latencyMs));

    HeadlessEventLoop loop;
    // The start and overwrite questions are confirmed, the closing offer to open the
    // folder is declined.
    SilentDialogs dialogs(&std::cerr);
    dialogs.answerQuestion = [](const MessageRequest& request) {
        return request.icon == Icon::Information ? Answer::No : Answer::Yes;
    };
    dialogs.fileExistsChoice = FileExistsChoice::Overwrite;
    NoDesktop desktop;
    SystemClock clock;
    MainState state;
    state.saveFile = (folder / "out" / "package.csv").string();
    fs::create_directories(folder / "out");
    ItemList list;
    loadItemRows(db, {}, list);

    std::vector<double> rss;
    {
        DownloadRun run({db, dialogs, desktop, loop, clock}, state, list, config);
        run.pictureOptions.proxy = sim.url();
        run.timerIntervalMs = timerMs;
        Connection sampling =
            run.offerEnded.connect([&](int ordinal, int, const std::string&, const std::string&) {
                // A request log of every picture would grow with the offers; it is not ours.
                sim.clearRequests();
                if (ordinal % (offers / 4 > 0 ? offers / 4 : 1) == 0)
                    rss.push_back(bench::currentRssMiB());
            });
        auto start = std::chrono::steady_clock::now();
        run.startDownload();
        loop.runUntil([&] { return run.outcome() != RunOutcome::Running; }, std::chrono::hours(1));
        double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const int pictures = run.rowsWritten() * (kMain + kProperty + kDescription);
        std::printf("latency %d ms, timer %d ms: %d of %d offers in %.2f s\n", latencyMs, timerMs,
                    run.rowsWritten(), offers, seconds);
        std::printf("  offers per second:   %.1f\n", run.rowsWritten() / seconds);
        std::printf("  pictures per second: %.1f\n", pictures / seconds);
    }
    std::printf("  memory held (MiB) after each quarter:");
    for (double v : rss)
        std::printf(" %.1f", v);
    std::printf("\n  peak memory:         %.1f MiB\n", bench::peakRssMiB());
    sim.stop();
}

} // namespace

int main(int argc, char** argv) {
    const int offers = argc > 1 ? std::atoi(argv[1]) : 200;
    const int timerMs = argc > 2 ? std::atoi(argv[2]) : 1;
    runOnce(offers, 0, timerMs);
    runOnce(offers, 20, timerMs);
    return 0;
}
