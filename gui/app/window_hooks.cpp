#include "window_hooks.hpp"

#include "package/download_run.hpp"

#include <QObject>

#include <memory>

namespace lw::gui {
namespace {

// Keeps the download run as long as the main window lives.
class DownloadRunHolder : public QObject {
public:
    DownloadRunHolder(std::unique_ptr<DownloadRun> run, QObject* parent)
        : QObject(parent), run_(std::move(run)) {}

private:
    std::unique_ptr<DownloadRun> run_;
};

} // namespace

void InstallWindowHooks(TfrmFromDownload& logic, QWidget* mainWindow) {
    // Other subsystems assign their hooks here when their windows land, for example
    // logic.hooks.showHarvest, showMappingEditor, D01Click ... N23Click,
    // formRelayAddresses, startAllowance, startTips.
    // "开始下载": the panel and the list follow the run through their signals.
    new DownloadRunHolder(InstallDownloadRun(logic), mainWindow);
}

} // namespace lw::gui
