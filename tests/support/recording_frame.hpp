#pragma once

#include "app/about_box.hpp"
#include "app/window_frame.hpp"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace lw::test {

// The main window's frame as a test sees it: every act is recorded by name; the harvest
// window's answer comes from harvest when set.
class RecordingFrame : public WindowFrame {
public:
    std::vector<std::string> acts;
    std::function<bool(const std::string& caption, std::int64_t targetGroup)> harvest;
    std::string aboutLabel;
    // The price rule dialog's answer; unset: cancelled.
    std::function<std::optional<PriceRule>(const PriceRule& shown)> priceRule;

    bool showHarvest(const std::string& caption, std::int64_t targetGroup) override {
        acts.push_back("harvest");
        return harvest ? harvest(caption, targetGroup) : false;
    }
    void showMappingEditor() override { acts.push_back("mapping editor"); }
    std::optional<PriceRule> editPriceRule(const PriceRule& rule) override {
        acts.push_back("price rule");
        return priceRule ? priceRule(rule) : std::nullopt;
    }
    void showAbout(const AboutBox& about) override {
        acts.push_back("about");
        aboutLabel = about.versionLabel();
    }
    void destroySplash() override { acts.push_back("splash destroyed"); }
    void closeWindow() override { acts.push_back("close"); }
    void terminate() override { acts.push_back("terminate"); }

    bool did(const std::string& act) const {
        for (const auto& a : acts)
            if (a == act)
                return true;
        return false;
    }
};

} // namespace lw::test
