// Hostile text where the user or a remote party supplies it: SQL pieces, path pieces,
// a megabyte, bytes that are not UTF-8 or not GBK. Each is stored and shown as plain
// text or refused with a message; no statement runs it, and nothing is written outside
// the package folders.
#include "catalog/mapping_editor.hpp"
#include "catalog/mapping_entry.hpp"
#include "download_flow_fixture.hpp"
#include "harvest/harvest_window.hpp"
#include "items/group_store.hpp"
#include "package/package_check.hpp"
#include "package_check.hpp"
#include "platform/platform.hpp"
#include "relay_sim_setup.hpp"
#include "scoped_env.hpp"
#include "store/settings.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <ostream>

using namespace lw;
using namespace lw::test;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

struct HostileCase {
    const char* name;
    std::string text;
};

std::ostream& operator<<(std::ostream& out, const HostileCase& c) {
    return out << c.name;
}

const HostileCase kHostile[] = {
    {"SqlQuote", "x'); drop table TB_URL; --"},
    {"SqlOr", "' or '1'='1"},
    {"SqlComments", "a /* b */ -- c; delete from TB_Groups;"},
    {"SqlDoubleQuote", "\"; drop table _Parameter; --"},
    {"PathDots", "../../../escape"},
    {"PathBackslash", "..\\..\\escape"},
    {"DriveLetter", "C:\\Windows\\escape"},
    {"AbsolutePath", "/tmp/escape"},
    {"InvalidUtf8", "bad\xff\xfe\xc3\x28 text"},
    {"InvalidGbk", "\x81\x20\xfe\xff gbk"},
    {"Megabyte", std::string(1 << 20, 'x') + "标题"},
};

std::string CaseName(const ::testing::TestParamInfo<HostileCase>& info) {
    return info.param.name;
}

// A JSON string literal holding the bytes as they are (invalid UTF-8 included).
std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

// What the program keeps of a text it got from the wire as UTF-8.
std::string asReceived(const std::string& text) {
    return toUtf8Lenient(text, "UTF-8");
}

class HostileFixture : public DownloadFlowFixture {
protected:
    std::string fixtureFolder() override {
        fs::copy(platform::toPath(testDataPath("download")), platform::toPath(fixtures),
                 fs::copy_options::recursive);
        return fixtures;
    }

    // The tables and the row counts that a statement run from the text would change.
    std::string schemaAndCounts() {
        std::string out;
        for (Query q = db->query("select type,name from sqlite_master order by name"); !q.eof();
             q.next())
            out += q.textAt(0) + " " + q.textAt(1) + "\n";
        for (const char* table : {"TB_URL", "TB_Groups", "TB_Mapping", "_Parameter"})
            out += std::string(table) + " " +
                   db->query(std::string("select count(*) from ") + table).first() + "\n";
        return out;
    }

    std::string strayFiles() {
        return lw::test::strayFiles(
            dir.path(), {dir.path() + "/TBData", fixtures, pictureFolder(), descFolder()},
            {package});
    }

    std::string fixtures = dir.file("fixtures");
};

class Hostile : public HostileFixture, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(Hostile, GroupNameIsStoredAsText) {
    const std::string& name = GetParam().text;
    addLink(group, "1");
    start();
    std::string before = schemaAndCounts();
    ItemCommands& c = window->commands();
    ASSERT_TRUE(c.addGroup(name));
    EXPECT_EQ(count("select count(*) from TB_Groups where GroupName=?", {name}), 1);
    EXPECT_EQ(window->view().group.items(), (std::vector<std::string>{"女装", name}));
    std::int64_t id = GroupStore(*db).find(name).value_or(0);
    ASSERT_TRUE(c.renameGroup(id, name + "2"));
    EXPECT_EQ(count("select count(*) from TB_Groups where GroupName=?", {name + "2"}), 1);
    // Deleting it removes that Group only.
    dialogs.answers.push_back(Answer::Yes);
    ASSERT_TRUE(c.deleteGroups({id}, name + "2"));
    EXPECT_EQ(schemaAndCounts(), before);
    EXPECT_EQ(count("select count(*) from TB_URL where num_iid='1'"), 1);
}

TEST_P(Hostile, LinkTitleIsExportedAsGbkText) {
    const std::string& title = GetParam().text;
    addLink(group, "1", title);
    addLink(group, "2", "连衣裙");
    start();
    selectIds({"1", "2"});
    std::string out = dir.file("export.csv");
    dialogs.files.push_back(out);
    window->commands().exportSelectedItems();
    EXPECT_EQ(dialogs.last().text, "完成另存，请确认.");
    // The whole file stays GBK; bytes that are no text become "?".
    auto text = gb18030ToUtf8(readFileBytes(out));
    ASSERT_TRUE(text.has_value());
    EXPECT_NE(text->find(",连衣裙,0,0,2,\r\n"), std::string::npos);
    std::string shown = isValidUtf8(title) ? title : replaceAll(asReceived(title), "\uFFFD", "?");
    if (shown.find_first_of(",\"") != std::string::npos)
        shown = "\"" + replaceAll(shown, "\"", "\"\"") + "\"";
    EXPECT_NE(text->find("," + shown + ",0,0,1,\r\n"), std::string::npos);
}

TEST_P(Hostile, MappingTextIsStoredAsText) {
    const std::string& text = GetParam().text;
    std::string before = schemaAndCounts();
    MappingEntryLogic modi(*db, dialogs);
    MappingEditorLogic admin(*db, dialogs, modi, [&](MappingEntryLogic& d) {
        d.onShown();
        d.category = text;
        d.gender = text;
        d.taobaoName = text;
        d.confirm();
        return d.modalResult;
    });
    admin.onShown();
    admin.addEntry();
    Query q = db->query("select FromValue01,FromValue02,ToValue from TB_Mapping");
    ASSERT_FALSE(q.eof());
    const std::string stored = trim(text);
    EXPECT_EQ(q.textAt(0), stored);
    EXPECT_EQ(q.textAt(1), stored);
    EXPECT_EQ(q.textAt(2), stored);
    ASSERT_EQ(admin.rows().size(), 1u);
    EXPECT_EQ(admin.rows()[0].taobaoName, stored);
    // The same key again is found by the duplicate test, quotes and all.
    admin.addEntry();
    EXPECT_EQ(count("select count(*) from TB_Mapping"), 1);
    db->exec("delete from TB_Mapping");
    EXPECT_EQ(schemaAndCounts(), before);
}

TEST_P(Hostile, MappingImportStoresTextOrRefusesTheFile) {
    const std::string& text = GetParam().text;
    std::string before = schemaAndCounts();
    MappingEntryLogic modi(*db, dialogs);
    MappingEditorLogic admin(*db, dialogs, modi,
                             [](MappingEntryLogic& d) { return d.modalResult; });
    // The file is GBK: text that has no GBK form goes in as its raw bytes.
    std::string value = utf8ToGb18030(text).value_or(text);
    std::string path = dir.file("map.csv");
    writeFileBytes(path, "title\r\n" + value + "," + *utf8ToGb18030("女") + "," + value + "\r\n");
    dialogs.files.push_back(path);
    dialogs.answers.push_back(Answer::Yes);
    admin.importFile();
    const std::string& shown = dialogs.last().text;
    if (count("select count(*) from TB_Mapping") == 1) {
        EXPECT_EQ(shown, "导入成功,请确认. 共 1 项");
        EXPECT_EQ(db->query("select ToValue from TB_Mapping").first(), text);
        db->exec("delete from TB_Mapping");
    } else {
        // Bytes that are not GBK text refuse the file with a message.
        EXPECT_FALSE(isValidUtf8(text) && utf8ToGb18030(text).has_value()) << shown.substr(0, 300);
        EXPECT_EQ(shown.rfind("导入失败请检查csv文件内容是否正确.", 0), 0u) << shown;
    }
    EXPECT_EQ(schemaAndCounts(), before);
}

TEST_P(Hostile, HarvestKeywordIsStoredAndSentAsText) {
    const std::string& keyword = GetParam().text;
    relaysim::Server shops;
    shops.start(testDataPath("harvest"));
    ScopedEnv env;
    proxyThrough(env, shops);
    std::string before = schemaAndCounts();

    HarvestWindowLogic harvest(HarvestPorts{*db, dialogs, loop});
    harvest.fetchOptions.readTimeoutMs = 1000;
    harvest.prepare("搜索添加宝贝链接(URL)-女装", group);
    harvest.onShown();
    harvest.setShopAddress("http://shop-gbk.1688.com");
    harvest.setKeyword(keyword);
    harvest.startSearch();
    ASSERT_TRUE(loop.runUntil([&] { return !harvest.searching(); }, 10s));

    EXPECT_EQ(readSetting(*db, Setting::HarvestKeyword), trim(keyword));
    EXPECT_EQ(harvest.keyword(), keyword);
    // No shop page exists for such a keyword (the megabyte never reaches the site): the
    // failed page ends the search, told.
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.last().text.rfind("搜索失败,第 1 页无法读取:网络错误,", 0), 0u)
        << dialogs.last().text.substr(0, 300);
    EXPECT_EQ(dialogs.last().icon, Icon::Error);
    EXPECT_EQ(count("select count(*) from TB_URL"), 0);
    db->exec("update _Parameter set ParaValue='' where NM in (10,11)");
    std::string after = schemaAndCounts();
    // The window makes its settings rows on the first show.
    EXPECT_EQ(after.substr(0, after.find("_Parameter")),
              before.substr(0, before.find("_Parameter")));
}

TEST_P(Hostile, OfferValuesAreWrittenAsText) {
    const std::string& text = GetParam().text;
    const std::string s = jsonString(text);
    // The megabyte goes into the title and the category only: every copy costs three
    // parses of the answer.
    const std::string other = text.size() < 65536 ? s : jsonString("x");
    writeFileBytes(fixtures + "/offers/4001.json",
                   "{\"result\":{\"toReturn\":[{\"subject\":" + s + ",\"details\":" + other +
                       ",\"offerId\":4001,\"priceRanges\":[{\"price\":\"8.00\"}],"
                       "\"productFeatureList\":[{\"name\":\"货号\",\"value\":" +
                       other + "},{\"name\":\"产品类别\",\"value\":" + s +
                       "},{\"name\":\"颜色\",\"value\":" + other + "}],\"imageList\":[]}]}}<nick>" +
                       text + "</nick>");
    // The category text finds its mapping; the colour goes to the look-ups.
    db->exec("insert into TB_Mapping(FromValue01,FromValue02,ToValue) select ?,'','T恤'",
             {asReceived(text)});
    addLink(group, "4001", text, "0", "0", false, true);
    startWindow();
    const std::string before = schemaAndCounts();
    startAndRun();

    EXPECT_EQ(run->outcome(), RunOutcome::Completed);
    for (const Shown& shown : dialogs.shown)
        EXPECT_NE(shown.icon, Icon::Error) << shown.text.substr(0, 200);
    int rows = 0;
    ASSERT_EQ(packageFileProblem(package, &rows), "");
    EXPECT_EQ(rows, 1);
    // The title as text in its quotes, with the mapped category after it.
    std::string file = *toUtf8(readFileBytes(package).substr(2), "UTF-16LE");
    std::string row = file.substr(file.rfind("\r\n") + 2);
    const std::string received = asReceived(text);
    EXPECT_EQ(row.rfind("\"" + received + "\"\t50000671\t", 0), 0u) << row.substr(0, 200);
    if (text.size() < 65536) {
        // The article number too.
        EXPECT_NE(row.find("\t\"" + received + "\"\t"), std::string::npos);
    }
    EXPECT_EQ(schemaAndCounts(), before);
    EXPECT_EQ(strayFiles(), "");
}

INSTANTIATE_TEST_SUITE_P(Texts, Hostile, ::testing::ValuesIn(kHostile), CaseName);

// --- picture addresses and description picture names with path pieces ---

struct PictureCase {
    const char* name;
    const char* address;    // in the description's src="...", the image list and prop_imgs
    const char* served;     // a fixture picture under pictures/img.example.com/, or ""
    const char* fault;      // makes relay-sim answer an address it would refuse, or ""
    const char* fileInDesc; // where it must land in the description folder; "" for nowhere
};

std::ostream& operator<<(std::ostream& out, const PictureCase& c) {
    return out << c.address;
}

const PictureCase kPictureCases[] = {
    {"Dots", "http://img.example.com/d/../../../escape1.jpg", "escape1.jpg", "", "escape1.jpg"},
    {"EncodedDots", "http://img.example.com/d/%2e%2e%2f%2e%2e%2fescape2.jpg", "",
     "path=/d/%2e status 200", "%2e%2e%2f%2e%2e%2fescape2.jpg"},
    {"Backslashes", "http://img.example.com/d/..\\..\\..\\escape3.jpg", "",
     "path=/d/..\\ status 200", "escape3.jpg"},
    {"DriveLetter", "http://img.example.com/C:\\escape4.jpg", "", "path=/C: status 200",
     "escape4.jpg"},
    // Served by a fault: Windows has no file named "C:escape5.jpg" for the fixture.
    {"DriveRelative", "http://img.example.com/C:escape5.jpg", "", "path=/C:e status 200",
     "Cescape5.jpg"},
    {"DotsOnly", "http://img.example.com/d/..", "", "path=/d status 200", ""},
    {"AbsoluteNotWeb", "/tmp/escape6.jpg", "", "", ""},
    {"FileAddress", "file:///etc/hostname", "", "", ""},
};

std::string PictureCaseName(const ::testing::TestParamInfo<PictureCase>& info) {
    return info.param.name;
}

class HostilePicture : public HostileFixture, public ::testing::WithParamInterface<PictureCase> {};

TEST_P(HostilePicture, StaysInsideTheDescriptionFolder) {
    const PictureCase& c = GetParam();
    if (*c.served)
        writeFileBytes(fixtures + "/pictures/img.example.com/" + c.served, "picture bytes");
    if (*c.fault)
        sim.addFault(c.fault);
    const std::string address = c.address;
    writeFileBytes(
        fixtures + "/offers/4002.json",
        "{\"result\":{\"toReturn\":[{\"subject\":\"s\",\"details\":" +
            jsonString("<img src=\"" + address + "\">") +
            ",\"offerId\":4002,\"imageList\":[{\"originalImageURI\":" + jsonString(address) +
            "}]}]}}<prop_imgs list=\"true\"><prop_img><url>" + address +
            "</url><position>0</position><properties>1:2</properties>" + "</prop_img></prop_imgs>");
    addLink(group, "4002", "", "0", "0", false, true);
    startWindow();
    startAndRun();
    EXPECT_EQ(run->outcome(), RunOutcome::Completed);
    EXPECT_EQ(packageFileProblem(package), "");
    EXPECT_EQ(strayFiles(), "");
    auto desc = folderFiles(descFolder());
    if (*c.fileInDesc) {
        ASSERT_EQ(desc.count(c.fileInDesc), 1u);
        EXPECT_FALSE(desc[c.fileInDesc].empty());
        EXPECT_EQ(desc.size(), 1u);
    } else {
        EXPECT_TRUE(desc.empty());
    }
    // Main and property pictures are named by their address's digest.
    for (const auto& [name, bytes] : folderFiles(pictureFolder()))
        EXPECT_EQ(name, pictureName(address) + ".tbi");
}

INSTANTIATE_TEST_SUITE_P(Addresses, HostilePicture, ::testing::ValuesIn(kPictureCases),
                         PictureCaseName);

} // namespace

// Taobao Assistant uploads what a description names: a supplier's local file address
// is emptied, the remark says so, and the run's own references stay.
TEST_F(HostileFixture, ForeignLocalReferencesAreEmptied) {
    writeFileBytes(fixtures + "/offers/4003.json",
                   "{\"result\":{\"toReturn\":[{\"subject\":\"s\",\"details\":" +
                       jsonString("<img src=\"file:///etc/passwd\"><div background=\"FILE:///C:/"
                                  "Users/u/a.jpg\">x</div><img src=\"http://img.example.com/d/"
                                  "x.jpg\">") +
                       ",\"offerId\":4003}]}}");
    addLink(group, "4003", "", "0", "0", false, true);
    startWindow();
    startAndRun();
    EXPECT_EQ(run->outcome(), RunOutcome::Completed);
    const std::string bytes = readFileBytes(package);
    const std::vector<PackageFileRow> records =
        splitPackageRecords(*toUtf8(std::string_view(bytes).substr(2), "utf-16le"));
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[3].fields[20], "<img src=\"\"><div background=\"\">x</div><img src=\"" +
                                         localPictureAddress(descFolder(), "x.jpg") + "\">");
    EXPECT_NE(rowOf("4003").sub[kSubRemark].find(
                  "描述中指向本机文件的图片地址已清空:file:///etc/passwd,FILE:///C:/Users/u/a.jpg"),
              std::string::npos)
        << rowOf("4003").sub[kSubRemark];
}

// An answer for another offer was written as the asked link's row and marked it
// downloaded; it is an offer that cannot be read now, with the reason.
TEST_F(HostileFixture, AnAnswerForAnotherOfferFailsTheOffer) {
    fs::copy_file(platform::toPath(fixtures + "/offers/2002.json"),
                  platform::toPath(fixtures + "/offers/2001.json"),
                  fs::copy_options::overwrite_existing);
    addLink(group, "2001", "T恤", "0", "0", false, true);
    startWindow();
    startAndRun();
    EXPECT_EQ(run->outcome(), RunOutcome::Completed);
    EXPECT_EQ(run->rowsWritten(), 0);
    EXPECT_FALSE(fs::exists(platform::toPath(package)));
    EXPECT_EQ(rowOf("2001").state, "未下载");
    EXPECT_FALSE(rowOf("2001").ticked);
    EXPECT_NE(rowOf("2001").sub[kSubRemark].find("应答中的宝贝ID(2002)与链接的宝贝ID(2001)不符"),
              std::string::npos)
        << rowOf("2001").sub[kSubRemark];
    ASSERT_EQ(run->failedOffers().size(), 1u);
}

// An offer id is cut out of a link, which a shop page or the user supplied: it must
// stay one field of the offer request.
TEST_F(HostileFixture, OfferIdCannotAddFieldsToTheOfferRequest) {
    addLink(group, "2001&codeid=evil&method=user.itemcats.get", "", "0", "0", false, true);
    startWindow();
    startAndRun();
    auto requests = sim.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].param("offerId"), "2001&codeid=evil&method=user.itemcats.get");
    EXPECT_EQ(requests[0].param("codeid"), "acc");
    EXPECT_EQ(requests[0].param("method"), "offer.get");
    EXPECT_EQ(requests[0].body.find("&codeid="), requests[0].body.rfind("&codeid="));
    // The relay knows no such offer.
    EXPECT_EQ(run->outcome(), RunOutcome::Failed);
    EXPECT_NE(dialogs.last().text.find("isv.offer-not-found"), std::string::npos);
}
