#include "harvest/link_lines.hpp"
#include "scripted_dialogs.hpp"
#include "store/database.hpp"
#include "temp_dir.hpp"

#include <gtest/gtest.h>

using namespace lw;
using namespace lw::test;

namespace {

const std::string kPrefix = "http://detail.1688.com/offer/";

} // namespace

TEST(LinkLines, ParseBothForms) {
    struct Case {
        std::string line;
        LinkLine expected;
    };
    const Case cases[] = {
        {kPrefix + "123.html", {"123", kPrefix + "123.html", "", "0", "0"}},
        {kPrefix + "123.html,Title,15,8.50", {"123", kPrefix + "123.html", "Title", "15", "8.50"}},
        {kPrefix + "5.html,T,many,n/a", {"5", kPrefix + "5.html", "T", "0", "0"}},
        {kPrefix + "6.html,OnlyTitle", {"6", kPrefix + "6.html", "OnlyTitle", "0", "0"}},
        // An empty title, and a title that also ends the address.
        {kPrefix + "7.html,,15,8.50", {"7", kPrefix + "7.html", "", "15", "8.50"}},
        {kPrefix + "8.html,html,3,4.5", {"8", kPrefix + "8.html", "html", "3", "4.5"}},
        {kPrefix + ".html,,0,0.00", {"", kPrefix + ".html", "", "0", "0.00"}},
        // The check lets an upper-case address pass; its id is still taken.
        {"HTTP://DETAIL.1688.COM/OFFER/77.HTML",
         {"77", "HTTP://DETAIL.1688.COM/OFFER/77.HTML", "", "0", "0"}},
    };
    for (const Case& c : cases) {
        LinkLine got = parseLinkLine(c.line);
        EXPECT_EQ(got.id, c.expected.id) << c.line;
        EXPECT_EQ(got.address, c.expected.address) << c.line;
        EXPECT_EQ(got.title, c.expected.title) << c.line;
        EXPECT_EQ(got.sales, c.expected.sales) << c.line;
        EXPECT_EQ(got.price, c.expected.price) << c.line;
    }
}

TEST(LinkLines, AutoCorrectAndCheck) {
    std::vector<std::string> lines = {
        kPrefix + "123.html?spm=a.b",          "see " + kPrefix + "9.html#x", "not an address", "",
        "HTTP://DETAIL.1688.COM/OFFER/7.html", kPrefix + "8.html,t,1,2"};
    autoCorrectLinkLines(lines);
    EXPECT_EQ(lines[0], kPrefix + "123.html");
    EXPECT_EQ(lines[1], kPrefix + "9.html");
    EXPECT_EQ(lines[2], "not an address");
    EXPECT_EQ(lines[5], kPrefix + "8.html,t,1,2");
    // Upper-case prefix passes; the unchanged bad line is listed with its number.
    EXPECT_EQ(checkLinkLines(lines), "第 3 行:not an address\r\n\r\n");
}

TEST(LinkLines, ConfirmShowsTheMessagesOfTheAddButton) {
    ScriptedDialogs dialogs;
    std::vector<std::string> empty = {" ", ""};
    EXPECT_EQ(confirmLinkLines(dialogs, empty, true), LinkCheck::Empty);
    EXPECT_EQ(dialogs.last().text,
              "请输入阿里巴巴的宝贝链接地址.格式如:" + kPrefix +
                  "数字.html\r\n(提示:可添加多个宝贝链接地址,一行一个宝贝链接地址)");
    std::vector<std::string> bad = {kPrefix + "1.html", "x"};
    EXPECT_EQ(confirmLinkLines(dialogs, bad, true), LinkCheck::Malformed);
    EXPECT_EQ(dialogs.last().text, "以下阿里巴巴宝贝链接地址格式不正确,请重新输入.格式如: " +
                                       kPrefix + "数字.html\r\n\r\n第 2 行:x\r\n\r\n");
    std::vector<std::string> good = {kPrefix + "1.html?a=b"};
    // A line that starts with the prefix passes as it is.
    EXPECT_EQ(confirmLinkLines(dialogs, good, false), LinkCheck::Declined);
    EXPECT_EQ(dialogs.last().text, "是否确认添加至下载源?");
    EXPECT_EQ(good[0], kPrefix + "1.html?a=b");
    dialogs.answers.push_back(Answer::Yes);
    EXPECT_EQ(confirmLinkLines(dialogs, good, true), LinkCheck::Confirmed);
    EXPECT_EQ(good[0], kPrefix + "1.html");
}

TEST(LinkLines, AddStepSkipsDuplicatesInAnyGroupAndStoresNumbers) {
    TempDir dir;
    auto db = makeTestDatabase(dir.path());
    db->exec("insert into TB_URL(tag,uGroup,num_iid,detail_url) select 0,1,'123',''");
    std::vector<std::string> lines = {kPrefix + "123.html", "", kPrefix + "456.html,Title,15,8.50",
                                      kPrefix + "456.html", kPrefix + "789.html,T's,x,y"};
    std::vector<std::string> progress;
    LinkAddResult r = addLinkLines(
        *db, lines, 2, [&](int i, int n) { progress.push_back(addProgressText(i, n)); });
    EXPECT_EQ(r.added, 2);
    EXPECT_EQ(r.skipped, 3);
    EXPECT_EQ(progress.front(), "正在添加至下载源...(1/5)");
    EXPECT_EQ(progress.size(), 5u);
    Query q = db->query("select * from TB_URL where uGroup=2 order by Uniqid");
    ASSERT_FALSE(q.eof());
    EXPECT_EQ(q.text("num_iid"), "456");
    EXPECT_EQ(q.text("detail_url"), kPrefix + "456.html");
    EXPECT_EQ(q.text("title"), "Title");
    EXPECT_EQ(q.integer("SaleNum"), 15);
    EXPECT_DOUBLE_EQ(q.real("SalePrice"), 8.5);
    EXPECT_EQ(q.integer("IsDownload"), 0);
    EXPECT_EQ(q.integer("bcheck"), 0);
    EXPECT_EQ(q.text("remark"), "");
    q.next();
    EXPECT_EQ(q.text("title"), "T's");
    EXPECT_EQ(q.integer("SaleNum"), 0);
    EXPECT_DOUBLE_EQ(q.real("SalePrice"), 0);
}

TEST(LinkLines, CheckRefusesOfferIdsThatAreNotDigits) {
    struct Case {
        std::string line;
        bool passes;
    };
    const Case cases[] = {
        {kPrefix + "notanumber.html", false},
        {kPrefix + ".html", false},
        {kPrefix + ".html,,0,0.00", false},
        {kPrefix + "12a.html", false},
        {kPrefix + "1.5.html", false},
        {kPrefix + "-3.html", false},
        {kPrefix, false},
        {"HTTP://DETAIL.1688.COM/OFFER/X.HTML", false},
        {"not a link", false},
        {kPrefix + "123.html", true},
        {kPrefix + "123.html,Title,15,8.50", true},
        {kPrefix + "1.html?a=b", true},
        {"HTTP://DETAIL.1688.COM/OFFER/77.HTML", true},
        {"see " + kPrefix + "9.html#x", true},
    };
    for (const Case& c : cases) {
        std::string errors = checkLinkLines({"", c.line});
        EXPECT_EQ(errors, c.passes ? "" : "第 2 行:" + c.line + "\r\n\r\n") << c.line;
    }
}

TEST(LinkLines, AddStepRefusesJunkAndFindsOffersOfOtherGroups) {
    TempDir dir;
    auto db = makeTestDatabase(dir.path());
    db->exec("insert into TB_Groups(GroupName,Tag) select 'A',0");
    std::int64_t a = db->lastInsertId();
    db->exec("insert into TB_Groups(GroupName,Tag) select 'B',0");
    std::int64_t b = db->lastInsertId();
    db->exec("insert into TB_URL(tag,uGroup,num_iid,detail_url) select 0,?,'1',''", {a});
    db->exec("insert into TB_URL(tag,uGroup,num_iid,detail_url) select 0,?,'2',''", {b});
    // An older file may hold one offer twice: it is counted once.
    db->exec("insert into TB_URL(tag,uGroup,num_iid,detail_url) select 0,?,'2',''", {a});
    db->exec("insert into TB_URL(tag,uGroup,num_iid,detail_url) select 0,0,'3',''");
    std::vector<std::string> lines = {kPrefix + "1.html",          kPrefix + "2.html",
                                      kPrefix + "2.html,T,1,2",    kPrefix + "3.html",
                                      kPrefix + "4.html",          kPrefix + "4.html,T,1,2",
                                      kPrefix + "notanumber.html", kPrefix + ".html,,0,0.00"};
    LinkAddResult r = addLinkLines(*db, lines, b);
    EXPECT_EQ(r.added, 1);
    EXPECT_EQ(r.inTarget, 2); // offer 2, on two lines
    EXPECT_EQ(r.refused, 2);
    EXPECT_EQ(r.skipped, 7);
    ASSERT_EQ(r.elsewhere.size(), 2u);
    EXPECT_EQ(r.elsewhere[0].groupName, "A");
    EXPECT_EQ(r.elsewhere[0].group, a);
    EXPECT_EQ(r.elsewhere[1].groupName, "");
    EXPECT_EQ(
        db->query("select count(*) from TB_URL where num_iid not in ('1','2','3','4')").first(),
        "0");
    EXPECT_EQ(linkAddReport(r),
              "添加 1 个，已在本组 2 个，格式不正确未添加 2 个，已存在于其他组 2 个 (A、未分组).");
    EXPECT_EQ(linkAddReport(LinkAddResult{3, 0, 0, 0, {}}), "添加 3 个.");

    // Told only, nothing moved; told and moved on Yes.
    ScriptedDialogs dialogs;
    EXPECT_EQ(tellSkippedLinks(*db, dialogs, r, b, false), 0u);
    EXPECT_EQ(dialogs.last().icon, Icon::Warning); // lines were refused
    EXPECT_EQ(tellSkippedLinks(*db, dialogs, LinkAddResult{3, 0, 0, 0, {}}, b), 0u);
    EXPECT_EQ(dialogs.shown.size(), 1u);
    dialogs.answers.push_back(Answer::Yes);
    EXPECT_EQ(tellSkippedLinks(*db, dialogs, r, b), 2u);
    EXPECT_EQ(dialogs.shown[1].text, linkAddReport(r) + "\r\n是否将这 2 个移动到组\"B\"?");
    EXPECT_EQ(dialogs.last().text, "完成移动到组,共移动 2 项，请确认.");
    EXPECT_EQ(db->query("select count(*) from TB_URL where uGroup=?", {b}).first(), "4");
    EXPECT_EQ(db->query("select count(*) from TB_URL where uGroup=?", {a}).first(), "1");
}
