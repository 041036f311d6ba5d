// The check of every row a run writes: the remark, the end-of-run report, the item
// list's "检查" mark and its "有问题" filter after a restart.
#include "download_flow_fixture.hpp"
#include "items/item_query.hpp"
#include "platform/platform.hpp"
#include "temp_dir.hpp"

#include <gtest/gtest.h>

#include <filesystem>

using namespace lw;
using namespace lw::test;

namespace {

namespace fs = std::filesystem;

std::string offerAnswer(const std::string& id, const std::string& subject, const std::string& price,
                        const std::string& details, const std::string& images) {
    return "{\"result\":{\"toReturn\":[{\"subject\":\"" + subject + "\",\"details\":\"" + details +
           "\",\"offerId\":" + id + ",\"priceRanges\":[" + price +
           "],\"productFeatureList\":[],\"imageList\":[" + images + "]}]}}";
}

class RowCheckFlow : public DownloadFlowFixture {
protected:
    std::string fixtureFolder() override {
        fs::copy(platform::toPath(testDataPath("download")), platform::toPath(fixtures),
                 fs::copy_options::recursive);
        // No title, no price, no picture, and a description naming a file of this computer.
        writeFileBytes(fixtures + "/offers/5001.json",
                       offerAnswer("5001", "", "", "<img src='file:///nowhere/gone.jpg'>", ""));
        // A title of 31 Chinese characters: 62 bytes in GBK.
        std::string longTitle;
        for (int i = 0; i < 31; ++i)
            longTitle += "衣";
        writeFileBytes(
            fixtures + "/offers/5002.json",
            offerAnswer("5002", longTitle, "{\"price\":\"8.00\"}", "<p>x</p>",
                        "{\"originalImageURI\":\"http:\\/\\/img.example.com\\/a2.jpg\"}"));
        return fixtures;
    }

    std::string fixtures = dir.file("fixtures");
};

} // namespace

TEST_F(RowCheckFlow, RowsWithProblemsAreWrittenAndNamedInRemarkReportAndFilter) {
    addLink(group, "2001", "T恤", "0", "0", false, true);
    addLink(group, "5001", "坏", "0", "0", false, true);
    addLink(group, "5002", "长", "0", "0", false, true);
    startWindow();
    startAndRun();
    ASSERT_EQ(run->outcome(), RunOutcome::Completed);
    // Every row is written: the user decides.
    EXPECT_EQ(run->rowsWritten(), 3);

    // The supplier's local file address is emptied, not followed.
    const std::string errors5001 = "错误:标题为空,价格不是正数";
    const std::string warnings5001 = "警告:类目为0,数量为0,没有主图";
    const std::string warnings5002 = "警告:类目为0,数量为0,标题超过60字节(62字节)";
    EXPECT_EQ(rowOf("2001").sub[kSubCheck], "通过");
    EXPECT_EQ(rowOf("5001").sub[kSubCheck], "错误");
    EXPECT_EQ(rowOf("5002").sub[kSubCheck], "警告");
    EXPECT_EQ(rowOf("5001").sub[kSubRemark],
              "完成-2012:03:05 14:07:00:产品类别:;"
              "描述中指向本机文件的图片地址已清空:file:///nowhere/gone.jpg;" +
                  errors5001 + ";" + warnings5001);
    EXPECT_EQ(rowOf("5002").sub[kSubRemark], "完成-2012:03:05 14:07:00:产品类别:;" + warnings5002);

    // The run's value for a summary, and its end-of-run report.
    ASSERT_EQ(run->rowChecks().size(), 3u);
    EXPECT_EQ(run->rowChecks()[1].offerId, "5001");
    EXPECT_EQ(run->rowChecks()[1].problems.errors.size(), 2u);
    EXPECT_EQ(run->problemsReport(), "数据有错误的宝贝 1 个:\r\n  5001 " + errors5001 + ";" +
                                         warnings5001 + "\r\n数据有警告的宝贝 1 个:\r\n  5002 " +
                                         warnings5002 + "\r\n");
    EXPECT_EQ(dialogs.last().text,
              "完成下载并生成淘宝助理数据包.\r\n写入数据包的宝贝 3 个\r\n" + run->problemsReport() +
                  "用时 0 秒\r\n数据包: " + run->packagePath() + "\r\n现在是否要打开文件位置?");

    // After a restart "有问题" finds the two, with their marks.
    startWindow();
    window->view().setStatus(StateFilter::Problems);
    window->view().applyFilter();
    ASSERT_EQ(window->list().size(), 2);
    EXPECT_EQ(rowOf("5001").sub[kSubCheck], "错误");
    EXPECT_EQ(rowOf("5002").sub[kSubCheck], "警告");
    window->view().setStatus(StateFilter::All);
    window->view().applyFilter();
    EXPECT_EQ(window->list().size(), 3);
    EXPECT_EQ(rowOf("2001").sub[kSubCheck], "通过");

    // Downloaded again, the row is checked afresh: a shorter title, now no picture.
    writeFileBytes(fixtures + "/offers/5002.json",
                   offerAnswer("5002", "围巾", "{\"price\":\"8.00\"}", "<p>x</p>", ""));
    window->list().setTicked(window->list().indexOfUniqid(rowOf("5002").uniqid), true);
    dialogs.fileExistsChoices.push_back(FileExistsChoice::Append);
    dialogs.answers.push_back(Answer::Yes);
    startAndRun();
    EXPECT_EQ(rowOf("5002").sub[kSubRemark],
              "完成-2012:03:05 14:07:00:产品类别:;警告:类目为0,数量为0,没有主图");
    EXPECT_EQ(db->query("select CheckState from TB_URL where num_iid='5002'").first(), "2");
}

TEST_F(RowCheckFlow, ALongRunsReportListsTwentyAndCountsTheRest) {
    for (int i = 0; i < 21; ++i) {
        const std::string id = std::to_string(6001 + i);
        writeFileBytes(
            fixtures + "/offers/" + id + ".json",
            offerAnswer(id, "围巾", "{\"price\":\"8.00\"}", "<p>x</p>",
                        "{\"originalImageURI\":\"http:\\/\\/img.example.com\\/a2.jpg\"}"));
        addLink(group, id, "围巾", "0", "0", false, true);
    }
    startWindow();
    startAndRun();
    ASSERT_EQ(run->rowsWritten(), 21);
    const std::string report = run->problemsReport();
    EXPECT_EQ(report.rfind("数据有警告的宝贝 21 个:\r\n  6001 警告:类目为0,数量为0\r\n", 0), 0u);
    EXPECT_NE(report.find("  6020 警告"), std::string::npos);
    EXPECT_EQ(report.find("  6021 警告"), std::string::npos);
    const std::string rest = "  ...另有 1 个(见列表中各项的备注)\r\n";
    ASSERT_GT(report.size(), rest.size());
    EXPECT_EQ(report.substr(report.size() - rest.size()), rest);
}
