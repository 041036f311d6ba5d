#include "catalog/catalog_hooks.hpp"

#include "catalog/category_commands.hpp"
#include "catalog/mapping_editor_window.hpp"
#include "net/http_client.hpp"
#include "net/relay.hpp"

#include <QObject>

namespace lw::gui {

namespace {

// The category downloads' Relay Context and client, owned by the main window.
class CategoryDownloads : public QObject {
public:
    CategoryDownloads(TfrmFromDownload& logic, QObject* parent)
        : QObject(parent), app(MakeRelayContext(logic.config())),
          commands(logic.ports().db, logic.state(), logic.ports().dialogs, logic.ports().loop, app,
                   client) {}

    TTBAPP app;
    HttpClient client{RelayPostOptions()};
    CategoryCommands commands;
};

} // namespace

MappingEditorWindow* InstallCatalogHooks(TfrmFromDownload& logic, QWidget* mainWindow) {
    auto* downloads = new CategoryDownloads(logic, mainWindow);
    CategoryCommands& c = downloads->commands;
    logic.hooks.D01Click = [&c] { c.D01Click(); };
    logic.hooks.D02Click = [&c] { c.D02Click(); };
    logic.hooks.D03Click = [&c] { c.D03Click(); };
    logic.hooks.N20Click = [&c] { c.N20Click(); };
    logic.hooks.N21Click = [&c] { c.N21Click(); };
    logic.hooks.N23Click = [&c] { c.N23Click(); };

    auto* editor = new MappingEditorWindow(logic.ports().db, logic.ports().dialogs, mainWindow);
    logic.hooks.showMappingEditor = [editor] { editor->exec(); };
    return editor;
}

} // namespace lw::gui
