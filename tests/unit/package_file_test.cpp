#include "package/package_check.hpp"
#include "package/package_file.hpp"
#include "package/package_names.hpp"
#include "package/package_path.hpp"
#include "package/package_row.hpp"
#include "platform/platform.hpp"
#include "store/text_routines.hpp"
#include "system_helpers.hpp"
#include "temp_dir.hpp"
#include "util/codec.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

using namespace lw;
using test::FileSizeLimit;
using test::readFileBytes;
using test::TempDir;
using test::testDataPath;
using test::writeFileBytes;

namespace {

const PackageRow kRow1 = {"\"女式T恤 \"夏\"款\"", "50000671", "\"<p>纯棉\t舒适\r\n好穿</p>\""};
const PackageRow kRow2 = {"\"😀{[,]}inside\"", "2"};

} // namespace

// two_rows.csv: FF FE, then in UTF-16LE "version 1.00" and 49 tabs, the English names,
// the Chinese names, kRow1 and kRow2 with their fields joined by tabs (the tab inside
// kRow1's last field a blank, "{[,]}" inside kRow2's first field kept as it is), CR LF
// between the lines and none at the end.
TEST(appendPackageRow, NewFileThenAppendGivesTheGoldenFile) {
    TempDir dir;
    const std::string file = dir.file("淘宝助理数据包_1203051407.csv");
    EXPECT_EQ(appendPackageRow(kRow1, file, kNewPackageFile), "");
    const std::string golden = readFileBytes(testDataPath("package/two_rows.csv"));
    const std::string afterFirst = readFileBytes(file);
    // The first row alone: everything up to the second row's CR LF.
    const std::string secondLine = std::string("\r\0\n\0", 4);
    const std::size_t cut = golden.rfind(secondLine);
    ASSERT_NE(cut, std::string::npos);
    EXPECT_EQ(afterFirst, golden.substr(0, cut));

    EXPECT_EQ(appendPackageRow(kRow2, file, kExistingPackageFile), "");
    EXPECT_EQ(readFileBytes(file), golden);
    EXPECT_FALSE(std::filesystem::exists(platform::toPath(file + ".part")));
}

TEST(appendPackageRow, NewFileModeReplacesAnOldFile) {
    TempDir dir;
    const std::string file = dir.file("p.csv");
    writeFileBytes(file, std::string(100000, 'x'));
    EXPECT_EQ(appendPackageRow(kRow1, file, kNewPackageFile), "");
    const std::string golden = readFileBytes(testDataPath("package/two_rows.csv"));
    EXPECT_EQ(readFileBytes(file), golden.substr(0, golden.rfind(std::string("\r\0\n\0", 4))));
}

TEST(appendPackageRow, WritesNothingForAnEmptyRowOrAnotherMode) {
    TempDir dir;
    const std::string file = dir.file("p.csv");
    EXPECT_EQ(appendPackageRow({}, file, kNewPackageFile), "");
    EXPECT_FALSE(std::filesystem::exists(platform::toPath(file)));
    EXPECT_EQ(appendPackageRow(kRow1, file, 2), "");
    EXPECT_EQ(appendPackageRow(kRow1, file, -1), "");
    EXPECT_FALSE(std::filesystem::exists(platform::toPath(file)));
    writeFileBytes(file, "\xFF\xFE");
    EXPECT_EQ(appendPackageRow({}, file, kExistingPackageFile), "");
    EXPECT_EQ(readFileBytes(file), "\xFF\xFE");
}

TEST(appendPackageRow, FailuresComeBackAsText) {
    TempDir dir;
    const std::string missingFolder = dir.file("no/such/folder/p.csv");
    EXPECT_NE(appendPackageRow(kRow1, missingFolder, kNewPackageFile), "");
    // Appending needs the file: it is not made anew without its header lines.
    const std::string missing = dir.file("gone.csv");
    std::string failure = appendPackageRow(kRow1, missing, kExistingPackageFile);
    EXPECT_NE(failure.find("gone.csv"), std::string::npos) << failure;
    EXPECT_FALSE(std::filesystem::exists(platform::toPath(missing)));
}

TEST(Utf16Writers, EmptyTextWritesNothing) {
    TempDir dir;
    EXPECT_EQ(writeUtf16File(dir.file("a"), "", true), "");
    EXPECT_FALSE(std::filesystem::exists(platform::toPath(dir.file("a"))));
    writeFileBytes(dir.file("b"), "x");
    EXPECT_EQ(appendUtf16File(dir.file("b"), ""), "");
    EXPECT_EQ(readFileBytes(dir.file("b")), "x");
    EXPECT_EQ(writeUtf16File(dir.file("c"), "a", false), "");
    EXPECT_EQ(readFileBytes(dir.file("c")), std::string("a\0", 2));
}

TEST(Utf16Writers, FailedAppendLeavesTheFileAsItWas) {
    if (!FileSizeLimit::supported())
        GTEST_SKIP() << "no file size limit to make a write fail";
    TempDir dir;
    const std::string file = dir.file("p.csv");
    const std::string before = "\xFF\xFE" + std::string(1000, 'a');
    writeFileBytes(file, before);
    std::string failure;
    {
        // Room for a part of the new bytes only.
        FileSizeLimit limit(before.size() + 10);
        failure = appendUtf16File(file, "\r\n" + std::string(200, 'b'));
    }
    EXPECT_NE(failure, "");
    EXPECT_EQ(readFileBytes(file), before);
    // And the next append works again.
    EXPECT_EQ(appendUtf16File(file, "c"), "");
    EXPECT_EQ(readFileBytes(file), before + std::string("c\0", 2));
}

TEST(Utf16Writers, FailedNewFileLeavesNoFile) {
    if (!FileSizeLimit::supported())
        GTEST_SKIP() << "no file size limit to make a write fail";
    TempDir dir;
    const std::string file = dir.file("p.csv");
    std::string failure;
    {
        FileSizeLimit limit(100);
        failure = writeUtf16File(file, std::string(500, 'x'), true);
    }
    EXPECT_NE(failure, "");
    EXPECT_FALSE(std::filesystem::exists(platform::toPath(file)));
    EXPECT_FALSE(std::filesystem::exists(platform::toPath(file + ".part")));
}

TEST(PackageNames, FoldersBesideThePackageFile) {
    struct Case {
        std::string file, pictures, descriptions;
    };
    const Case cases[] = {
        {"D:\\a\\淘宝助理数据包_1203051407.csv", "D:\\a\\淘宝助理数据包_1203051407",
         "D:\\a\\淘宝助理数据包_1203051407_DESC"},
        {"/home/u/淘宝助理数据包_1203051407.csv", "/home/u/淘宝助理数据包_1203051407",
         "/home/u/淘宝助理数据包_1203051407_DESC"},
        {"/tmp/p.CSV", "/tmp/p", "/tmp/p_DESC"},
        // Without ".csv" nothing is cut: the folders never land in another package's.
        {"/tmp/数据包", "/tmp/数据包", "/tmp/数据包_DESC"},
        {"/tmp/a.txt", "/tmp/a.txt", "/tmp/a.txt_DESC"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(pictureFolderOf(c.file), c.pictures) << c.file;
        EXPECT_EQ(descriptionFolderOf(c.file), c.descriptions) << c.file;
    }
}

// In the system's own form: with drive letters "\\" between the names.
TEST(PackageNames, PackagePathsAreAbsoluteAndEndInCsv) {
    std::string here = platform::fromPath(std::filesystem::current_path());
    struct Case {
        std::string typed, path;
    };
    const std::vector<Case> cases =
        kDriveLetters ? std::vector<Case>{
                            {"C:\\tmp\\p.csv", "C:\\tmp\\p.csv"},
                            {" C:/tmp/p.CSV ", "C:\\tmp\\p.CSV"},
                            {"C:\\tmp\\数据包", "C:\\tmp\\数据包.csv"},
                            {"C:\\tmp\\a.txt", "C:\\tmp\\a.txt.csv"},
                            {"p.csv", here + "\\p.csv"},
                            {"./out/p", here + "\\out\\p.csv"},
                            {"", ""},
                        }
                      : std::vector<Case>{
                            {"/tmp/p.csv", "/tmp/p.csv"},
                            {" /tmp/p.CSV ", "/tmp/p.CSV"},
                            {"/tmp/数据包", "/tmp/数据包.csv"},
                            {"/tmp/a.txt", "/tmp/a.txt.csv"},
                            {"p.csv", here + "/p.csv"},
                            {"./out/p", here + "/out/p.csv"},
                            {"", ""},
                        };
    for (const auto& c : cases)
        EXPECT_EQ(packageFilePath(c.typed), c.path) << c.typed;
}

TEST(PackageNames, PictureNamesAndEntries) {
    // MD5 of the GBK bytes (md5sum of the address passed through iconv -t GBK).
    EXPECT_EQ(pictureName("http://img.example.com/a.jpg"), "cbb47f999c6c8ce52d12b4cf6f762e0d");
    EXPECT_EQ(pictureName("http://img.example.com/图片.jpg"), "6b42d707e0e24529c11bbb9b01ef4b3b");
    EXPECT_EQ(pictureFilePath("/p/淘宝助理数据包_1203051407", "cbb47f999c6c8ce52d12b4cf6f762e0d"),
              std::string("/p/淘宝助理数据包_1203051407") + kPathSeparator +
                  "cbb47f999c6c8ce52d12b4cf6f762e0d.tbi");
    EXPECT_EQ(mainPictureEntry("abc", 0), "abc:1:0:|;");
    EXPECT_EQ(mainPictureEntry("abc", 12), "abc:1:12:|;");
    EXPECT_EQ(propertyPictureEntry("abc", "0", "1627207:28326"), "abc:2:0:1627207:28326|;");
    EXPECT_EQ(propertyPictureEntry("abc", "", ""), "abc:2::|;");
    EXPECT_EQ(pictureStatusText(0), "");
    EXPECT_EQ(pictureStatusText(3), "1;1;1;");
}

// Every value of the offer carries a tab, CR, LF, a double quote and the text "{[,]}":
// the written row still has the 50 fields of the layout, and only the description
// keeps its line breaks.
TEST(appendPackageRow, ValuesNeverAddFieldsOrLines) {
    const std::string hostile = "a\tb\rc\nd\r\ne\"f{[,]}g";
    PackageRowValues values;
    for (const PackageColumn& c : packageColumns())
        if (c.value)
            values.*c.value = hostile;
    TempDir dir;
    const std::string file = dir.file("p.csv");
    ASSERT_EQ(appendPackageRow(buildPackageRow(values), file, kNewPackageFile), "");
    const std::string bytes = readFileBytes(file);
    std::string text = *toUtf8(std::string_view(bytes).substr(2), "UTF-16LE");
    // The three header lines, then the row.
    for (int line = 0; line < 3; ++line)
        text = text.substr(text.find("\r\n") + 2);
    const std::vector<std::string> fields = splitText(text, "\t");
    ASSERT_EQ(fields.size(), static_cast<std::size_t>(kPackageColumnCount)) << text;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const PackageColumn& c = packageColumns()[i];
        SCOPED_TRACE(c.english);
        std::string expected = c.value ? "a b" : std::string(c.fixed);
        if (c.value)
            expected +=
                std::string(c.value == &PackageRowValues::description ? "\rc\nd\r\n" : " c d  ") +
                "e\"f{[,]}g";
        if (c.quoted)
            expected = "\"" + expected + "\"";
        EXPECT_EQ(fields[i], expected);
    }
}

// Supplier HTML often has a quote right before a line break (<img src="..."\r\n/>): the
// importer would end the description there, so the row gets a blank between them and
// reads back as one row of 50 fields.
TEST(appendPackageRow, AQuoteBeforeALineBreakDoesNotEndTheDescription) {
    PackageRowValues values;
    values.title = "T恤";
    values.description = "<img src=\"a.jpg\"\r\n/><img src=\"b.jpg\"\n/>\"";
    TempDir dir;
    const std::string file = dir.file("p.csv");
    ASSERT_EQ(appendPackageRow(buildPackageRow(values), file, kNewPackageFile), "");
    const std::string bytes = readFileBytes(file);
    const std::vector<PackageFileRow> records =
        splitPackageRecords(*toUtf8(std::string_view(bytes).substr(2), "UTF-16LE"));
    ASSERT_EQ(records.size(), 4u);
    ASSERT_EQ(records[3].fields.size(), static_cast<std::size_t>(kPackageColumnCount));
    EXPECT_EQ(records[3].fields[20], "<img src=\"a.jpg\" \r\n/><img src=\"b.jpg\" \n/>\"");
    EXPECT_EQ(records[3].fields[21], "");
}
