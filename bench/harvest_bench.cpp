// The listing page parser over a 2 MB page with 2,000 offers (MB/s, decoding from GBK
// separately), the link box's duplicate test for 20,000 lines, and the add step of
// 20,000 Link Lines into a database that already holds 20,000 Item Links.
#include "bench_database.hpp"
#include "harvest/link_box.hpp"
#include "harvest/link_lines.hpp"
#include "harvest/listing_page.hpp"
#include "util/codec.hpp"

#include <benchmark/benchmark.h>

using namespace lw;

namespace {

constexpr int kOffers = 2000;
constexpr int kLines = 20000;

// About 1 KB of first-layout markup per offer, as the site pads its list.
std::string listingPage() {
    std::string page = "<html><head><title>供应商</title></head><body>"
                       "<em class=\"page-count\">1</em><em class=\"offer-count\">2000</em>"
                       "<div class=\"common-column-150\">\n";
    std::string padding(700, ' ');
    for (int i = 0; i < kOffers; ++i) {
        std::string id = std::to_string(520000000 + i);
        page += "<li class=\"offer\"><div class=\"image\"><a href=\"" + std::string(kOfferPrefix) +
                id +
                ".html\" target=\"_blank\" title=\"2024新款韩版修身显瘦雪纺连衣裙 &amp; 女装," +
                id + "\"><img src=\"http://img.china.alibaba.com/img/ibank/" + id +
                ".jpg\"></a></div><div class=\"price\"><em>" + std::to_string(10 + i % 90) +
                ".50</em></div><span class=\"booked-counts\">" + std::to_string(i % 700) +
                "</span>" + padding + "<div class=\"order\">订购</div></li>\n";
    }
    page += "<div class=\"app-paginator\">1</div></body></html>";
    return page;
}

std::vector<std::string> linkLines(int count) {
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) {
        // One line in ten repeats an earlier one in other letter case.
        int n = i % 10 == 9 ? i - 5 : i;
        std::string line = std::string(kOfferPrefix) + std::to_string(600000000 + n) +
                           ".html,连衣裙 第" + std::to_string(n) + "款,15,8.50";
        if (n != i)
            line.replace(0, 4, "HTTP");
        lines.push_back(line);
    }
    return lines;
}

void BM_ParseListingPage(benchmark::State& state) {
    const std::string page = listingPage();
    for (auto _ : state) {
        SearchState search;
        LinkBox box;
        PageResult r = readListingPage(page, search, box);
        benchmark::DoNotOptimize(r);
        if (box.lineCount() != kOffers)
            state.SkipWithError("wrong line count");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(page.size()));
    state.counters["page_MB"] = static_cast<double>(page.size()) / 1e6;
}

void BM_DecodeGbkListingPage(benchmark::State& state) {
    const std::string gbk = utf8ToGb18030(listingPage()).value();
    for (auto _ : state)
        benchmark::DoNotOptimize(decodeListingPage(gbk, "text/html"));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(gbk.size()));
}

void BM_LinkBoxDuplicateTest(benchmark::State& state) {
    const std::vector<std::string> lines = linkLines(kLines);
    for (auto _ : state) {
        LinkBox box;
        for (const std::string& line : lines)
            box.appendUnique(line);
        benchmark::DoNotOptimize(box.lineCount());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kLines);
}

void BM_AddStep(benchmark::State& state) {
    bench::BenchDatabase data(kLines);
    const std::vector<std::string> lines = linkLines(kLines);
    for (auto _ : state) {
        LinkAddResult r = addLinkLines(data.db(), lines, 1);
        benchmark::DoNotOptimize(r);
        state.PauseTiming();
        data.db().exec("delete from TB_URL where num_iid like '6%'");
        state.ResumeTiming();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kLines);
}

} // namespace

BENCHMARK(BM_ParseListingPage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeGbkListingPage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LinkBoxDuplicateTest)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddStep)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
