// The download run of the command-line front end: the same run as "开始下载", over the
// ticked Item Links of the list the main window would show for the named Groups.
#include "download_commands.hpp"

#include "catalog/preferred_categories.hpp"
#include "items/group_store.hpp"
#include "items/item_link_store.hpp"
#include "items/item_list.hpp"
#include "items/item_view.hpp"
#include "package/download_run.hpp"
#include "package/package_names.hpp"
#include "package/package_path.hpp"
#include "package/pending_row.hpp"
#include "platform/platform.hpp"
#include "store/database.hpp"
#include "store/settings.hpp"
#include "store/text_routines.hpp"

#include <filesystem>
#include <iostream>

namespace lw::cli {
namespace {

constexpr const char* kDownloadUsage =
    "download [--group NAME]... [--out FILE] [--append|--overwrite|--new] [--page-price]\n"
    "           [--no-local-desc] [--keep-links] [--preferred NAME] [--price-rule RULE]"
    "           [--keep-going]";

// The run's questions are the command's own request: they are answered yes, the
// file-exists dialog from the options, and the closing "open the folder?" no.
class DownloadDialogs : public Dialogs {
public:
    DownloadDialogs(ConsoleDialogs& console, FileExistsChoice choice)
        : console_(console), choice_(choice) {}

    Answer show(const MessageRequest& request) override {
        if (request.buttons != Buttons::YesNo)
            return console_.show(request);
        return request.icon == Icon::Information ? Answer::No : Answer::Yes;
    }
    FileExistsChoice fileExists(const std::string&) override { return choice_; }
    std::optional<std::string> inputText(const std::string& title, const std::string& prompt,
                                         const std::string& initial) override {
        return console_.inputText(title, prompt, initial);
    }
    std::optional<int> chooseFromList(const std::string& title, const std::string& label,
                                      const std::vector<std::string>& items,
                                      int selected) override {
        return console_.chooseFromList(title, label, items, selected);
    }
    std::optional<std::string> saveFile(const FileDialogRequest& request) override {
        return console_.saveFile(request);
    }
    std::optional<std::string> openFile(const FileDialogRequest& request) override {
        return console_.openFile(request);
    }

private:
    ConsoleDialogs& console_;
    FileExistsChoice choice_;
};

// The stored Data Package path, or a new default one as the main window makes it.
std::string storedPackagePath(CliContext& context) {
    std::string path = trim(readSetting(*context.db, Setting::PackagePath));
    if (!path.empty())
        return path;
    std::string folder = defaultPackageFolder(context.programFolder, userHomeFolder());
    createFolderOneLevel(folder);
    return defaultPackagePath(folder, context.clock.now());
}

} // namespace

int runDownloadCommand(CliContext& context, Args& args) {
    std::vector<std::string> groups = args.values("--group");
    std::string out = args.value("--out");
    std::string preferred = args.value("--preferred");
    bool append = args.flag("--append");
    bool overwrite = args.flag("--overwrite");
    bool newFile = args.flag("--new");
    bool pagePrice = args.flag("--page-price");
    bool noLocalDesc = args.flag("--no-local-desc");
    bool keepLinks = args.flag("--keep-links");
    std::vector<std::string> priceRules = args.values("--price-rule");
    bool keepGoing = args.flag("--keep-going");
    if (args.missingValue() || !args.unknownOption().empty() || !args.rest().empty() ||
        int(append) + int(overwrite) + int(newFile) > 1 || priceRules.size() > 1)
        return printUsage(kDownloadUsage);
    // For this run only: the window's stored rule is not used here.
    PriceRule priceRule;
    if (!priceRules.empty()) {
        std::string error;
        std::optional<PriceRule> parsed = parsePriceRule(priceRules.front(), error);
        if (!parsed) {
            std::cerr << error << "\n";
            return printUsage(kDownloadUsage);
        }
        priceRule = *parsed;
    }
    FileExistsChoice choice = append      ? FileExistsChoice::Append
                              : overwrite ? FileExistsChoice::Overwrite
                              : newFile   ? FileExistsChoice::NewFile
                                          : FileExistsChoice::Cancel;

    MainState state;
    DownloadDialogs dialogs(context.dialogs, choice);
    // The rows reloadItems shows for these Groups, state "全部", no keyword; the
    // window's stored Group ticks stay as they are.
    ItemFilter filter;
    GroupStore groupStore(*context.db);
    for (const std::string& name : groups) {
        std::optional<std::int64_t> id = groupStore.find(name);
        if (!id) {
            context.dialogs.message("提示", "找不到组\"" + name + "\".", Icon::Warning);
            return kExitFailed;
        }
        filter.groupIds.push_back(*id);
    }
    ItemList list;
    loadItemRows(*context.db, filter, list);

    // --out names the package file: a folder would give a hidden ".csv" in it.
    if (!out.empty()) {
        std::error_code folderError;
        const bool folder = out.back() == '/' || out.back() == '\\' ||
                            std::filesystem::is_directory(platform::toPath(out), folderError);
        if (folder) {
            std::cerr << "--out \"" << out
                      << "\" 是文件夹,请给出数据包文件名,例如 --out 文件夹/淘宝助理数据包.csv\n";
            return kExitUsage;
        }
    }
    // Absolute and ending in ".csv", so the picture folders are the path without it.
    state.saveFile = packageFilePath(out.empty() ? storedPackagePath(context) : out);
    state.pagePrice = pagePrice;
    state.localDescriptionPictures = !noLocalDesc;
    state.removeDescriptionLinks = !keepLinks;
    state.skipFailedOffers = keepGoing;
    loadPreferredCategories(*context.db, state.itemCats);
    if (!preferred.empty()) {
        state.itemCats.selected = state.itemCats.indexOfNoCase(preferred);
        if (state.itemCats.selected < 0) {
            context.dialogs.message("提示", "找不到类目\"" + preferred + "\".", Icon::Warning);
            return kExitFailed;
        }
    }
    DownloadRun run({*context.db, dialogs, context.desktop, context.loop, context.clock}, state,
                    list, context.config);
    // Another run on this data folder may be writing its row: nothing is touched then.
    if (!run.holdRunLock())
        return kExitFailed;
    // A row that a sudden end left unfinished is cut first: it may be the whole file.
    std::string repaired = repairPendingRow(*context.db);
    if (!repaired.empty())
        std::cerr << "[提示] " << repaired << "\n";
    std::error_code ec;
    if (choice == FileExistsChoice::Cancel &&
        std::filesystem::exists(platform::toPath(trim(state.saveFile)), ec)) {
        context.dialogs.message(
            "提示", "\"" + state.saveFile + "\"文件已存在,请用 --append、--overwrite 或 --new.",
            Icon::Warning);
        return kExitFailed;
    }

    run.priceRule = priceRule;
    Connection report = run.offerEnded.connect(
        [](int ordinal, int total, const std::string& offerId, const std::string& result) {
            std::cout << ordinal << "/" << total << "\t" << offerId << "\t"
                      << replaceAll(replaceAll(result, "\r\n", " "), "\n", " ") << std::endl;
        });
    if (!run.startDownload())
        return context.dialogs.sawFailure ? kExitFailed : kExitOk;
    context.loop.runUntil([&] { return run.outcome() != RunOutcome::Running; },
                          std::chrono::hours(24 * 365));
    // The ticks removed by the run are stored, as the window stores them when it closes.
    ItemLinkStore(*context.db).storeTicks(list);
    std::cout << run.packagePath() << "\t" << run.rowsWritten() << std::endl;
    // What the run could not do in full, one line each, after the package line.
    for (const auto& p : run.failedOffers())
        std::cout << "未下载\t" << p.offerId << "\t" << p.reason << "\n";
    for (const auto& p : run.incompleteOffers())
        std::cout << "不完整\t" << p.offerId << "\t" << p.reason << "\n";
    // The rows written with problems: errors make the package unready, warnings only
    // tell what Taobao may refuse.
    bool rowErrors = false;
    for (const auto& check : run.rowChecks()) {
        for (const std::string& e : check.problems.errors)
            std::cout << "错误\t" << check.offerId << "\t" << e << "\n";
        for (const std::string& w : check.problems.warnings)
            std::cout << "警告\t" << check.offerId << "\t" << w << "\n";
        rowErrors = rowErrors || !check.problems.errors.empty();
    }
    std::cout.flush();
    // The run's end in words; a run that failed said it in its message already.
    if (run.outcome() != RunOutcome::Failed)
        std::cerr << "[小结]\n" << replaceAll(run.summary(), "\r\n", "\n");
    bool whole = run.failedOffers().empty() && run.incompleteOffers().empty() && !rowErrors;
    return run.outcome() == RunOutcome::Completed && whole ? kExitOk : kExitFailed;
}

} // namespace lw::cli
