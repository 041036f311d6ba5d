// The harvest window's search from the command line: the same page loop, messages and
// add step, with the completion question answered by --yes. Exits 1 when the search
// came up short or failed, also when what was found was added.
#include "harvest_commands.hpp"

#include "harvest/harvest_window.hpp"
#include "items/group_store.hpp"

#include <iostream>

namespace lw::cli {
namespace {

constexpr const char* kHarvestUsage =
    "harvest --group NAME --shop URL [--keyword TEXT] [--yes] [--no-move]";

} // namespace

int runHarvestCommand(CliContext& context, Args& args) {
    std::string group = args.value("--group");
    std::string shop = args.value("--shop");
    std::string keyword = args.value("--keyword");
    bool noMove = args.flag("--no-move");
    if (args.flag("--yes")) {
        context.yes = true;
        context.dialogs.answerYes = true;
    }
    if (args.missingValue() || group.empty() || shop.empty() || !args.rest().empty())
        return printUsage(kHarvestUsage);

    std::optional<std::int64_t> target = GroupStore(*context.db).find(group);
    if (!target) {
        context.dialogs.message("提示", "找不到组\"" + group + "\".", Icon::Warning);
        return kExitFailed;
    }

    HarvestWindowLogic window({*context.db, context.dialogs, context.loop});
    window.offerMoves = !noMove;
    Connection report = window.pageDone.connect([&window](const PageReport& page) {
        std::cout << "页:" << page.page << " (" << page.lines << "/" << page.offerCount << ") 共 "
                  << page.pageCount << " 页" << std::endl;
        if (page.outcome == PageOutcome::NextPage)
            return;
        for (const std::string& line : window.url().lines())
            std::cout << line << "\n";
        std::cout.flush();
    });
    window.prepare("搜索添加宝贝链接(URL)-" + group, *target);
    window.onShown();
    window.setShopAddress(shop);
    window.setKeyword(keyword);
    window.startSearch();
    // Each page is bounded by the fetch's time-out; the loop ends with the search.
    context.loop.runUntil([&window] { return !window.searching(); }, std::chrono::hours(24));
    switch (window.searchEnd()) {
    case HarvestWindowLogic::SearchEnd::Found:
        // An error box of the add step still fails the command.
        return context.dialogs.sawFailure ? kExitFailed : kExitOk;
    case HarvestWindowLogic::SearchEnd::Stalled:
        // The window would wait for "取消" here; say why nothing was offered.
        context.dialogs.message("提示",
                                "搜索没有结束:网站报告的宝贝数 " +
                                    std::to_string(window.search().offerCount) + " 或页数 " +
                                    std::to_string(window.search().pageCount) + " 无效.",
                                Icon::Warning);
        return kExitFailed;
    default:
        // A refused shop address (told with a warning box), or a search that failed or
        // came up short: not all that was asked was done.
        return kExitFailed;
    }
}

} // namespace lw::cli
