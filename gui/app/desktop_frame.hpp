#pragma once

#include "app/window_frame.hpp"
#include "ui/ports.hpp"

#include <QPointer>
#include <QWidget>

#include <memory>

namespace lw::gui {

class AboutDialog;
class HarvestWindow;
class MappingEditorWindow;
class PriceRuleDialog;

// The desktop program's side of the main window: the splash it replaces, the windows
// it opens (each created on first use and kept) and the frame's own acts.
class DesktopFrame : public WindowFrame {
public:
    explicit DesktopFrame(Ports ports);
    ~DesktopFrame() override;
    DesktopFrame(const DesktopFrame&) = delete;
    DesktopFrame& operator=(const DesktopFrame&) = delete;

    // The main window, once it exists: parent of the windows opened and what closes.
    void setMainWindow(QWidget* window) { mainWindow_ = window; }
    void setSplash(QWidget* splash) { splash_ = splash; }

    bool showHarvest(const std::string& caption, std::int64_t targetGroup) override;
    void showMappingEditor() override;
    std::optional<PriceRule> editPriceRule(const PriceRule& rule) override;
    void showAbout(const AboutBox& about) override;
    bool showRelaySettings(RelaySettingsLogic& settings) override;
    void destroySplash() override;
    void closeWindow() override;
    void terminate() override;

    // The logic asked the program to end at once (online update).
    bool terminating() const { return terminating_; }
    MappingEditorWindow* mappingEditor();

private:
    Ports ports_;
    QPointer<QWidget> mainWindow_;
    QPointer<QWidget> splash_;
    std::unique_ptr<HarvestWindow> harvest_;
    QPointer<MappingEditorWindow> editor_;
    QPointer<AboutDialog> about_;
    QPointer<PriceRuleDialog> priceRule_;
    bool terminating_ = false;
};

} // namespace lw::gui
