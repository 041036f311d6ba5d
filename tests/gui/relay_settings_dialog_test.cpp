// The Relay settings dialog offscreen: its fields, "测试连接" against relay-sim (a good
// host and a wrong port), the warning, and 确定 writing the file the program reads.
#include "app/first_start.hpp"
#include "app/relay_settings.hpp"
#include "app/relay_settings_dialog.hpp"
#include "platform/platform.hpp"
#include "relay_sim.hpp"
#include "relay_sim_setup.hpp"
#include "scoped_env.hpp"
#include "temp_dir.hpp"
#include "ui/qt_event_loop.hpp"
#include "wait_for.hpp"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>

using namespace lw;
using namespace lw::gui;
using namespace lw::test;

namespace {

class RelaySettingsDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim.start(testDataPath("relay-basic"));
        for (const char* name : {"LISTWRIGHT_RELAY_HOST", "LISTWRIGHT_APP_KEY",
                                 "LISTWRIGHT_ACCESS_TOKEN", "LISTWRIGHT_ACCOUNT_CODE"})
            env.set(name, nullptr);
        file = dir.file("listwright.conf");
        env.set("LISTWRIGHT_CONFIG", file.c_str());
    }

    template <typename T> T* child(QWidget* w, const char* name) {
        T* c = w->findChild<T*>(name);
        EXPECT_NE(c, nullptr) << name;
        return c;
    }

    void type(QLineEdit* edit, const std::string& text) {
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, QString::fromStdString(text));
    }

    TempDir dir;
    relaysim::Server sim;
    ScopedEnv env;
    QtEventLoop loop;
    std::string file;
};

} // namespace

TEST_F(RelaySettingsDialogTest, TestsTheConnectionAndWritesTheFileWhichLoadsAgain) {
    // The first start: no file, the explanation above the fields.
    RelaySettingsLogic logic(loop, loadConfig(dir.path()), dir.path());
    logic.explanation = kFirstStartExplanation;
    RelaySettingsDialog dialog(logic);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Relay 设置");
    EXPECT_TRUE(child<QLabel>(&dialog, "_Explanation")->isVisible());
    EXPECT_EQ(child<QLabel>(&dialog, "_ConfigFile")->text().toStdString(), "设置保存在 " + file);
    auto* host = child<QLineEdit>(&dialog, "_Host");
    auto* test = child<QPushButton>(&dialog, "_TestConnection");
    auto* result = child<QLabel>(&dialog, "_TestResult");
    EXPECT_EQ(test->text(), "测试连接");
    type(host, "127.0.0.1:1");
    type(child<QLineEdit>(&dialog, "_AppKey"), "key-1");
    type(child<QLineEdit>(&dialog, "_AccessToken"), "token-1");
    type(child<QLineEdit>(&dialog, "_AccountCode"), "acc");

    // A wrong port, then the good host; the window keeps running while it waits.
    QTest::mouseClick(test, Qt::LeftButton);
    EXPECT_FALSE(test->isEnabled());
    ASSERT_TRUE(waitFor([&] { return test->isEnabled(); }));
    EXPECT_TRUE(result->text().startsWith("连接失败: 无法连接 http://127.0.0.1:1"))
        << result->text().toStdString();
    type(host, sim.hostPort());
    QTest::mouseClick(test, Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return test->isEnabled(); }));
    EXPECT_EQ(result->text(), "连接成功: Relay 已应答。");

    // A host elsewhere without TLS: the warning shows while it is typed.
    auto* warning = child<QLabel>(&dialog, "_Warning");
    EXPECT_FALSE(warning->isVisible());
    type(host, "relay.example.com");
    EXPECT_TRUE(warning->isVisible());
    EXPECT_TRUE(warning->text().startsWith("注意: 地址不是 https://"));
    type(host, sim.hostPort());
    EXPECT_FALSE(warning->isVisible());

    QTest::mouseClick(child<QPushButton>(&dialog, "_OK"), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    Config saved = loadConfig(dir.path());
    EXPECT_EQ(saved.sourceFile, file);
    EXPECT_EQ(saved.relayHost, sim.hostPort());
    EXPECT_EQ(saved.accessToken, "token-1");
    EXPECT_EQ(logic.config().relayHost, sim.hostPort());

    // Opened again, it shows what the file holds; an overriding variable is noted.
    env.set("LISTWRIGHT_APP_KEY", "from-env");
    RelaySettingsLogic again(loop, loadConfig(dir.path()), dir.path());
    RelaySettingsDialog second(again);
    second.show();
    EXPECT_FALSE(child<QLabel>(&second, "_Explanation")->isVisible());
    EXPECT_EQ(child<QLineEdit>(&second, "_Host")->text().toStdString(), sim.hostPort());
    EXPECT_EQ(child<QLineEdit>(&second, "_AppKey")->text(), "key-1");
    auto* note = child<QLabel>(&second, "_AppKeyOverride");
    EXPECT_TRUE(note->isVisible());
    EXPECT_EQ(note->text(), "环境变量 LISTWRIGHT_APP_KEY 的值优先，此处的设置暂不生效");
    EXPECT_FALSE(child<QLabel>(&second, "_HostOverride")->isVisible());
}

TEST_F(RelaySettingsDialogTest, AFileThatCannotBeWrittenKeepsTheDialogOpen) {
    // The configuration "file" is a folder: writing fails and says so.
    std::filesystem::create_directories(platform::toPath(file));
    RelaySettingsLogic logic(loop, loadConfig(dir.path()), dir.path());
    RelaySettingsDialog dialog(logic);
    dialog.show();
    type(child<QLineEdit>(&dialog, "_Host"), "127.0.0.1:5");
    QTest::mouseClick(child<QPushButton>(&dialog, "_OK"), Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(child<QLabel>(&dialog, "_TestResult")->text().startsWith("无法"))
        << child<QLabel>(&dialog, "_TestResult")->text().toStdString();
}
