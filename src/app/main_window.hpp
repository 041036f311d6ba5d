#pragma once

#include "app/about_box.hpp"
#include "app/window_frame.hpp"
#include "app/window_layout.hpp"
#include "catalog/category_commands.hpp"
#include "items/item_commands.hpp"
#include "items/item_view.hpp"
#include "net/http_client.hpp"
#include "net/relay.hpp"
#include "package/download_run.hpp"
#include "store/config.hpp"
#include "ui/main_state.hpp"
#include "ui/ports.hpp"
#include "ui/signal.hpp"

#include <cstdint>
#include <string>

namespace lw {

// The main window MainWindowLogic: its state (MainState), the item list page
// (ItemView), the Group and Item Link commands (ItemCommands), the frame's own
// commands, start-up and shutdown. Views bind to the signals and forward user actions
// to the handlers; every handler runs on the UI thread.
//
// A long command of a later subsystem uses the shared progress panel like this:
//   if (window.state().busy()) return;
//   window.state().panel.clearCancel();
//   window.state().panel.show("...");            // busy from here
//   ... loop: window.ports().loop.processEvents(); if (panel.cancelled()) stop;
//   window.state().panel.hide();
// and reads or updates list rows through window.list() (ItemList: row(i), setState,
// setSubItem, setTicked, firstTicked ...), whose views follow on their own.
class MainWindowLogic {
public:
    MainWindowLogic(Ports ports, WindowFrame& frame, std::string programFolder, Config config = {});
    MainWindowLogic(const MainWindowLogic&) = delete;
    MainWindowLogic& operator=(const MainWindowLogic&) = delete;

    // The version text shown and used for the caption; programVersion() by default.
    std::string version;
    // Where the default Data Package folder goes on systems without drive letters.
    std::string homeFolder;
    // How long after the first show the Groups and the list are loaded.
    int loadDelayMs = 500;
    // The window's place and the list's column widths: read by initialise(), updated by
    // the view before queryClose() stores them.
    WindowLayout layout;

    MainState& state() { return state_; }
    const MainState& state() const { return state_; }
    ItemView& view() { return view_; }
    ItemList& list() { return view_.list; }
    ItemCommands& commands() { return commands_; }
    const Ports& ports() const { return ports_; }
    DownloadRun& downloadRun() { return run_; }
    // The client of the Taobao method requests (the category downloads).
    HttpClient& relayClient() { return relayClient_; }
    const Config& config() const { return config_; }

    // Frame texts.
    const std::string& caption() const { return caption_; }
    const std::string& trayHint() const { return trayHint_; }
    const std::string& versionStatus() const { return versionStatus_; } // _VersionStatus
    const std::string& relayHost() const { return relayHost_; }
    // Hidden to the tray by "最小化窗口".
    bool hiddenToTray() const { return hiddenToTray_; }
    // The tray menu _PopupMenuTray is attached 500 ms after the first show.
    bool trayMenuAttached() const { return trayMenuAttached_; }

    // Start-up and shutdown.
    void initialise();
    void onShown();
    // Keys reach the window before its controls; true when the key was used.
    bool handleKey(bool ctrl, bool alt, int key);
    // Stores settings 500, 501, 502 and the list's ticks; false, after telling the user,
    // when the database would not take them. The window closes either way.
    bool queryClose();

    // Main toolbar.
    void openHarvest();       // "搜索添加对方店铺宝贝"
    void choosePackagePath(); // _SaveFile's button or double click: the Data Package path dialog
    void startDownload();     // "开始下载"
    void openPackageFolder(); // "打开文件位置"
    void minimizeToTray();    // "最小化窗口"
    void startOnlineUpdate(); // "在线升级" (toolbar and menu)
    void openHelp();          // "帮助" and "联机帮助(&H)"

    // Options bar.
    void choosePreferredCategory(int index);
    void openMappingEditor(); // "产品类别与淘宝类目映射定义"
    void setRemoveDescriptionLinks(bool on);
    void setLocalDescriptionPictures(bool on);
    void setPagePrice(bool on);
    // The price rule (setting 650): its caption, its dialog, and a new rule stored.
    const PriceRule& priceRule() const { return run_.priceRule; }
    std::string priceRuleCaption() const;
    void editPriceRule();
    void setPriceRule(const PriceRule& rule);
    void setSkipFailedOffers(bool on); // "出错时跳过该宝贝继续下载"

    // Menus.
    void quit(); // "退出(&X)"
    void downloadCategoryTree();
    void downloadCategoryProperties();
    void downloadPropertyValues();
    void countCategories();
    void countCategoryProperties();
    void countPropertyValues();
    void resetPackagePath();   // "重置默认存放位置"
    void openCalculator();     // "计算器(&C)"
    void installSqlceDriver(); // "安装 SQLCE 动态库(dll) ..."
    void openWebsite();        // "官方网站(&K)"
    void sendFeedback();       // "意见反馈(&F)"
    void openAbout();          // "关于(&A)..."
    // "Relay 设置...": the dialog, with an explanation on the first start; what the
    // user saves takes effect at once.
    void openRelaySettings(const std::string& explanation = {});
    // New deployment values: the Relay Contexts of the category commands and the
    // download run follow (not while a command runs).
    void applyConfig(const Config& config);

    // Progress panel.
    void cancelCommand(); // _Cancel

    // Tray icon.
    void onTrayDoubleClick(); // double click with the left button
    void showFromTray();      // "显示主界面"
    void quitFromTray();      // "退出软件"

    // Caption, tray hint or version status changed.
    Signal<> frameChanged;
    // Hidden to the tray or restored.
    Signal<> trayChanged;
    // initialise() read the layout: views take it.
    Signal<> layoutLoaded;

private:
    void restore();

    Ports ports_;
    WindowFrame& frame_;
    Config config_;
    MainState state_;
    ItemView view_;
    ItemCommands commands_;
    // The category downloads' Relay Context and client.
    RelayContext relay_;
    HttpClient relayClient_;
    CategoryCommands categories_;
    DownloadRun run_;
    AboutBox about_;
    std::string caption_;
    std::string trayHint_;
    std::string versionStatus_;
    std::string relayHost_;
    bool hiddenToTray_ = false;
    bool trayMenuAttached_ = false;
    bool shown_ = false;
};

// "Listwright V" + the first three characters of the version text.
std::string mainCaption(const std::string& productTitle, const std::string& version);

} // namespace lw
