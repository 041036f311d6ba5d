// A download run as a shop keeper's runs go: 200 offers of one supplier over a few
// categories, 10 colours x 8 sizes each from the supplier's recurring palette, 10 main,
// 4 property and 10 description pictures, with the window's 200 ms timer, against
// relay-sim with 0, 50 and 100 ms added to every request. Then the same offers once more
// over the same database: the ids the first run found are not asked again.
//   download_run_bench [offers=200] [timer_ms=200] [latency_ms...=0 50 100]
// Reports the mean seconds per offer next to the bound (the timer plus three round trips:
// offer, look-ups, pictures), look-ups sent per offer, pictures per second and the peak
// memory after a quarter of the offers and at the end.
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
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace fs = std::filesystem;
using namespace lw;

namespace {

constexpr int kMain = 10;
constexpr int kProperty = 4;
constexpr int kDescription = 10;
constexpr int kColours = 10;
constexpr int kSizes = 8;
constexpr std::size_t kPictureBytes = 16 * 1024;

// The supplier's categories and the palette its offers draw on.
const std::pair<const char*, const char*> kCategories[] = {
    {"50000671", "T恤"}, {"50010850", "连衣裙"}, {"50000436", "衬衫"}};
const char* const kPalette[] = {"红色", "蓝色", "白色", "黑色",   "粉色",   "黄色",   "绿色",
                                "紫色", "灰色", "杏色", "卡其色", "藏青色", "酒红色", "米白色"};
const char* const kSizeNames[] = {"S", "M", "L", "XL", "XXL", "XXXL", "均码", "155", "160", "165"};
const char* const kMaterials[] = {"棉", "涤纶", "雪纺"};

void writeFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string joined(const char* const* names, int first, int count, int of) {
    std::string out;
    for (int k = 0; k < count; ++k)
        out += std::string(k ? "|" : "") + names[(first + k) % of];
    return out;
}

// Every offer points at the same few picture files, each address made its own by a
// query the simulator ignores, so every picture is fetched and stored.
std::string offerAnswer(int id, int i) {
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
    const std::string colours = joined(kPalette, i % 5, kColours, 14);
    const std::string sizes = joined(kSizeNames, i % 3, kSizes, 10);
    return R"({"result":{"toReturn":[{"subject":"女装 )" + std::to_string(id) + R"(","details":")" +
           details + R"(","offerId":)" + std::to_string(id) +
           R"(,"priceRanges":[{"price":"12.50"}],"productFeatureList":[)"
           R"({"name":"产品类别","value":")" +
           kCategories[i % 3].second + R"("},{"name":"货号","value":"A-1"},)" +
           R"({"name":"品牌","value":"花漾"},{"name":"材质","value":")" + kMaterials[i % 3] +
           R"("},{"name":"颜色","value":")" + colours + R"("},{"name":"尺码","value":")" + sizes +
           R"("}],"imageList":[)" + images + "]}]}}<prop_imgs list=\"true\">" + props +
           "</prop_imgs><nick>店</nick><sell_promise>false</sell_promise>";
}

// The look-up tables of the supplier's categories; the brand is not a known value.
void writeLookupTables(const fs::path& fixtures) {
    std::string props;
    std::string values;
    int vid = 100000;
    for (const auto& [cid, name] : kCategories) {
        props += std::string(cid) + "\t颜色\t1627207\n" + cid + "\t尺码\t20509\n" + cid +
                 "\t品牌\t20000\n" + cid + "\t材质\t20021\n";
        for (const char* colour : kPalette)
            values +=
                std::string(cid) + "\t1627207\t" + colour + "\t" + std::to_string(++vid) + "\n";
        for (const char* size : kSizeNames)
            values += std::string(cid) + "\t20509\t" + size + "\t" + std::to_string(++vid) + "\n";
        for (const char* material : kMaterials)
            values +=
                std::string(cid) + "\t20021\t" + material + "\t" + std::to_string(++vid) + "\n";
    }
    writeFile(fixtures / "props.tsv", props);
    writeFile(fixtures / "propvalues.tsv", values);
}

class NoDesktop : public Desktop {
public:
    bool openFolder(const std::string&) override { return true; }
    bool openUrl(const std::string&) override { return true; }
    bool openProgram(const std::string&) override { return true; }
    void setClipboardText(const std::string&) override {}
};

using LookupKey3 = std::tuple<std::string, std::string, std::string>;

std::set<LookupKey3> foundIds(Database& db) {
    std::set<LookupKey3> out;
    for (Query q = db.query("select cid,pid,name from TB_FoundLookup"); !q.eof(); q.next())
        out.emplace(q.text("cid"), q.text("pid"), q.text("name"));
    return out;
}

struct RunFigures {
    int rows = 0;
    double seconds = 0;
    int lookups = 0;
    int lookupsOfFoundIds = 0;
    double peakAtQuarter = 0;
    double peakAtEnd = 0;
};

void runOnce(int offers, int latencyMs, int timerMs) {
    bench::BenchDatabase data(0);
    Database& db = data.db();
    upgradeLookupMemory(db);
    const fs::path folder = data.folder();
    const fs::path fixtures = folder / "fixtures";
    const std::string picture(kPictureBytes, 'p');
    for (const char* prefix : {"m", "p", "d"})
        for (int k = 0; k < kMain; ++k)
            writeFile(fixtures / "pictures/img.example.com" / (prefix + std::to_string(k) + ".jpg"),
                      picture);
    writeLookupTables(fixtures);
    db.exec("insert into TB_Itemcats (cid,parent_cid,name,is_parent) values (16,0,'女装',1)");
    for (const auto& [cid, name] : kCategories)
        db.exec("insert into TB_Itemcats (cid,parent_cid,name,is_parent) values (?,16,?,0)",
                {std::string(cid), std::string(name)});
    db.exec("insert into TB_Groups(GroupName,Tag) select 'bench',0");
    std::int64_t group = db.lastInsertId();
    {
        Transaction t(db);
        for (int i = 0; i < offers; ++i) {
            int id = 700000 + i;
            writeFile(fixtures / "offers" / (std::to_string(id) + ".json"), offerAnswer(id, i));
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

    auto runAll = [&](const std::set<LookupKey3>& knownBefore) {
        RunFigures f;
        for (std::size_t i = 0; i < list.rows().size(); ++i)
            list.setTicked(static_cast<int>(i), true);
        DownloadRun run({db, dialogs, desktop, loop, clock}, state, list, config);
        run.pictureOptions.proxy = sim.url();
        run.timerIntervalMs = timerMs;
        Connection sampling =
            run.offerEnded.connect([&](int ordinal, int, const std::string&, const std::string&) {
                for (const auto& r : sim.requests())
                    if (r.role == "lookup" &&
                        knownBefore.count({r.param("cid"), r.param("pid"), r.param("name")}))
                        ++f.lookupsOfFoundIds;
                // A request log of every picture would grow with the offers; it is not ours.
                sim.clearRequests();
                if (ordinal == (offers + 3) / 4)
                    f.peakAtQuarter = bench::peakRssMiB();
            });
        sim.clearRequests();
        auto start = std::chrono::steady_clock::now();
        run.startDownload();
        loop.runUntil([&] { return run.outcome() != RunOutcome::Running; }, std::chrono::hours(1));
        f.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        f.rows = run.rowsWritten();
        f.lookups = run.lookupsSent();
        f.peakAtEnd = bench::peakRssMiB();
        return f;
    };

    const double bound = (timerMs + 3.0 * latencyMs) / 1000.0;
    std::printf("latency %d ms, timer %d ms (bound per offer: %.3f s)\n", latencyMs, timerMs,
                bound);
    auto report = [&](const char* name, const RunFigures& f) {
        const double perOffer = f.rows ? f.seconds / f.rows : 0;
        const int pictures = f.rows * (kMain + kProperty + kDescription);
        std::printf("  %s: %d of %d offers in %.2f s\n", name, f.rows, offers, f.seconds);
        std::printf("    mean per offer:       %.3f s (%.2f x the bound)\n", perOffer,
                    perOffer / bound);
        std::printf("    look-ups per offer:   %.2f (%d in all; of ids found before: %d)\n",
                    f.rows ? double(f.lookups) / f.rows : 0.0, f.lookups, f.lookupsOfFoundIds);
        std::printf("    pictures per second:  %.1f\n", pictures / f.seconds);
        std::printf("    peak memory:          %.1f MiB after %d offers, %.1f MiB after %d\n",
                    f.peakAtQuarter, (offers + 3) / 4, f.peakAtEnd, f.rows);
    };
    report("first run", runAll({}));
    report("second run", runAll(foundIds(db)));
    sim.stop();
}

} // namespace

int main(int argc, char** argv) {
    const int offers = argc > 1 ? std::atoi(argv[1]) : 200;
    const int timerMs = argc > 2 ? std::atoi(argv[2]) : 200;
    std::vector<int> latencies;
    for (int i = 3; i < argc; ++i)
        latencies.push_back(std::atoi(argv[i]));
    if (latencies.empty())
        latencies = {0, 50, 100};
    for (int latency : latencies)
        runOnce(offers, latency, timerMs);
    return 0;
}
