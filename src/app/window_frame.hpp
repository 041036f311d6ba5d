#pragma once

#include "package/price_rule.hpp"

#include <cstdint>
#include <optional>
#include <string>

namespace lw {

struct AboutBox;
class RelaySettingsLogic;

// What the main window's logic asks of the program around it: the windows it opens and
// the frame's own acts. The desktop program implements every act; a caller without
// windows (the command line, a test) keeps the defaults, which do nothing.
class WindowFrame {
public:
    virtual ~WindowFrame() = default;

    // "搜索添加对方店铺宝贝": the harvest window, created on first use and kept, shown
    // modally with this caption and target Group (Uniqid, 0 when none). True when it
    // added Item Links, upon which the list is reloaded.
    virtual bool showHarvest(const std::string& caption, std::int64_t targetGroup) {
        (void)caption;
        (void)targetGroup;
        return false;
    }
    // "产品类别与淘宝类目映射定义": the mapping editor, modal.
    virtual void showMappingEditor() {}
    // The options bar's price rule button: the rule's small dialog, modal, starting
    // from rule. The rule confirmed, or nullopt when the dialog was cancelled.
    virtual std::optional<PriceRule> editPriceRule(const PriceRule& rule) {
        (void)rule;
        return std::nullopt;
    }
    virtual void showAbout(const AboutBox& about) { (void)about; }
    // "Relay 设置...": the settings dialog, modal. True when the user saved.
    virtual bool showRelaySettings(RelaySettingsLogic& settings) {
        (void)settings;
        return false;
    }
    // The main window exists: the splash goes.
    virtual void destroySplash() {}
    // Closes the main window the ordinary way (settings stored on the way).
    virtual void closeWindow() {}
    // Ends the program at once.
    virtual void terminate() {}
};

} // namespace lw
