#pragma once

#include "ui/choice_list.hpp"
#include "ui/diagnostic_log.hpp"
#include "ui/progress_panel.hpp"
#include "ui/signal.hpp"

#include <string>

namespace lw {

// The main window state that several commands share.
struct MainState {
    ProgressPanel panel;
    DiagnosticLog log;
    std::string saveFile;                 // _SaveFile: the Data Package path
    bool removeDescriptionLinks = true;   // "自动去除原宝贝描述超链接"
    bool localDescriptionPictures = true; // "宝贝描述中图片自动转成本地图片"
    bool pagePrice = false;               // "采用页面价格"
    bool skipFailedOffers = false;        // "出错时跳过该宝贝继续下载"
    std::string itemCatsText;             // the preferred top-level category's name
    ChoiceList itemCats;                  // _ItemCats entries; itemCats.value() is the cid
    std::string programFolder;            // with a trailing separator
    std::string productTitle = "Listwright";
    Signal<> optionsChanged; // saveFile, tick boxes or itemCatsText changed

    bool busy() const { return panel.visible(); }
};

} // namespace lw
