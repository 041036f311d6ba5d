#include "app/main_window.hpp"

#include "app/first_start.hpp"
#include "app/maker_info.hpp"
#include "app/relay_settings.hpp"
#include "catalog/preferred_categories.hpp"
#include "package/package_names.hpp"
#include "package/package_path.hpp"
#include "platform/platform.hpp"
#include "store/database.hpp"
#include "store/settings.hpp"
#include "store/text_routines.hpp"
#include "ui/clock.hpp"
#include "ui/desktop.hpp"
#include "ui/dialogs.hpp"
#include "ui/event_loop.hpp"

#include <filesystem>

namespace lw {

std::string mainCaption(const std::string& productTitle, const std::string& version) {
    return productTitle + " V" + version.substr(0, 3);
}

MainWindowLogic::MainWindowLogic(Ports ports, WindowFrame& frame, std::string programFolder,
                                 Config config)
    : version(programVersion()), homeFolder(userHomeFolder()), ports_(ports), frame_(frame),
      config_(std::move(config)), view_(ports.db, ports.dialogs, ports.loop, state_),
      commands_(ports.db, ports.dialogs, ports.desktop, ports.clock, state_, view_),
      relay_(makeRelayContext(config_)), relayClient_(relayPostOptions()),
      categories_(ports.db, state_, ports.dialogs, ports.loop, relay_, relayClient_),
      run_(ports, state_, view_.list, config_) {
    if (!programFolder.empty() && programFolder.back() != '/' && programFolder.back() != '\\')
        programFolder += platform::kSeparator;
    state_.programFolder = programFolder;
    commands_.showHarvest = [this](const std::string& caption, std::int64_t target) {
        return frame_.showHarvest(caption, target);
    };
}

void MainWindowLogic::initialise() {
    Database& db = ports_.db;
    relayHost_ = config_.relayHost;
    frame_.destroySplash();

    // Link tick box from setting 501, created as "1" when missing.
    {
        Query q = db.query("Select NM,ParaValue From _Parameter where NM=?",
                           {settingNumber(Setting::RemoveDescriptionLinks)});
        if (q.eof()) {
            db.exec("insert into _Parameter(NM,ParaValue) select ?,?",
                    {std::int64_t{501}, std::string("1")});
            state_.removeDescriptionLinks = true;
        } else {
            state_.removeDescriptionLinks = q.text("ParaValue") == "1";
        }
    }
    state_.localDescriptionPictures = true;
    state_.pagePrice = false;
    {
        // A stored text that is no rule (edited by hand) leaves the prices alone.
        std::string error;
        run_.priceRule =
            parsePriceRule(readSetting(db, Setting::PriceRule), error).value_or(PriceRule{});
    }
    state_.skipFailedOffers = readSetting(db, Setting::SkipFailedOffers) == "1";
    layout = readWindowLayout(db);
    ListSort sort = readListSort(db);
    view_.restoreSort(sort.column, sort.descending);

    // Data Package path from setting 500, or the default one.
    std::string path = trim(readSetting(db, Setting::PackagePath));
    if (!path.empty()) {
        state_.saveFile = path;
        std::string folder = folderOfPath(path);
        std::error_code ec;
        if (!folder.empty() && !std::filesystem::exists(platform::toPath(folder), ec))
            createFolderOneLevel(folder);
    } else {
        std::string folder = defaultPackageFolder(state_.programFolder, homeFolder);
        createFolderOneLevel(folder);
        state_.saveFile = defaultPackagePath(folder, ports_.clock.now());
        db.exec("update _Parameter set ParaValue=? where NM=?",
                {state_.saveFile, settingNumber(Setting::PackagePath)});
    }

    state_.productTitle = "Listwright";
    versionStatus_ = "版本:" + version;
    caption_ = mainCaption(state_.productTitle, version);
    trayHint_ = state_.productTitle + " V" + version;

    loadPreferredCategories(db, state_.itemCats);
    state_.itemCatsText = state_.itemCats.text();

    state_.optionsChanged.emit();
    frameChanged.emit();
    layoutLoaded.emit();
}

void MainWindowLogic::onShown() {
    if (shown_)
        return;
    shown_ = true;
    ports_.loop.startTimer(loadDelayMs, [this] {
        view_.loadGroups();
        view_.updateTotals();
        view_.reloadItems();
        trayMenuAttached_ = true;
        trayChanged.emit();
    });
}

bool MainWindowLogic::handleKey(bool ctrl, bool alt, int key) {
    if (ctrl && alt && (key == 'I' || key == 'i')) {
        state_.log.toggle();
        return true;
    }
    return false;
}

bool MainWindowLogic::queryClose() {
    Database& db = ports_.db;
    const char* update = "update _Parameter set ParaValue=? where NM=?";
    try {
        Transaction transaction(db);
        db.exec(update, {state_.saveFile, settingNumber(Setting::PackagePath)});
        db.exec(update, {std::string(state_.removeDescriptionLinks ? "1" : "0"),
                         settingNumber(Setting::RemoveDescriptionLinks)});
        db.exec(update, {state_.itemCatsText, settingNumber(Setting::PreferredCategory)});
        storeSetting(db, Setting::SkipFailedOffers, state_.skipFailedOffers ? "1" : "0");
        storeWindowLayout(db, layout);
        storeListSort(db, {view_.sortColumn(), view_.sortedDescending()});
        transaction.commit();
        view_.storeTicks();
    } catch (const DbError& e) {
        // The program still ends: a window that cannot close would leave it running
        // unseen. The user learns what was not kept.
        ports_.dialogs.message(
            "错误", std::string("无法保存设置和勾选, 本次的更改未能保存.\r\n") + e.what(),
            Icon::Error);
        return false;
    }
    return true;
}

void MainWindowLogic::openHarvest() {
    commands_.openHarvest();
}

void MainWindowLogic::choosePackagePath() {
    FileDialogRequest request;
    request.title = "保存的文件位置及名称:";
    request.defaultExtension = "csv";
    request.filter = "csv格式-淘宝助理数据包v5.x(*.csv)|*.csv";
    request.initialPath = state_.saveFile;
    std::optional<std::string> chosen = ports_.dialogs.saveFile(request);
    if (!chosen)
        return;
    // Stored at shutdown.
    state_.saveFile = packageFilePath(*chosen);
    state_.optionsChanged.emit();
}

void MainWindowLogic::startDownload() {
    // The box may hold a typed path: relative, or without ".csv".
    if (!state_.busy() && !trim(state_.saveFile).empty()) {
        std::string path = packageFilePath(state_.saveFile);
        if (path != state_.saveFile) {
            state_.saveFile = path;
            state_.optionsChanged.emit();
        }
    }
    run_.startDownload();
}

void MainWindowLogic::openPackageFolder() {
    ports_.desktop.openFolder(folderOfPath(state_.saveFile));
}

void MainWindowLogic::minimizeToTray() {
    hiddenToTray_ = true;
    trayChanged.emit();
}

void MainWindowLogic::startOnlineUpdate() {
    if (!ports_.dialogs.question("在线升级", "是否要执行在线升级?"))
        return;
    const std::string updater = state_.programFolder + "Update.exe";
    std::error_code ec;
    if (!std::filesystem::is_regular_file(platform::toPath(updater), ec)) {
        ports_.dialogs.message("在线升级",
                               "没有找到升级程序 Update.exe, 无法在线升级. 请到官方网站下载新版本.",
                               Icon::Warning);
        return;
    }
    // The program ends for the updater: what the user set is kept first, as at closing.
    queryClose();
    if (!ports_.desktop.openProgram(updater)) {
        ports_.dialogs.message("在线升级", "无法启动升级程序 " + updater + ".", Icon::Error);
        return;
    }
    frame_.terminate();
}

void MainWindowLogic::openHelp() {
    std::string guide = findUserGuide(state_.programFolder);
    if (guide.empty() || !ports_.desktop.openDocument(guide))
        ports_.dialogs.message("提示", "没有找到使用说明 README.md, 它随程序一起安装.",
                               Icon::Warning);
}

void MainWindowLogic::choosePreferredCategory(int index) {
    ChoiceList& picker = state_.itemCats;
    picker.selected = (index >= 0 && index < static_cast<int>(picker.names.size())) ? index : -1;
    state_.itemCatsText = picker.text();
    state_.optionsChanged.emit();
}

void MainWindowLogic::openMappingEditor() {
    frame_.showMappingEditor();
}

void MainWindowLogic::setRemoveDescriptionLinks(bool on) {
    state_.removeDescriptionLinks = on;
    state_.optionsChanged.emit();
}

void MainWindowLogic::setLocalDescriptionPictures(bool on) {
    state_.localDescriptionPictures = on;
    state_.optionsChanged.emit();
}

void MainWindowLogic::setPagePrice(bool on) {
    state_.pagePrice = on;
    state_.optionsChanged.emit();
}

std::string MainWindowLogic::priceRuleCaption() const {
    return lw::priceRuleCaption(run_.priceRule);
}

void MainWindowLogic::editPriceRule() {
    if (state_.busy())
        return;
    if (std::optional<PriceRule> rule = frame_.editPriceRule(run_.priceRule))
        setPriceRule(*rule);
}

void MainWindowLogic::setPriceRule(const PriceRule& rule) {
    try {
        storeSetting(ports_.db, Setting::PriceRule, priceRuleText(rule), "价格规则");
    } catch (const DbError& e) {
        ports_.dialogs.message("错误", std::string("无法保存价格规则.\r\n") + e.what(),
                               Icon::Error);
        return;
    }
    run_.priceRule = rule;
    state_.optionsChanged.emit();
}

void MainWindowLogic::setSkipFailedOffers(bool on) {
    state_.skipFailedOffers = on;
    state_.optionsChanged.emit();
}

void MainWindowLogic::quit() {
    frame_.closeWindow();
}

void MainWindowLogic::downloadCategoryTree() {
    categories_.downloadCategoryTree();
}

void MainWindowLogic::downloadCategoryProperties() {
    categories_.downloadCategoryProperties();
}

void MainWindowLogic::downloadPropertyValues() {
    categories_.downloadPropertyValues();
}

void MainWindowLogic::countCategories() {
    categories_.countCategories();
}

void MainWindowLogic::countCategoryProperties() {
    categories_.countCategoryProperties();
}

void MainWindowLogic::countPropertyValues() {
    categories_.countPropertyValues();
}

void MainWindowLogic::resetPackagePath() {
    if (state_.busy())
        return;
    state_.panel.clearCancel();
    if (!ports_.dialogs.question("提示", "是否重置默认存放位置?"))
        return;
    // _SaveFile keeps its text; the default path is built at the next start unless
    // shutdown stores the box's text again.
    ports_.db.exec("update _Parameter set paravalue='' where nm=?",
                   {settingNumber(Setting::PackagePath)});
    ports_.dialogs.message("提示", "重置完成，请确认.", Icon::Information);
}

void MainWindowLogic::openCalculator() {
    ports_.desktop.openProgram("calc.exe");
}

void MainWindowLogic::installSqlceDriver() {
    // The database needs no driver: nothing is installed, and the user is told so.
    ports_.dialogs.message("提示", "本程序的数据库无需安装 SQL CE 驱动.", Icon::Information);
}

void MainWindowLogic::openWebsite() {
    ports_.desktop.openUrl(kWebsiteAddress);
}

void MainWindowLogic::sendFeedback() {
    ports_.desktop.openUrl(kFeedbackAddress);
}

void MainWindowLogic::openAbout() {
    about_.version = version;
    frame_.showAbout(about_);
}

void MainWindowLogic::openRelaySettings(const std::string& explanation) {
    // A running command keeps the Relay it started with.
    if (state_.busy())
        return;
    RelaySettingsLogic settings(ports_.loop, config_, state_.programFolder);
    settings.explanation = explanation;
    if (frame_.showRelaySettings(settings))
        applyConfig(settings.config());
}

void MainWindowLogic::applyConfig(const Config& config) {
    if (state_.busy())
        return;
    config_ = config;
    relay_ = makeRelayContext(config_);
    run_.relay() = makeRelayContext(config_);
    relayHost_ = config_.relayHost;
    frameChanged.emit();
}

void MainWindowLogic::cancelCommand() {
    state_.panel.cancelClick();
}

void MainWindowLogic::restore() {
    hiddenToTray_ = false;
    trayChanged.emit();
}

void MainWindowLogic::onTrayDoubleClick() {
    restore();
}

void MainWindowLogic::showFromTray() {
    restore();
}

void MainWindowLogic::quitFromTray() {
    quit();
}

} // namespace lw
