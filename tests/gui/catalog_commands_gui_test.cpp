// The category subsystem wired into the main window: Tools-menu downloads and counts
// reach the relay, the mapping button opens the editor.
#include "app/desktop_frame.hpp"
#include "app/main_window.hpp"
#include "app/main_window_widget.hpp"
#include "catalog/mapping_editor_window.hpp"
#include "fake_clock.hpp"
#include "relay_sim.hpp"
#include "relay_sim_setup.hpp"
#include "scripted_dialogs.hpp"
#include "store/database.hpp"
#include "temp_dir.hpp"
#include "ui/qt_event_loop.hpp"

#include <QAction>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

using namespace lw;
using namespace lw::gui;
using namespace lw::test;

namespace {

class CatalogCommandsGui : public ::testing::Test {
protected:
    void SetUp() override {
        Config config = startRelaySim(sim, testDataPath("catalog"), {"key1", "tok", "acc"});
        logic = std::make_unique<MainWindowLogic>(Ports{*db, dialogs, desktop, loop, clock}, frame,
                                                  dir.path(), config);
        logic->homeFolder = dir.path();
        window = std::make_unique<MainWindowWidget>(*logic, frame);
        editor = frame.mappingEditor();
        logic->initialise();
    }
    QAction* action(const char* name) {
        QAction* found = window->findChild<QAction*>(name);
        EXPECT_TRUE(found) << name;
        return found;
    }

    TempDir dir;
    std::unique_ptr<Database> db = makeTestDatabase(dir.path());
    relaysim::Server sim;
    ScriptedDialogs dialogs;
    FakeDesktop desktop;
    QtEventLoop loop;
    FakeClock clock;
    DesktopFrame frame{Ports{*db, dialogs, desktop, loop, clock}};
    std::unique_ptr<MainWindowLogic> logic;
    std::unique_ptr<MainWindowWidget> window;
    MappingEditorWindow* editor = nullptr;
};

TEST_F(CatalogCommandsGui, ToolsMenuDownloadsAndCounts) {
    dialogs.answers = {Answer::Yes, Answer::Yes, Answer::Yes};
    action("D01")->trigger();
    EXPECT_EQ(dialogs.last().text, "商品类目下载完成，请确认");
    action("D02")->trigger();
    EXPECT_EQ(dialogs.last().text, "商品类目属性1下载完成，请确认");
    action("D03")->trigger();
    EXPECT_EQ(dialogs.last().text, "商品类目属性2下载完成，请确认");
    EXPECT_EQ(sim.requests().size(), 3u);

    dialogs.clear();
    action("N20")->trigger();
    action("N21")->trigger();
    action("N23")->trigger();
    EXPECT_EQ(dialogs.messageTexts(),
              (std::vector<std::string>{"记录数:3", "记录数:2", "记录数:2"}));
    EXPECT_FALSE(logic->state().busy());
}

TEST_F(CatalogCommandsGui, MappingButtonOpensTheEditorModally) {
    db->exec("insert into TB_Mapping(FromValue01,FromValue02,ToValue) values ('裙','女','连衣裙')");
    bool wasShown = false;
    QTimer::singleShot(0, editor, [&] {
        wasShown = editor->isVisible() && editor->isModal();
        EXPECT_EQ(editor->logic().rows().size(), 1u);
        editor->findChild<QAction*>("_Close")->trigger();
    });
    logic->openMappingEditor();
    EXPECT_TRUE(wasShown);
    EXPECT_FALSE(editor->isVisible());
}

} // namespace
