#include "app/desktop_frame.hpp"

#include "app/about_dialog.hpp"
#include "app/relay_settings_dialog.hpp"
#include "catalog/mapping_editor_window.hpp"
#include "harvest/harvest_dialog.hpp"
#include "package/price_rule_dialog.hpp"

#include <QCoreApplication>

namespace lw::gui {

DesktopFrame::DesktopFrame(Ports ports) : ports_(ports) {}

// A splash the main window never replaced (the start failed) goes with the frame.
DesktopFrame::~DesktopFrame() {
    delete splash_.data();
}

bool DesktopFrame::showHarvest(const std::string& caption, std::int64_t targetGroup) {
    if (!harvest_)
        harvest_ = std::make_unique<HarvestWindow>(
            HarvestPorts{ports_.db, ports_.dialogs, ports_.loop}, mainWindow_);
    return harvest_->exec(caption, targetGroup);
}

MappingEditorWindow* DesktopFrame::mappingEditor() {
    if (!editor_)
        editor_ = new MappingEditorWindow(ports_.db, ports_.dialogs, mainWindow_);
    return editor_;
}

void DesktopFrame::showMappingEditor() {
    mappingEditor()->exec();
}

std::optional<PriceRule> DesktopFrame::editPriceRule(const PriceRule& rule) {
    if (!priceRule_)
        priceRule_ = new PriceRuleDialog(mainWindow_);
    priceRule_->setRule(rule);
    if (priceRule_->exec() != QDialog::Accepted)
        return std::nullopt;
    return priceRule_->rule();
}

void DesktopFrame::showAbout(const AboutBox& about) {
    if (!about_)
        about_ = new AboutDialog(mainWindow_);
    about_->setAbout(about);
    about_->exec();
}

bool DesktopFrame::showRelaySettings(RelaySettingsLogic& settings) {
    RelaySettingsDialog dialog(settings, mainWindow_);
    return dialog.exec() == QDialog::Accepted;
}

void DesktopFrame::destroySplash() {
    if (splash_)
        splash_->deleteLater();
    splash_ = nullptr;
}

void DesktopFrame::closeWindow() {
    if (mainWindow_)
        mainWindow_->close();
}

void DesktopFrame::terminate() {
    terminating_ = true;
    QCoreApplication::exit(0);
}

} // namespace lw::gui
