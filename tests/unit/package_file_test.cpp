#include "package/package_file.hpp"
#include "package/package_names.hpp"
#include "temp_dir.hpp"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>

using namespace lw;
using test::readFileBytes;
using test::TempDir;
using test::testDataPath;
using test::writeFileBytes;

namespace {

const std::string kRow1 = "\"女式T恤 \"夏\"款\"{[,]}50000671{[,]}\"<p>纯棉\t舒适\r\n好穿</p>\"";
const std::string kRow2 = "\"😀{[,]}inside\"{[,]}2";

// Lowers the file size limit for this process while it lives, so that writes past it
// fail with EFBIG (as on a full disk).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, old_handler_);
    }

private:
    rlimit old_{};
    void (*old_handler_)(int) = nullptr;
};

} // namespace

// two_rows.csv: FF FE, then in UTF-16LE "version 1.00" and 49 tabs, the English names,
// the Chinese names, kRow1 and kRow2 with every field marker made a tab, CR LF between
// the lines and none at the end.
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
    EXPECT_FALSE(std::filesystem::exists(file + ".part"));
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
    EXPECT_EQ(appendPackageRow("", file, kNewPackageFile), "");
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(appendPackageRow(kRow1, file, 2), "");
    EXPECT_EQ(appendPackageRow(kRow1, file, -1), "");
    EXPECT_FALSE(std::filesystem::exists(file));
    writeFileBytes(file, "\xFF\xFE");
    EXPECT_EQ(appendPackageRow("", file, kExistingPackageFile), "");
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
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST(Utf16Writers, EmptyTextWritesNothing) {
    TempDir dir;
    EXPECT_EQ(writeUtf16File(dir.file("a"), "", true), "");
    EXPECT_FALSE(std::filesystem::exists(dir.file("a")));
    writeFileBytes(dir.file("b"), "x");
    EXPECT_EQ(appendUtf16File(dir.file("b"), ""), "");
    EXPECT_EQ(readFileBytes(dir.file("b")), "x");
    EXPECT_EQ(writeUtf16File(dir.file("c"), "a", false), "");
    EXPECT_EQ(readFileBytes(dir.file("c")), std::string("a\0", 2));
}

TEST(Utf16Writers, FailedAppendLeavesTheFileAsItWas) {
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
    TempDir dir;
    const std::string file = dir.file("p.csv");
    std::string failure;
    {
        FileSizeLimit limit(100);
        failure = writeUtf16File(file, std::string(500, 'x'), true);
    }
    EXPECT_NE(failure, "");
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_FALSE(std::filesystem::exists(file + ".part"));
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

TEST(PackageNames, PackagePathsAreAbsoluteAndEndInCsv) {
    std::string here = std::filesystem::current_path().string();
    struct Case {
        std::string typed, path;
    };
    const Case cases[] = {
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
              "/p/淘宝助理数据包_1203051407/cbb47f999c6c8ce52d12b4cf6f762e0d.tbi");
    EXPECT_EQ(mainPictureEntry("abc", 0), "abc:1:0:|;");
    EXPECT_EQ(mainPictureEntry("abc", 12), "abc:1:12:|;");
    EXPECT_EQ(propertyPictureEntry("abc", "0", "1627207:28326"), "abc:2:0:1627207:28326|;");
    EXPECT_EQ(propertyPictureEntry("abc", "", ""), "abc:2::|;");
    EXPECT_EQ(pictureStatusText(0), "");
    EXPECT_EQ(pictureStatusText(3), "1;1;1;");
}
