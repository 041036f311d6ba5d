#pragma once

#include "catalog/preferred_categories.hpp"
#include "ui/signal.hpp"

#include <string>

namespace lw {

// The main window's progress panel (_ProcessPanel): while it is visible the window is
// busy and the commands that reload or change the list do nothing. _Cancel hides it
// and sets the cancel flag, which the running loop tests.
class ProgressPanel {
public:
    bool visible() const { return visible_; }
    const std::string& caption() const { return caption_; }
    bool cancelled() const { return cancelled_; }

    void show(const std::string& caption) {
        visible_ = true;
        caption_ = caption;
        changed.emit();
    }
    void setCaption(const std::string& caption) {
        caption_ = caption;
        changed.emit();
    }
    void hide() {
        visible_ = false;
        changed.emit();
    }
    // The _Cancel button ("取消").
    void cancelClick() {
        visible_ = false;
        cancelled_ = true;
        changed.emit();
    }
    void clearCancel() { cancelled_ = false; }

    Signal<> changed;

private:
    bool visible_ = false;
    bool cancelled_ = false;
    std::string caption_ = "正在处理中...";
};

// The diagnostic memo _Debug, shown and hidden with Ctrl+Alt+I. Lines are only kept
// while it is visible.
class DiagnosticLog {
public:
    bool visible() const { return visible_; }
    const std::string& text() const { return text_; }
    void toggle() {
        visible_ = !visible_;
        changed.emit();
    }
    void setVisible(bool visible) {
        visible_ = visible;
        changed.emit();
    }
    // Appends one line when the log is visible.
    void append(const std::string& line) {
        if (!visible_)
            return;
        text_ += line;
        text_ += "\n";
        appended.emit(line);
    }
    // Appends one line whether or not the log is visible (errors worth keeping).
    void appendAlways(const std::string& line) {
        text_ += line;
        text_ += "\n";
        appended.emit(line);
    }
    void clear() { text_.clear(); }

    Signal<> changed;
    Signal<const std::string&> appended;

private:
    bool visible_ = false;
    std::string text_;
};

// The main window state that several commands share.
struct MainState {
    ProgressPanel panel;
    DiagnosticLog log;
    std::string saveFile;                 // _SaveFile: the Data Package path
    bool removeDescriptionLinks = true;   // "自动去除原宝贝描述超链接"
    bool localDescriptionPictures = true; // "宝贝描述中图片自动转成本地图片"
    bool pagePrice = false;               // "采用页面价格"
    std::string itemCatsText;             // the preferred top-level category's name
    ItemCatsPicker itemCats;              // _ItemCats entries; itemCats.value() is the cid
    std::string programFolder;            // with a trailing separator
    std::string productTitle = "Listwright";
    Signal<> optionsChanged; // saveFile, tick boxes or itemCatsText changed

    bool busy() const { return panel.visible(); }
};

} // namespace lw
