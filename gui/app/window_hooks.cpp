#include "window_hooks.hpp"

namespace lw::gui {

void InstallWindowHooks(TfrmFromDownload& logic, QWidget* mainWindow) {
    // Each subsystem assigns its hook here when its window lands, for example:
    //   logic.hooks.showHarvest = [&logic, mainWindow](const std::string& caption,
    //                                                  std::int64_t targetGroup) { ... };
    //   logic.hooks.startDownload, showMappingEditor, D01Click ... N23Click,
    //   formRelayAddresses, startAllowance, startTips.
    (void)logic;
    (void)mainWindow;
}

} // namespace lw::gui
