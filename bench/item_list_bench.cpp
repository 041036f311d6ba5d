// Loads 100,000 Item Links into the item list as the start-up loading does and reports
// the time from reloadItems to the last row and the peak memory (target: < 1.5 s and
// < 200 MB). Also times a header-click sort and storing the ticks.
#include "bench_database.hpp"
#include "items/item_view.hpp"
#include "ui/headless_event_loop.hpp"
#include "ui/main_state.hpp"
#include "ui/silent_dialogs.hpp"

#include <chrono>
#include <cstdio>

using namespace lw;
using Steady = std::chrono::steady_clock;

namespace {

double seconds(Steady::time_point from) {
    return std::chrono::duration<double>(Steady::now() - from).count();
}

} // namespace

int main(int argc, char** argv) {
    int links = argc > 1 ? std::atoi(argv[1]) : 100000;
    bench::BenchDatabase data(links);
    HeadlessEventLoop loop;
    SilentDialogs dialogs;
    MainState state;
    ItemView view(data.db(), dialogs, loop, state);
    double before = bench::currentRssMiB();

    auto start = Steady::now();
    view.reloadItems();
    double load = seconds(start);
    double peak = bench::peakRssMiB();

    start = Steady::now();
    view.sortByColumn(4); // 页面价格, numeric
    double sortPrice = seconds(start);
    start = Steady::now();
    view.sortByColumn(2); // 宝贝名称, text
    double sortTitle = seconds(start);
    start = Steady::now();
    view.storeTicks();
    double save = seconds(start);

    std::printf("rows loaded:            %d of %d\n", view.list.size(), links);
    std::printf("RefreshData to last row: %.3f s   (target < 1.5 s)\n", load);
    std::printf("peak memory:            %.1f MiB (before loading %.1f MiB; target < 200 MB)\n",
                peak, before);
    std::printf("sort by price / title:  %.3f s / %.3f s\n", sortPrice, sortTitle);
    std::printf("AutoSaveStatus:         %.3f s\n", save);
    return view.list.size() == links ? 0 : 1;
}
