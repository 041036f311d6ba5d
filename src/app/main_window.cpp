#include "app/main_window.hpp"

#include "app/maker_info.hpp"
#include "app/package_path.hpp"
#include "catalog/item_cats.hpp"
#include "store/database.hpp"
#include "store/settings.hpp"
#include "store/text_routines.hpp"
#include "ui/clock.hpp"
#include "ui/desktop.hpp"
#include "ui/dialogs.hpp"
#include "ui/event_loop.hpp"

#include <filesystem>

namespace lw {

std::string MainCaption(const std::string& productTitle, const std::string& version) {
    return productTitle + " V" + version.substr(0, 3);
}

TfrmFromDownload::TfrmFromDownload(MainWindowPorts ports, std::string programFolder, Config config)
    : version(GetVersionText()), homeFolder(HomeFolder()), ports_(ports),
      config_(std::move(config)), view_(ports.db, ports.dialogs, ports.loop, state_),
      commands_(ports.db, ports.dialogs, ports.desktop, ports.clock, state_, view_) {
    if (!programFolder.empty() && programFolder.back() != '/' && programFolder.back() != '\\')
        programFolder += '/';
    state_.programFolder = programFolder;
    commands_.showHarvest = [this](const std::string& caption, std::int64_t target) {
        return hooks.showHarvest ? hooks.showHarvest(caption, target) : false;
    };
}

void TfrmFromDownload::FormCreate() {
    Database& db = ports_.db;
    relayHost_ = config_.relayHost;
    if (hooks.destroySplash)
        hooks.destroySplash();

    // Link tick box from setting 501, created as "1" when missing.
    {
        Query q = db.query("Select NM,ParaValue From _Parameter where NM=?", {std::int64_t{501}});
        if (q.eof()) {
            db.exec("insert into _Parameter(NM,ParaValue) select ?,?",
                    {std::int64_t{501}, std::string("1")});
            state_.chkClearLink = true;
        } else {
            state_.chkClearLink = q.text("ParaValue") == "1";
        }
    }
    state_.chkDescLocal = true;
    state_.pagePrice = false;

    // Data Package path from setting 500, or the default one.
    std::string path = Trim(GetParameter(db, 500));
    if (!path.empty()) {
        state_.saveFile = path;
        std::string folder = FolderOfPath(path);
        std::error_code ec;
        if (!folder.empty() && !std::filesystem::exists(folder, ec))
            CreateFolderOneLevel(folder);
    } else {
        std::string folder = DefaultPackageFolder(state_.programFolder, homeFolder);
        CreateFolderOneLevel(folder);
        state_.saveFile = DefaultPackagePath(folder, ports_.clock.now());
        db.exec("update _Parameter set ParaValue=? where NM=?",
                {state_.saveFile, std::int64_t{500}});
    }

    state_.productTitle = "Listwright";
    versionStatus_ = "版本:" + version;
    caption_ = MainCaption(state_.productTitle, version);
    trayHint_ = state_.productTitle + " V" + version;

    GetItemcats(db, state_.itemCats);
    state_.itemCatsText = state_.itemCats.text();

    state_.optionsChanged.emit();
    frameChanged.emit();
}

void TfrmFromDownload::FormShow() {
    if (shown_)
        return;
    shown_ = true;
    ports_.loop.startTimer(loadDelayMs, [this] {
        view_.GetGroupList();
        view_.GetTotal();
        view_.RefreshData();
        trayMenuAttached_ = true;
        trayChanged.emit();
        if (hooks.formRelayAddresses)
            hooks.formRelayAddresses();
        if (hooks.startAllowance)
            hooks.startAllowance();
    });
    ports_.loop.startTimer(tipsDelayMs, [this] {
        if (hooks.startTips)
            hooks.startTips();
    });
}

bool TfrmFromDownload::FormKeyDown(bool ctrl, bool alt, int key) {
    if (ctrl && alt && (key == 'I' || key == 'i')) {
        state_.log.toggle();
        return true;
    }
    return false;
}

bool TfrmFromDownload::FormCloseQuery() {
    Database& db = ports_.db;
    const char* update = "update _Parameter set ParaValue=? where NM=?";
    db.exec(update, {state_.saveFile, std::int64_t{500}});
    db.exec(update, {std::string(state_.chkClearLink ? "1" : "0"), std::int64_t{501}});
    db.exec(update, {state_.itemCatsText, std::int64_t{502}});
    view_.AutoSaveStatus();
    return true;
}

void TfrmFromDownload::HarvestClick() {
    commands_.HarvestClick();
}

void TfrmFromDownload::SaveFileClick() {
    FileDialogRequest request;
    request.title = "保存的文件位置及名称:";
    request.defaultExtension = "csv";
    request.filter = "csv格式-淘宝助理数据包v5.x(*.csv)|*.csv";
    request.initialPath = state_.saveFile;
    std::optional<std::string> chosen = ports_.dialogs.saveFile(request);
    if (!chosen)
        return;
    // Stored at shutdown.
    state_.saveFile = *chosen;
    state_.optionsChanged.emit();
}

void TfrmFromDownload::StartClick() {
    if (hooks.startDownload)
        hooks.startDownload();
}

void TfrmFromDownload::OpenFolderClick() {
    ports_.desktop.openFolder(FolderOfPath(state_.saveFile));
}

void TfrmFromDownload::MinimizeClick() {
    hiddenToTray_ = true;
    trayChanged.emit();
}

void TfrmFromDownload::UpdateClick() {
    if (!ports_.dialogs.question("在线升级", "是否要执行在线升级?"))
        return;
    // Ends at once: nothing is stored.
    ports_.desktop.openProgram(state_.programFolder + "Update.exe");
    if (hooks.terminate)
        hooks.terminate();
}

void TfrmFromDownload::HelpClick() {
    ports_.desktop.openUrl(kHelpAddress);
}

void TfrmFromDownload::ItemCatsChange(int index) {
    ItemCatsPicker& picker = state_.itemCats;
    picker.selected = (index >= 0 && index < static_cast<int>(picker.names.size())) ? index : -1;
    state_.itemCatsText = picker.text();
    state_.optionsChanged.emit();
}

void TfrmFromDownload::MappingClick() {
    if (hooks.showMappingEditor)
        hooks.showMappingEditor();
}

void TfrmFromDownload::setChkClearLink(bool on) {
    state_.chkClearLink = on;
    state_.optionsChanged.emit();
}

void TfrmFromDownload::setChkDescLocal(bool on) {
    state_.chkDescLocal = on;
    state_.optionsChanged.emit();
}

void TfrmFromDownload::setPagePrice(bool on) {
    state_.pagePrice = on;
    state_.optionsChanged.emit();
}

void TfrmFromDownload::ExitClick() {
    if (hooks.closeWindow)
        hooks.closeWindow();
}

namespace {

void Run(const std::function<void()>& hook) {
    if (hook)
        hook();
}

} // namespace

void TfrmFromDownload::D01Click() {
    Run(hooks.D01Click);
}

void TfrmFromDownload::D02Click() {
    Run(hooks.D02Click);
}

void TfrmFromDownload::D03Click() {
    Run(hooks.D03Click);
}

void TfrmFromDownload::N20Click() {
    Run(hooks.N20Click);
}

void TfrmFromDownload::N21Click() {
    Run(hooks.N21Click);
}

void TfrmFromDownload::N23Click() {
    Run(hooks.N23Click);
}

void TfrmFromDownload::ResetPathClick() {
    if (state_.busy())
        return;
    state_.panel.clearCancel();
    if (!ports_.dialogs.question("提示", "是否重置默认存放位置?"))
        return;
    // _SaveFile keeps its text; the default path is built at the next start unless
    // shutdown stores the box's text again.
    ports_.db.exec("update _Parameter set paravalue='' where nm=?", {std::int64_t{500}});
    ports_.dialogs.message("提示", "重置完成，请确认.", Icon::Information);
}

void TfrmFromDownload::CalcClick() {
    ports_.desktop.openProgram("calc.exe");
}

void TfrmFromDownload::InstallSqlceClick() {
    if (hooks.registerDll)
        hooks.registerDll(state_.programFolder + "sqlceoledb30.dll");
    ports_.dialogs.message("提示", "成功安装 SQL CE 驱动,请重新运行" + state_.productTitle + ".",
                           Icon::Information);
}

void TfrmFromDownload::WebsiteClick() {
    ports_.desktop.openUrl(kWebsiteAddress);
}

void TfrmFromDownload::FeedbackClick() {
    ports_.desktop.openUrl(kFeedbackAddress);
}

void TfrmFromDownload::AboutClick() {
    about_.version = version;
    if (hooks.showAbout)
        hooks.showAbout(about_);
}

void TfrmFromDownload::CancelClick() {
    state_.panel.cancelClick();
}

void TfrmFromDownload::restore() {
    hiddenToTray_ = false;
    trayChanged.emit();
}

void TfrmFromDownload::TrayDblClick() {
    restore();
}

void TfrmFromDownload::ShowMainClick() {
    restore();
}

void TfrmFromDownload::ExitSoftClick() {
    ExitClick();
}

} // namespace lw
