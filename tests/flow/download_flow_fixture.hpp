#pragma once

#include "main_window_fixture.hpp"
#include "package/download_run.hpp"
#include "package/package_names.hpp"
#include "package/picture_names.hpp"
#include "platform/platform.hpp"
#include "relay_sim.hpp"
#include "relay_sim_setup.hpp"
#include "store/text_routines.hpp"
#include "util/codec.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace lw::test {

inline const std::string kPictureHost = "http://img.example.com/";

// Every file of a folder by name, with its bytes.
inline std::map<std::string, std::string> folderFiles(const std::string& folder) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(platform::toPath(folder), ec))
        files[entry.path().filename().string()] = readFileBytes(entry.path().string());
    return files;
}

// A picture of the download fixtures.
inline std::string picture(const std::string& path) {
    return readFileBytes(testDataPath("download/pictures/img.example.com/" + path));
}

inline std::string utf16(const std::string& text) {
    return *utf8ToUtf16Le(text);
}

// A main window with the download run over a real database, relay-sim serving
// tests/data/download, and a package path in the temp folder.
class DownloadFlowFixture : public MainWindowFlow {
protected:
    void SetUp() override {
        config = startRelaySim(sim, fixtureFolder());
        db->exec("insert into TB_Itemcats (cid,parent_cid,name,is_parent) values (16,0,'女装',1)");
        db->exec("insert into TB_Itemcats (cid,parent_cid,name,is_parent) values "
                 "(50000671,16,'T恤',0)");
        group = addGroup("女装");
        std::filesystem::create_directories(platform::toPath(dir.path() + "/out"));
        package = nativePath(dir.path() + "/out/淘宝助理数据包_test.csv");
    }

    // What relay-sim serves.
    virtual std::string fixtureFolder() { return testDataPath("download"); }

    // The window with the run, the list loaded, the package path set.
    void startWindow() {
        window = std::make_unique<MainWindowLogic>(Ports{*db, dialogs, desktop, loop, clock}, frame,
                                                   dir.path() + "/program", config);
        window->homeFolder = dir.path() + "/home";
        window->version = "1.0.0.1";
        window->loadDelayMs = 0;
        window->initialise();
        window->onShown();
        ASSERT_TRUE(loop.runUntil([&] { return window->trayMenuAttached(); }));
        run = &window->downloadRun();
        run->pictureOptions.proxy = sim.url();
        run->timerIntervalMs = 1;
        window->state().saveFile = package;
    }

    // "开始下载" answered Yes, then the run to its end.
    void startAndRun() {
        dialogs.answers.push_back(Answer::Yes);
        window->startDownload();
        ASSERT_EQ(run->outcome(), RunOutcome::Running);
        runToEnd();
    }

    void runToEnd() {
        using namespace std::chrono_literals;
        ASSERT_TRUE(loop.runUntil([&] { return run->outcome() != RunOutcome::Running; }, 10s));
        // Let the last jobs end so their requests are all in.
        loop.runUntil([&] { return false; }, 50ms);
    }

    const ItemRow& rowOf(const std::string& id) {
        for (const ItemRow& r : window->list().rows())
            if (r.sub[kSubNumIid] == id)
                return r;
        throw std::runtime_error("no row " + id);
    }

    int pictureRequests(const std::string& path) {
        int n = 0;
        for (const auto& r : sim.requests())
            if (r.role == "picture" && r.path == path)
                ++n;
        return n;
    }

    std::string pictureFolder() const { return pictureFolderOf(package); }
    std::string descFolder() const { return descriptionFolderOf(package); }

    // The golden package file for the rows given (1: offer 2001, 2: offer 2002), each
    // row's fields (by column number - 1) first changed by change when given.
    std::string expectedPackage(std::initializer_list<int> rows,
                                const std::function<void(std::vector<std::string>&)>& change = {}) {
        std::string golden = readFileBytes(testDataPath("download/expected_package.txt"));
        // The description's local references take this system's form.
        golden = replaceAll(golden, "file://@DESC@/", localPictureAddress(descFolder(), ""));
        std::vector<std::string> lines;
        size_t from = 0;
        while (true) {
            size_t at = golden.find("\r\n", from);
            lines.push_back(golden.substr(from, at - from));
            if (at == std::string::npos)
                break;
            from = at + 2;
        }
        std::string text = lines[0] + "\r\n" + lines[1] + "\r\n" + lines[2];
        for (int r : rows) {
            std::string line = lines[static_cast<size_t>(2 + r)];
            if (change) {
                std::vector<std::string> fields = splitText(line, "\t");
                change(fields);
                line.clear();
                for (size_t i = 0; i < fields.size(); ++i)
                    line += (i ? "\t" : "") + fields[i];
            }
            text += "\r\n" + line;
        }
        return "\xff\xfe" + utf16(text);
    }

    // The golden row's fields as they are when no picture could be fetched: no entry in
    // the picture column, and the description's remote addresses.
    void withoutPictures(std::vector<std::string>& fields) {
        fields.at(26) = "";
        fields.at(28) = "\"\"";
        // Each reference keeps its remote address; y.jpgsize=big is named from y.jpg?size=big.
        fields.at(20) =
            replaceAll(fields.at(20), localPictureAddress(descFolder(), "y.jpgsize=big"),
                       kPictureHost + "d/y.jpg?size=big");
        fields.at(20) =
            replaceAll(fields.at(20), localPictureAddress(descFolder(), ""), kPictureHost + "d/");
    }

    std::map<std::string, std::string> expectedPictures() {
        return {{pictureName(kPictureHost + "a1.jpg") + ".tbi", picture("a1.jpg")},
                {pictureName(kPictureHost + "a2.jpg") + ".tbi", picture("a2.jpg")},
                {pictureName(kPictureHost + "p1.jpg") + ".tbi", picture("p1.jpg")}};
    }

    relaysim::Server sim;
    Config config; // the Relay values pointing at sim
    std::int64_t group = 0;
    std::string package;
    DownloadRun* run = nullptr; // the window's
};

} // namespace lw::test
