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
    CategoryDownloads(MainWindowLogic& logic, QObject* parent)
        : QObject(parent), app(makeRelayContext(logic.config())),
          commands(logic.ports().db, logic.state(), logic.ports().dialogs, logic.ports().loop, app,
                   client) {}

    RelayContext app;
    HttpClient client{relayPostOptions()};
    CategoryCommands commands;
};

} // namespace

MappingEditorWindow* installCatalogHooks(MainWindowLogic& logic, QWidget* mainWindow) {
    auto* downloads = new CategoryDownloads(logic, mainWindow);
    CategoryCommands& c = downloads->commands;
    logic.hooks.downloadCategoryTree = [&c] { c.downloadCategoryTree(); };
    logic.hooks.downloadCategoryProperties = [&c] { c.downloadCategoryProperties(); };
    logic.hooks.downloadPropertyValues = [&c] { c.downloadPropertyValues(); };
    logic.hooks.countCategories = [&c] { c.countCategories(); };
    logic.hooks.countCategoryProperties = [&c] { c.countCategoryProperties(); };
    logic.hooks.countPropertyValues = [&c] { c.countPropertyValues(); };

    auto* editor = new MappingEditorWindow(logic.ports().db, logic.ports().dialogs, mainWindow);
    logic.hooks.showMappingEditor = [editor] { editor->exec(); };
    return editor;
}

} // namespace lw::gui
