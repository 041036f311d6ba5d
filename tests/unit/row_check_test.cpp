#include "package/package_check.hpp"
#include "package/package_file.hpp"
#include "package/package_names.hpp"
#include "package/picture_names.hpp"
#include "package/row_check.hpp"
#include "platform/platform.hpp"
#include "temp_dir.hpp"
#include "util/codec.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

using namespace lw;
using test::TempDir;
using test::writeFileBytes;

namespace {

// A row that passes: title, leaf category, price, quantity, one main picture on disk.
struct RowFixture {
    TempDir dir;
    std::string folder = dir.file("pkg");
    std::string descFolder = folder + "_DESC";
    CategoryTree tree;
    PackageRowValues row;

    RowFixture() {
        std::filesystem::create_directories(platform::toPath(folder));
        writeFileBytes(pictureFilePath(folder, "abc"), "jpg");
        std::filesystem::create_directories(platform::toPath(descFolder));
        writeFileBytes(platform::joinPath(descFolder, "d.jpg"), "jpg");
        tree.known = true;
        tree.all = {"16", "50000671"};
        tree.leaves = {"50000671"};
        row.title = "女式T恤";
        row.cid = "50000671";
        row.price = "12.50";
        row.num = "4";
        row.picture = mainPictureEntry("abc", 0);
        row.description = "<img src=\"" + localPictureAddress(descFolder, "d.jpg") + "\">";
    }
    RowProblems check() { return checkRowValues(row, tree, folder); }
};

} // namespace

TEST(RowCheck, AWholeRowPasses) {
    RowFixture f;
    EXPECT_EQ(f.check(), RowProblems{});
    EXPECT_EQ(f.check().text(), "");
}

TEST(RowCheck, EachFaultGivesItsProblem) {
    struct Case {
        const char* name;
        std::function<void(RowFixture&)> change;
        std::vector<std::string> errors;
        std::vector<std::string> warnings;
    };
    std::string longTitle;
    for (int i = 0; i < 31; ++i)
        longTitle += "衣";
    const Case cases[] = {
        {"empty title", [](RowFixture& f) { f.row.title = "  "; }, {"标题为空"}, {}},
        {"empty price", [](RowFixture& f) { f.row.price = ""; }, {"价格不是正数"}, {}},
        {"zero price", [](RowFixture& f) { f.row.price = "0.00"; }, {"价格不是正数(0.00)"}, {}},
        {"text price", [](RowFixture& f) { f.row.price = "12元"; }, {"价格不是正数(12元)"}, {}},
        // Taobao takes prices below 100 000 000 yuan.
        {"price beyond Taobao's",
         [](RowFixture& f) { f.row.price = "100000000.00"; },
         {"价格超过淘宝上限(100000000.00),应低于100000000元"},
         {}},
        {"highest price", [](RowFixture& f) { f.row.price = "099999999.99"; }, {}, {}},
        {"missing description picture",
         [](RowFixture& f) {
             f.row.description +=
                 "<img src=\"" + localPictureAddress(f.descFolder, "gone.jpg") + "?size=big\">";
         },
         {"描述图片文件不存在:@PATH@"},
         {}},
        // Taobao Assistant uploads what a row names: nothing outside the package's
        // folders is followed.
        {"local reference outside the package",
         [](RowFixture& f) {
             f.row.description += "<img src=\"file:///etc/passwd\">" + std::string("<img src=\"") +
                                  localPictureAddress(f.descFolder, "../d.jpg") + "\">";
         },
         {"描述图片不在数据包的文件夹中:/etc/passwd",
          "描述图片不在数据包的文件夹中:@DESC@../d.jpg"},
         {}},
        {"picture name that is not a file name",
         [](RowFixture& f) { f.row.picture += mainPictureEntry("../../etc/passwd", 1); },
         {"图片名不是文件名:../../etc/passwd"},
         {}},
        {"missing main picture file",
         [](RowFixture& f) { f.row.picture = mainPictureEntry("nothere", 0); },
         {"图片文件不存在:@PATH@"},
         {}},
        // Two colours (or sizes) of one offer that came back with one value id: Taobao
        // refuses such SKUs.
        {"two colours with one value id",
         [](RowFixture& f) {
             f.row.propAlias = "1627207:28326:红色;1627207:28338:蓝色;1627207:28326:酒红色";
             f.row.skuProps = "12.50:1::20509:28314;1627207:28326;12.50:1::20509:28314;"
                              "1627207:28338;12.50:1::20509:28314;1627207:28326;";
         },
         {"颜色值ID重复:红色,酒红色"},
         {}},
        {"two sizes with one value id",
         [](RowFixture& f) {
             f.row.propAlias = "1627207:28326:红色;1627207:28338:蓝色";
             f.row.skuProps = "12.50:1::20509:28314;1627207:28326;12.50:1::20509:28314;"
                              "1627207:28326;12.50:1::20509:28314;1627207:28338;"
                              "12.50:1::20509:28315;1627207:28338;";
         },
         {"尺码值ID重复:20509:28314"},
         {}},
        {"every colour and size its own value id",
         [](RowFixture& f) {
             f.row.propAlias = "1627207:28326:红色;1627207:28338:蓝色";
             f.row.skuProps = "12.50:1::20509:28314;1627207:28326;12.50:1::20509:28315;"
                              "1627207:28326;12.50:1::20509:28314;1627207:28338;";
         },
         {},
         {}},
        {"category 0", [](RowFixture& f) { f.row.cid = "0"; }, {}, {"类目为0"}},
        {"category not a leaf",
         [](RowFixture& f) { f.row.cid = "16"; },
         {},
         {"类目16不是类目树的末级类目"}},
        {"quantity 0", [](RowFixture& f) { f.row.num = "0"; }, {}, {"数量为0"}},
        {"no main picture",
         [](RowFixture& f) { f.row.picture = propertyPictureEntry("abc", "1", "1627207:28326"); },
         {},
         {"没有主图"}},
        {"title of 62 GBK bytes",
         [longTitle](RowFixture& f) { f.row.title = longTitle; },
         {},
         {"标题超过60字节(62字节)"}},
    };
    for (const Case& c : cases) {
        RowFixture f;
        c.change(f);
        RowProblems p = f.check();
        std::vector<std::string> errors = c.errors;
        for (std::string& e : errors) {
            if (std::size_t at = e.find("@DESC@"); at != std::string::npos)
                e.replace(at, 6, platform::joinPath(f.descFolder, ""));
            if (e.find("@PATH@") == std::string::npos)
                continue;
            std::string file = e.find("描述") == 0 ? platform::joinPath(f.descFolder, "gone.jpg")
                                                   : pictureFilePath(f.folder, "nothere");
            e.replace(e.find("@PATH@"), 6, file);
        }
        EXPECT_EQ(p.errors, errors) << c.name;
        EXPECT_EQ(p.warnings, c.warnings) << c.name;
    }
}

TEST(RowCheck, ThirtyChineseCharactersAreStillAllowed) {
    RowFixture f;
    f.row.title.clear();
    for (int i = 0; i < 30; ++i)
        f.row.title += "衣";
    EXPECT_TRUE(f.check().empty());
}

TEST(RowCheck, WithoutAStoredTreeOnlyCategoryZeroIsFlagged) {
    RowFixture f;
    f.tree = CategoryTree{};
    f.row.cid = "123456";
    EXPECT_TRUE(f.check().empty());
    f.row.cid = "";
    EXPECT_EQ(f.check().warnings, std::vector<std::string>{"类目为0"});
}

TEST(RowCheck, ProblemsText) {
    RowProblems p{{"标题为空", "价格不是正数"}, {"数量为0"}};
    EXPECT_EQ(p.text(), "错误:标题为空,价格不是正数;警告:数量为0");
    EXPECT_EQ((RowProblems{{}, {"类目为0", "数量为0"}}).text(), "警告:类目为0,数量为0");
}

TEST(RowCheck, LocalDescriptionFilesInEitherSystemsForm) {
    EXPECT_EQ(localDescriptionFiles("<img src=\"file:///tmp/a b/x.jpg?size=big\"><img "
                                    "src=\"http://h/y.jpg\"><div background=\"FILE:///D:\\p\\"
                                    "淘宝_DESC\\bg.gif\">"),
              (std::vector<std::string>{"/tmp/a b/x.jpg", "D:\\p\\淘宝_DESC\\bg.gif"}));
    EXPECT_EQ(localDescriptionFiles("<img src='file:///tmp/O\"Neil/a.jpg'><img src=file:///b.jpg>"),
              (std::vector<std::string>{"/tmp/O\"Neil/a.jpg", "/b.jpg"}));
    EXPECT_TRUE(localDescriptionFiles("<p>无图</p>").empty());
}

// The run reads its row line back as the importer does.
TEST(RowCheck, ARowLineThatDoesNotReadAsOneRowIsAnError) {
    auto line = [](const std::string& description, int columns) {
        std::string text = "x";
        for (int i = 1; i < columns; ++i)
            text += "\t" + std::string(i == 20 ? description : "x");
        return text;
    };
    EXPECT_EQ(rowLineProblem(line("\"<img src=\"a.jpg\" \r\n/>\"", 50)), "");
    EXPECT_EQ(rowLineProblem(line("\"<img src=\"a.jpg\"\r\n/>\"", 50)), "导入时被读成2行");
    EXPECT_EQ(rowLineProblem(line("x", 49)), "有49个字段,应为50个");
    // A row about to be written is read the same way, so the check sees what the
    // importer sees: here the quote gets its blank and the row reads whole.
    RowFixture f;
    f.row.description += "<img src=\"x\"\r\n/>";
    EXPECT_EQ(f.check(), RowProblems{});
}

TEST(PackageRecords, QuotedFieldRunsToTheQuoteBeforeATabOrTheLineEnd) {
    std::vector<PackageFileRow> records = splitPackageRecords(
        "a\t\"x\"y\tz\"\tb\r\n\"line\r\nbreak\"\t\"\"\r\n\"cut\"\r\nend\"\t\r\nlast\t\"open");
    ASSERT_EQ(records.size(), 5u);
    EXPECT_EQ(records[0].fields, (std::vector<std::string>{"a", "x\"y\tz", "b"}));
    // A description may hold line breaks inside its quotes.
    EXPECT_EQ(records[1].fields, (std::vector<std::string>{"line\r\nbreak", ""}));
    // A quote before a line break ends the field there, as the importer reads it.
    EXPECT_EQ(records[2].fields, (std::vector<std::string>{"cut"}));
    EXPECT_EQ(records[3].fields, (std::vector<std::string>{"end\"", ""}));
    EXPECT_EQ(records[4].fields, (std::vector<std::string>{"last", "open"}));
    EXPECT_EQ(records[4].line, 5);
}

namespace {

// A package file written the way the run writes it, each row's fields given.
std::string writePackage(const TempDir& dir, const std::vector<PackageRow>& rows,
                         const std::function<std::string(std::string)>& change = {}) {
    std::string path = dir.file("淘宝助理数据包_check.csv");
    std::string text;
    for (const std::string& line : packageHeaderLines())
        text += (text.empty() ? "" : "\r\n") + line;
    for (const PackageRow& row : rows)
        text += "\r\n" + packageRowLine(row);
    if (change)
        text = change(text);
    writeFileBytes(path, "\xff\xfe" + *utf8ToUtf16Le(text));
    return path;
}

PackageRowValues goodRow(const std::string& folder) {
    PackageRowValues row;
    row.title = "围巾";
    row.cid = "0";
    row.price = "8.00";
    row.num = "3";
    row.numId = "2002";
    std::filesystem::create_directories(platform::toPath(folder));
    writeFileBytes(pictureFilePath(folder, "p1"), "jpg");
    row.picture = mainPictureEntry("p1", 0);
    return row;
}

} // namespace

TEST(PackageFileCheck, AWholeFileHasOnlyItsRowsWarnings) {
    TempDir dir;
    std::string folder = pictureFolderOf(dir.file("淘宝助理数据包_check.csv"));
    std::string path = writePackage(dir, {buildPackageRow(goodRow(folder))});
    PackageCheck check = checkPackageFile(path, {});
    EXPECT_TRUE(check.fileErrors.empty());
    ASSERT_EQ(check.rows.size(), 1u);
    EXPECT_EQ(check.rows[0].line, 4);
    EXPECT_EQ(check.rows[0].numId, "2002");
    EXPECT_EQ(check.rows[0].problems.warnings, std::vector<std::string>{"类目为0"});
    EXPECT_FALSE(check.hasErrors());
    EXPECT_TRUE(check.hasWarnings());
}

TEST(PackageFileCheck, FileFaults) {
    TempDir dir;
    std::string folder = pictureFolderOf(dir.file("淘宝助理数据包_check.csv"));
    PackageRow row = buildPackageRow(goodRow(folder));
    {
        // The English names missing.
        std::string path = writePackage(dir, {row}, [](std::string text) {
            std::vector<std::string> h = packageHeaderLines();
            return text.replace(text.find(h[1]), h[1].size() + 2, "");
        });
        PackageCheck check = checkPackageFile(path, {});
        EXPECT_EQ(check.fileErrors, std::vector<std::string>{"缺少表头第2行(英文列名)"});
        ASSERT_EQ(check.rows.size(), 1u);
        EXPECT_EQ(check.rows[0].line, 3);
        EXPECT_TRUE(check.hasErrors());
    }
    {
        // A row of 49 fields.
        PackageRow short_ = row;
        short_.pop_back();
        PackageCheck check = checkPackageFile(writePackage(dir, {row, short_}), {});
        EXPECT_TRUE(check.fileErrors.empty());
        ASSERT_EQ(check.rows.size(), 2u);
        EXPECT_EQ(check.rows[0].problem, "");
        EXPECT_EQ(check.rows[1].problem, "有49个字段,应为50个");
        EXPECT_TRUE(check.hasErrors());
    }
    {
        // No byte-order mark.
        std::string path = writePackage(dir, {row});
        std::string bytes = test::readFileBytes(path);
        writeFileBytes(path, bytes.substr(2));
        PackageCheck check = checkPackageFile(path, {});
        EXPECT_EQ(check.fileErrors,
                  std::vector<std::string>{"文件开头没有字节顺序标记 FF FE (UTF-16LE)"});
        EXPECT_EQ(check.rows.size(), 1u);
    }
    {
        // A version line of the wrong width, and a file that cannot be read.
        std::string path = writePackage(dir, {row}, [](std::string text) {
            return text.replace(0, 12 + 49, "version 1.00\t");
        });
        EXPECT_EQ(checkPackageFile(path, {}).fileErrors,
                  std::vector<std::string>{"表头第1行(version 1.00)不正确"});
        EXPECT_EQ(checkPackageFile(dir.file("none.csv"), {}).fileErrors,
                  std::vector<std::string>{"无法读取文件"});
    }
}
