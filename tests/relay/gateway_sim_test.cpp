#include "gateway_sim.hpp"
#include "platform/platform.hpp"

#include <gtest/gtest.h>
#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;
using Params = std::map<std::string, std::string>;
using namespace std::chrono_literals;

// A small category 100 with a brand kept apart, the two sale properties, values with an
// alias, an entity and characters XML must escape; two children of 16.
const char* const kItemProps = "# cid\tpid\tname\tflags\tsort_order\n"
                               "100\t20021\t材质\tenum,multi\t4\n"
                               "100\t20000\t品牌\tvalues-apart\t1\n"
                               "100\t1627207\t颜色分类\tcolor,sale\t2\n"
                               "100\t20509\t尺码\tsale,must\t3\n";
const char* const kPropValues = "100\t20000\t3275069\t青木\t-\t1\n"
                                "\n"
                                "100\t1627207\t28341\t黑色\t-\t2\n"
                                "100\t1627207\t28326\t红色\t-\t1\n"
                                "100\t20509\t28314\tS\t-\t1\n"
                                "100\t20021\t3323086\t棉\t纯棉\t1\n"
                                "100\t20021\t7\tA&nbsp;B\t-\t2\n"
                                "100\t20021\t8\tM&M <x>\t-\t3\n"
                                "100\t20021\t9\tP&amp;Q\t-\t4\n";
const char* const kItemCats = "16\t0\t女装&女士精品\ttrue\t1\n"
                              "100\t16\t连衣裙\tfalse\t2\n"
                              "101\t16\tT恤\tfalse\t1\n";

class TempFolder {
public:
    TempFolder() {
        static std::atomic<int> serial{0};
        path_ = fs::temp_directory_path() /
                ("gateway-sim-test-" + std::to_string(lw::platform::currentProcessId()) + "-" +
                 std::to_string(serial++));
        fs::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    void write(const std::string& name, const std::string& text) const {
        std::ofstream(path_ / name, std::ios::binary) << text;
    }
    std::string path() const { return lw::platform::fromPath(path_); }

private:
    fs::path path_;
};

// The router's time, GMT+8, offset by seconds: written here, not by the simulator.
std::string topTime(int offsetSeconds = 0) {
    using namespace std::chrono;
    auto moment = floor<seconds>(system_clock::now()) + hours(8) + seconds(offsetSeconds);
    auto day = floor<days>(moment);
    year_month_day date{day};
    hh_mm_ss time{moment - day};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    return text;
}

const gatewaysim::App kApp{"app-1", "secret-1"};

void sign(Params& params, const std::string& secret = kApp.secret) {
    std::string method = params.count("sign_method") ? params["sign_method"] : "md5";
    params["sign"] = gatewaysim::topSignature(params, secret, method);
}

// A correctly signed call of method with the application parameters extra.
Params signedCall(const std::string& method, const Params& extra) {
    Params params = {{"method", method},       {"app_key", kApp.key},  {"v", "2.0"},
                     {"timestamp", topTime()}, {"sign_method", "md5"}, {"format", "xml"}};
    for (const auto& [name, value] : extra)
        params[name] = value;
    sign(params);
    return params;
}

std::string formEncode(const Params& params) {
    static const char* const hex = "0123456789ABCDEF";
    std::string out;
    for (const auto& [name, value] : params) {
        if (!out.empty())
            out += '&';
        for (const std::string* part : {&name, &value}) {
            for (unsigned char c : *part) {
                if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
                    out += static_cast<char>(c);
                } else if (c == ' ') {
                    out += '+';
                } else {
                    out += '%';
                    out += hex[c >> 4];
                    out += hex[c & 15];
                }
            }
            if (part == &name)
                out += '=';
        }
    }
    return out;
}

struct Reply {
    int status = 0; // 0: no complete answer
    std::string body;
};

std::string withoutRequestId(std::string body) {
    static const std::regex xml("<request_id>[0-9a-z]{12}</request_id>");
    static const std::regex json("\"request_id\":\"[0-9a-z]{12}\"");
    body = std::regex_replace(body, xml, "<request_id>ID</request_id>");
    return std::regex_replace(body, json, "\"request_id\":\"ID\"");
}

// The error code of an XML or JSON error answer, 0 when it is none.
int errorCode(const std::string& body) {
    std::smatch m;
    if (std::regex_search(body, m, std::regex("<error_response><code>([0-9]+)</code>")) ||
        std::regex_search(body, m, std::regex("\\{\"error_response\":\\{\"code\":([0-9]+)")))
        return std::stoi(m[1]);
    return 0;
}

class GatewaySimTest : public ::testing::Test {
protected:
    void SetUp() override {
        fixtures.write("itemprops.tsv", kItemProps);
        fixtures.write("propvalues.tsv", kPropValues);
        fixtures.write("itemcats.tsv", kItemCats);
        sim.setApp(kApp);
        sim.start(fixtures.path());
    }

    Reply post(const Params& params) { return post("", formEncode(params)); }
    Reply post(const std::string& query, const std::string& body) {
        httplib::Client client("127.0.0.1", sim.port());
        client.set_url_encode(false); // the query is form-encoded already
        client.set_read_timeout(10, 0);
        std::string path = "/router/rest" + (query.empty() ? "" : "?" + query);
        auto res =
            client.Post(path.c_str(), body, "application/x-www-form-urlencoded;charset=utf-8");
        return res ? Reply{res->status, withoutRequestId(res->body)} : Reply{};
    }
    Reply get(const Params& params) {
        httplib::Client client("127.0.0.1", sim.port());
        client.set_url_encode(false);
        auto res = client.Get(("/router/rest?" + formEncode(params)).c_str());
        return res ? Reply{res->status, withoutRequestId(res->body)} : Reply{};
    }

    TempFolder fixtures;
    gatewaysim::Server sim;
};

const char* const kXmlHead = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>";
const char* const kXmlTail = "<!--top010.cm8-->";

} // namespace

TEST(TopSignature, MatchesTheWorkedVectors) {
    const Params t1 = {{"method", "taobao.item.seller.get"},
                       {"app_key", "12345678"},
                       {"session", "test"},
                       {"timestamp", "2016-01-01 12:00:00"},
                       {"format", "json"},
                       {"v", "2.0"},
                       {"sign_method", "md5"},
                       {"fields", "num_iid,title,nick,price,num"},
                       {"num_iid", "11223344"}};
    const Params t4 = {{"method", "taobao.itemprops.get"},
                       {"app_key", "12345678"},
                       {"timestamp", "2016-01-01 12:00:00"},
                       {"format", "xml"},
                       {"v", "2.0"},
                       {"sign_method", "md5"},
                       {"cid", "50010850"},
                       {"fields", "pid,name,is_color_prop,is_sale_prop,is_enum_prop,is_input_prop,"
                                  "is_key_prop,must,multi,status,sort_order,prop_values"}};
    const Params t5 = {{"method", "taobao.itempropvalues.get"},
                       {"app_key", "12345678"},
                       {"timestamp", "2016-01-01 12:00:00"},
                       {"format", "json"},
                       {"v", "2.0"},
                       {"sign_method", "hmac-sha256"},
                       {"cid", "50010850"},
                       {"pvs", "1627207"},
                       {"fields", "cid,pid,prop_name,vid,name,name_alias,status,sort_order"},
                       {"q", "红色 大码"}};
    auto with = [](Params params, const std::string& name, const std::string& value) {
        params[name] = value;
        return params;
    };
    struct Case {
        const char* what;
        Params params;
        std::string signMethod;
        std::string expected;
    };
    const Case cases[] = {
        {"T1", t1, "md5", "66987CB115214E59E6EC978214934FB8"},
        {"T2", with(t1, "sign_method", "hmac"), "hmac", "D56D7858309C31B6251083A874D48273"},
        {"T3", with(t1, "sign_method", "hmac-sha256"), "hmac-sha256",
         "04DB15AD0774D5CFCE2C837DE43E3FCEA9011ED74F3038FB6AB5F3C4CEA119E8"},
        {"T4", t4, "md5", "D124A43E9CC5D39D27674E3787BFC31C"},
        {"T5", t5, "hmac-sha256",
         "E024EDEDCD7A364A4B92CF6EAB1C4FD8573886C4692A6D6F3B1776694FA604D1"},
        {"T6 (empty session)", with(t4, "session", ""), "md5", "D124A43E9CC5D39D27674E3787BFC31C"},
        {"blank session", with(t4, "session", "  "), "md5", "D124A43E9CC5D39D27674E3787BFC31C"},
        {"sign itself", with(t4, "sign", "ABC"), "md5", "D124A43E9CC5D39D27674E3787BFC31C"},
        {"unknown sign method", t4, "sha1", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(gatewaysim::topSignature(c.params, "helloworld", c.signMethod), c.expected)
            << c.what;
}

TEST(GatewayFaults, ParsesFaultLines) {
    struct Case {
        const char* line;
        bool valid;
        gatewaysim::FaultKind kind;
        const char* match;
        const char* argument;
        int times;
    };
    using K = gatewaysim::FaultKind;
    const Case cases[] = {
        {"*\tthrottle\t5\t2", true, K::Throttle, "*", "5", 2},
        {"method=taobao.itemprops.get isp", true, K::Isp, "method=taobao.itemprops.get", "", 0},
        {"cid=100\tisp\tisp.remote-service-timeout", true, K::Isp, "cid=100",
         "isp.remote-service-timeout", 0},
        {"pvs stall 3000", true, K::Stall, "pvs", "3000", 0},
        {"* latency 20", true, K::Latency, "*", "20", 0},
        {"* cut-body - 1", true, K::CutBody, "*", "", 1},
        {"* status 503", true, K::Status, "*", "503", 0},
        {"* bad-xml", true, K::BadXml, "*", "", 0},
        {"* stall", false, K::Stall, "", "", 0},
        {"* status 42", false, K::Status, "", "", 0},
        {"* throttle soon", false, K::Throttle, "", "", 0},
        {"* explode", false, K::Throttle, "", "", 0},
        {"cid=abc isp", false, K::Isp, "", "", 0},
        {"offer=1 isp", false, K::Isp, "", "", 0},
        {"* isp - x", false, K::Isp, "", "", 0},
    };
    for (const auto& c : cases) {
        std::string error;
        auto fault = gatewaysim::parseFault(c.line, &error);
        ASSERT_EQ(fault.has_value(), c.valid) << c.line << ": " << error;
        EXPECT_EQ(error.empty(), c.valid) << c.line;
        if (!fault)
            continue;
        EXPECT_EQ(fault->kind, c.kind) << c.line;
        EXPECT_EQ(fault->match, c.match) << c.line;
        EXPECT_EQ(fault->argument, c.argument) << c.line;
        EXPECT_EQ(fault->times, c.times) << c.line;
    }
    std::string error = "stale";
    EXPECT_FALSE(gatewaysim::parseFault("# a comment", &error));
    EXPECT_EQ(error, "");
    EXPECT_FALSE(gatewaysim::parseFault("  \r\n", &error));
    EXPECT_EQ(error, "");
}

TEST_F(GatewaySimTest, AcceptsEverySignMethodAndEveryWayOfSending) {
    for (const char* signMethod : {"md5", "hmac", "hmac-sha256", ""}) {
        Params params = signedCall("taobao.itemcats.get", {{"cids", "100"}});
        if (*signMethod)
            params["sign_method"] = signMethod;
        else
            params.erase("sign_method"); // md5 when missing
        sign(params);
        Reply reply = post(params);
        EXPECT_EQ(reply.status, 200) << signMethod;
        EXPECT_EQ(errorCode(reply.body), 0) << signMethod << ": " << reply.body;
    }
    // Protocol parameters in the query, application parameters in the body, as TOP's
    // SDKs send them; and everything in the query of a GET.
    Params params = signedCall("taobao.itemcats.get", {{"cids", "100"}});
    Params query = params;
    query.erase("cids");
    Reply split = post(formEncode(query), "cids=100");
    EXPECT_EQ(errorCode(split.body), 0) << split.body;
    EXPECT_NE(split.body.find("<cid>100</cid>"), std::string::npos) << split.body;
    EXPECT_EQ(errorCode(get(params).body), 0);

    auto calls = sim.calls();
    ASSERT_EQ(calls.size(), 6u);
    EXPECT_EQ(calls[4].method, "taobao.itemcats.get");
    EXPECT_EQ(calls[4].params.at("cids"), "100");
    EXPECT_EQ(calls[4].params.at("timestamp"), params.at("timestamp")); // "+" and %3A decoded
    EXPECT_EQ(calls[4].rawBody, "cids=100");
    EXPECT_EQ(calls[4].answerKind, "ok");
    EXPECT_EQ(sim.callCount("taobao.itemcats.get"), 6);
    sim.clearCalls();
    EXPECT_EQ(sim.callCount("taobao.itemcats.get"), 0);
}

TEST_F(GatewaySimTest, RefusesWhatTheRouterRefusesInItsOrder) {
    using Change = std::function<void(Params&)>;
    auto resigned = [](Change change) {
        return [change](Params& p) {
            change(p);
            sign(p);
        };
    };
    struct Case {
        const char* what;
        std::string method;
        Params extra;
        Change change;
        int code;
        const char* subCode;
    };
    const Params cid = {{"cid", "100"}};
    const Case cases[] = {
        {"no method", "taobao.itemprops.get", cid, resigned([](Params& p) { p.erase("method"); }),
         21, ""},
        {"no app key", "taobao.itemprops.get", cid, resigned([](Params& p) { p.erase("app_key"); }),
         28, ""},
        {"another app key", "taobao.itemprops.get", cid,
         resigned([](Params& p) { p["app_key"] = "app-2"; }), 29, ""},
        {"no timestamp", "taobao.itemprops.get", cid,
         resigned([](Params& p) { p.erase("timestamp"); }), 31, ""},
        {"timestamp in epoch ms", "taobao.itemprops.get", cid,
         resigned([](Params& p) { p["timestamp"] = "1767225600000"; }), 31, ""},
        {"timestamp with T", "taobao.itemprops.get", cid, resigned([](Params& p) {
             std::replace(p["timestamp"].begin(), p["timestamp"].end(), ' ', 'T');
         }),
         31, ""},
        {"timestamp in UTC", "taobao.itemprops.get", cid,
         resigned([](Params& p) { p["timestamp"] = topTime(-8 * 3600); }), 31, ""},
        {"timestamp 11 minutes ahead", "taobao.itemprops.get", cid,
         resigned([](Params& p) { p["timestamp"] = topTime(11 * 60); }), 31, ""},
        {"unknown sign method", "taobao.itemprops.get", cid,
         [](Params& p) { p["sign_method"] = "sha1"; }, 25, ""},
        {"no sign", "taobao.itemprops.get", cid, [](Params& p) { p.erase("sign"); }, 25, ""},
        {"wrong secret", "taobao.itemprops.get", cid, [](Params& p) { sign(p, "secret-2"); }, 25,
         ""},
        {"lower-case sign", "taobao.itemprops.get", cid,
         [](Params& p) {
             for (char& c : p["sign"])
                 c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
         },
         25, ""},
        {"value changed after signing", "taobao.itemprops.get", cid,
         [](Params& p) { p["cid"] = "101"; }, 25, ""},
        {"empty session sent", "taobao.itemprops.get", cid,
         resigned([](Params& p) { p["session"] = ""; }), 41, "isv.invalid-parameter"},
        {"v 1.0", "taobao.itemprops.get", cid, resigned([](Params& p) { p["v"] = "1.0"; }), 41, ""},
        {"unknown method", "taobao.item.get", cid, [](Params&) {}, 22, ""},
        {"itemprops.get without cid",
         "taobao.itemprops.get",
         {},
         [](Params&) {},
         40,
         "isv.missing-parameter"},
        {"itempropvalues.get without fields", "taobao.itempropvalues.get", cid, [](Params&) {}, 40,
         "isv.missing-parameter"},
        {"itemcats.get without cids or parent_cid",
         "taobao.itemcats.get",
         {},
         [](Params&) {},
         40,
         "isv.missing-parameter"},
        {"1001 cids",
         "taobao.itemcats.get",
         {},
         resigned([](Params& p) {
             std::string cids = "1";
             for (int i = 2; i <= 1001; ++i)
                 cids += "," + std::to_string(i);
             p["cids"] = cids;
         }),
         41,
         "isv.invalid-parameter"},
    };
    int calls = 0;
    for (const auto& c : cases) {
        Params params = signedCall(c.method, c.extra);
        c.change(params);
        Reply reply = post(params);
        ++calls;
        EXPECT_EQ(reply.status, 200) << c.what;
        EXPECT_EQ(errorCode(reply.body), c.code) << c.what << ": " << reply.body;
        bool hasSubCode = reply.body.find("<sub_code>") != std::string::npos;
        if (*c.subCode)
            EXPECT_NE(reply.body.find(std::string("<sub_code>") + c.subCode + "</sub_code>"),
                      std::string::npos)
                << c.what << ": " << reply.body;
        else
            EXPECT_FALSE(hasSubCode) << c.what << ": " << reply.body;
        ASSERT_EQ(sim.calls().size(), static_cast<size_t>(calls));
        EXPECT_EQ(sim.calls().back().answerKind, std::to_string(c.code)) << c.what;
    }
    // The shapes, XML by default and JSON on request; parts without value left out.
    Params params = signedCall("taobao.itemprops.get", cid);
    params["sign_method"] = "sha1";
    EXPECT_EQ(post(params).body, std::string(kXmlHead) +
                                     "<error_response><code>25</code><msg>Invalid "
                                     "Signature</msg><sub_msg>Invalid sign method</sub_msg>"
                                     "<request_id>ID</request_id></error_response>" +
                                     kXmlTail);
    params["format"] = "json";
    EXPECT_EQ(post(params).body, "{\"error_response\":{\"code\":25,\"msg\":\"Invalid "
                                 "Signature\",\"sub_msg\":\"Invalid sign method\","
                                 "\"request_id\":\"ID\"}}");
    EXPECT_EQ(sim.callCount("taobao.itemprops.get"), 17);
    EXPECT_EQ(sim.callCount(""), 1);
}

TEST_F(GatewaySimTest, ChecksTimestampsAgainstItsOwnClock) {
    struct Case {
        int skewSeconds;
        bool accepted;
    };
    // The router's clock runs ahead or behind; the call's timestamp is the true time.
    for (Case c : {Case{9 * 60, true}, Case{-9 * 60, true}, Case{11 * 60, false},
                   Case{-11 * 60, false}, Case{8 * 3600, false}}) {
        sim.setClockSkewSeconds(c.skewSeconds);
        Reply reply = post(signedCall("taobao.itemcats.get", {{"parent_cid", "16"}}));
        EXPECT_EQ(errorCode(reply.body), c.accepted ? 0 : 31) << c.skewSeconds;
    }
}

TEST_F(GatewaySimTest, ItemPropsAnswersInTopsShapes) {
    Reply xml =
        post(signedCall("taobao.itemprops.get",
                        {{"cid", "100"}, {"fields", "pid,name,is_color_prop,prop_values"}}));
    EXPECT_EQ(xml.status, 200);
    // Fields in name order, the brand without its values, values by sort order, entities
    // of the fixture kept and other markup escaped.
    EXPECT_EQ(xml.body,
              std::string(kXmlHead) +
                  "<itemprops_get_response><item_props list=\"true\">"
                  "<item_prop><is_color_prop>false</is_color_prop><name>品牌</name><pid>20000</pid>"
                  "</item_prop>"
                  "<item_prop><is_color_prop>true</is_color_prop><name>颜色分类</name>"
                  "<pid>1627207</pid><prop_values list=\"true\">"
                  "<prop_value><name>红色</name><vid>28326</vid></prop_value>"
                  "<prop_value><name>黑色</name><vid>28341</vid></prop_value></prop_values>"
                  "</item_prop>"
                  "<item_prop><is_color_prop>false</is_color_prop><name>尺码</name><pid>20509</pid>"
                  "<prop_values list=\"true\"><prop_value><name>S</name><vid>28314</vid>"
                  "</prop_value></prop_values></item_prop>"
                  "<item_prop><is_color_prop>false</is_color_prop><name>材质</name><pid>20021</pid>"
                  "<prop_values list=\"true\">"
                  "<prop_value><name>棉</name><name_alias>纯棉</name_alias><vid>3323086</vid>"
                  "</prop_value>"
                  "<prop_value><name>A&nbsp;B</name><vid>7</vid></prop_value>"
                  "<prop_value><name>M&amp;M &lt;x&gt;</name><vid>8</vid></prop_value>"
                  "<prop_value><name>P&amp;Q</name><vid>9</vid></prop_value>"
                  "</prop_values></item_prop></item_props>"
                  "<last_modified>2026-01-01 00:00:00</last_modified><request_id>ID</request_id>"
                  "</itemprops_get_response>" +
                  kXmlTail);

    Reply json = post(signedCall("taobao.itemprops.get", {{"cid", "100"},
                                                          {"pid", "1627207"},
                                                          {"format", "json"},
                                                          {"fields", "pid,name,is_sale_prop,must,"
                                                                     "sort_order,prop_values"}}));
    EXPECT_EQ(
        json.body,
        "{\"itemprops_get_response\":{\"item_props\":{\"item_prop\":[{\"is_sale_prop\":true,"
        "\"must\":false,\"name\":\"颜色分类\",\"pid\":1627207,\"prop_values\":{\"prop_value\":"
        "[{\"name\":\"红色\",\"vid\":28326},{\"name\":\"黑色\",\"vid\":28341}]},"
        "\"sort_order\":2}]},\"last_modified\":\"2026-01-01 00:00:00\",\"request_id\":\"ID\"}}");

    // Default fields: pid, name, must, multi, prop_values.
    Reply defaults = post(signedCall("taobao.itemprops.get", {{"cid", "100"}, {"pid", "20509"}}));
    EXPECT_NE(defaults.body.find("<item_prop><multi>false</multi><must>true</must><name>尺码</name>"
                                 "<pid>20509</pid><prop_values list=\"true\">"),
              std::string::npos)
        << defaults.body;

    Reply unknown = post(signedCall("taobao.itemprops.get", {{"cid", "999"}}));
    EXPECT_EQ(unknown.body, std::string(kXmlHead) +
                                "<itemprops_get_response><last_modified>2026-01-01 "
                                "00:00:00</last_modified><request_id>ID</request_id>"
                                "</itemprops_get_response>" +
                                kXmlTail);
}

TEST_F(GatewaySimTest, ItemPropValuesServesEveryPropertyIncludingThoseKeptApart) {
    const std::string fields = "cid,pid,prop_name,vid,name,name_alias,status,sort_order";
    Reply brand = post(signedCall("taobao.itempropvalues.get",
                                  {{"cid", "100"}, {"pvs", "20000"}, {"fields", fields}}));
    EXPECT_EQ(brand.body, std::string(kXmlHead) +
                              "<itempropvalues_get_response><last_modified>2026-01-01 "
                              "00:00:00</last_modified><prop_values list=\"true\"><prop_value>"
                              "<cid>100</cid><name>青木</name><pid>20000</pid><prop_name>品牌"
                              "</prop_name><sort_order>1</sort_order><status>normal</status>"
                              "<vid>3275069</vid></prop_value></prop_values><request_id>ID"
                              "</request_id></itempropvalues_get_response>" +
                              kXmlTail);

    Reply one =
        post(signedCall("taobao.itempropvalues.get", {{"cid", "100"},
                                                      {"pvs", "20021:3323086;1627207:28341"},
                                                      {"fields", "vid,name,name_alias"},
                                                      {"format", "json"}}));
    EXPECT_EQ(one.body, "{\"itempropvalues_get_response\":{\"last_modified\":\"2026-01-01 "
                        "00:00:00\",\"prop_values\":{\"prop_value\":[{\"name\":\"黑色\",\"vid\":"
                        "28341},{\"name\":\"棉\",\"name_alias\":\"纯棉\",\"vid\":3323086}]},"
                        "\"request_id\":\"ID\"}}");

    Reply all = post(signedCall("taobao.itempropvalues.get", {{"cid", "100"}, {"fields", "vid"}}));
    std::string vids;
    const std::regex vid("<vid>([0-9]+)</vid>");
    for (std::sregex_iterator it(all.body.begin(), all.body.end(), vid);
         it != std::sregex_iterator(); ++it)
        vids += (*it)[1].str() + " ";
    EXPECT_EQ(vids, "3275069 28341 28326 28314 3323086 7 8 9 ");
}

TEST_F(GatewaySimTest, ItemCatsAnswersByParentAndByCids) {
    Reply children = post(signedCall(
        "taobao.itemcats.get", {{"parent_cid", "16"}, {"fields", "cid,name,sort_order,status"}}));
    EXPECT_EQ(children.body,
              std::string(kXmlHead) +
                  "<itemcats_get_response><item_cats list=\"true\">"
                  "<item_cat><cid>101</cid><name>T恤</name><sort_order>1</sort_order>"
                  "<status>normal</status></item_cat>"
                  "<item_cat><cid>100</cid><name>连衣裙</name><sort_order>2"
                  "</sort_order><status>normal</status></item_cat></item_cats>"
                  "<request_id>ID</request_id></itemcats_get_response>" +
                  kXmlTail);

    Reply byCids =
        post(signedCall("taobao.itemcats.get", {{"cids", "100,16,555"}, {"format", "json"}}));
    EXPECT_EQ(byCids.body,
              "{\"itemcats_get_response\":{\"item_cats\":{\"item_cat\":["
              "{\"cid\":100,\"is_parent\":false,\"name\":\"连衣裙\",\"parent_cid\":16},"
              "{\"cid\":16,\"is_parent\":true,\"name\":\"女装&女士精品\",\"parent_cid\":0}]},"
              "\"request_id\":\"ID\"}}");
    Reply escaped = post(signedCall("taobao.itemcats.get", {{"cids", "16"}, {"fields", "name"}}));
    EXPECT_NE(escaped.body.find("<name>女装&amp;女士精品</name>"), std::string::npos);

    // The files are read on every call.
    fixtures.write("itemcats.tsv", "16\t0\t服饰\ttrue\t1\n");
    Reply changed = post(signedCall("taobao.itemcats.get", {{"parent_cid", "16"}}));
    EXPECT_EQ(changed.body, std::string(kXmlHead) +
                                "<itemcats_get_response><request_id>ID</request_id>"
                                "</itemcats_get_response>" +
                                kXmlTail);
}

TEST_F(GatewaySimTest, FaultsBreakTheMatchingCalls) {
    const Params props = {{"cid", "100"}, {"fields", "pid"}};
    const Params values = {{"cid", "100"}, {"fields", "vid"}};
    sim.addFault("method=taobao.itemprops.get\tthrottle\t5\t1");
    sim.addFault("cid=16 isp");
    sim.addFault("pvs status 503 1");
    sim.addFault("cid=101 bad-xml");
    sim.addFault("cid=102 cut-body");

    Reply throttled = post(signedCall("taobao.itemprops.get", props));
    EXPECT_EQ(throttled.body, std::string(kXmlHead) +
                                  "<error_response><code>7</code><msg>App Call Limited</msg>"
                                  "<sub_code>accesscontrol.limited-by-app-access-count</sub_code>"
                                  "<sub_msg>This ban will last for 5 more seconds</sub_msg>"
                                  "<request_id>ID</request_id></error_response>" +
                                  kXmlTail);
    EXPECT_EQ(errorCode(post(signedCall("taobao.itemprops.get", props)).body), 0); // once only

    Params isp = signedCall("taobao.itemcats.get", {{"parent_cid", "16"}, {"format", "json"}});
    EXPECT_EQ(post(isp).body, "{\"error_response\":{\"code\":15,\"msg\":\"Remote service "
                              "error\",\"sub_code\":\"isp.top-remote-connection-timeout\","
                              "\"sub_msg\":\"服务暂不可用\",\"request_id\":\"ID\"}}");

    Reply unavailable = post(signedCall("taobao.itempropvalues.get", values));
    EXPECT_EQ(unavailable.status, 503);
    EXPECT_EQ(unavailable.body, "gateway-sim: status 503");
    EXPECT_EQ(errorCode(post(signedCall("taobao.itempropvalues.get", values)).body), 0);

    Reply cut = post(signedCall("taobao.itemprops.get", {{"cid", "101"}}));
    EXPECT_EQ(cut.body, "<itemprops_get_response><item_props list=\"true\"><item_prop>");
    EXPECT_EQ(post(signedCall("taobao.itemprops.get", {{"cid", "102"}})).status, 0);

    std::vector<std::string> kinds;
    for (const auto& call : sim.calls())
        kinds.push_back(call.answerKind);
    EXPECT_EQ(kinds, (std::vector<std::string>{"throttle", "ok", "isp", "status", "ok", "bad-xml",
                                               "cut-body"}));
    EXPECT_EQ(sim.callCount("taobao.itemprops.get"), 4);
    EXPECT_EQ(sim.callCount("taobao.itempropvalues.get"), 2);

    // A fault does not spare a call the router would refuse: latency delays the refusal.
    sim.clearFaults();
    sim.addFault("* latency 10");
    Params unsigned_ = signedCall("taobao.itemprops.get", props);
    unsigned_.erase("sign");
    EXPECT_EQ(errorCode(post(unsigned_).body), 25);
}

TEST_F(GatewaySimTest, StopEndsAStalledCallAtOnce) {
    sim.addFault("* stall 60000");
    std::atomic<bool> answered{false};
    std::thread client([&] {
        post(signedCall("taobao.itemcats.get", {{"parent_cid", "16"}}));
        answered = true;
    });
    for (int i = 0; i < 500 && sim.callCount("taobao.itemcats.get") == 0; ++i)
        std::this_thread::sleep_for(10ms);
    ASSERT_EQ(sim.callCount("taobao.itemcats.get"), 1);
    EXPECT_FALSE(answered);
    auto before = std::chrono::steady_clock::now();
    sim.stop();
    client.join();
    // Far below the stall: the stop did not wait for it.
    EXPECT_LT(std::chrono::steady_clock::now() - before, 20s);
}

TEST(GatewaySimStart, RefusesAMissingFolderAndABadFaultsFile) {
    gatewaysim::Server sim;
    EXPECT_THROW(sim.start(lw::platform::fromPath(fs::temp_directory_path() / "gateway-sim-none")),
                 std::runtime_error);
    TempFolder folder;
    folder.write("faults.tsv", "# one good, one bad\n*\tthrottle\t3\n*\tstall\tlong\n");
    EXPECT_THROW(sim.start(folder.path()), std::runtime_error);
    folder.write("faults.tsv", "# throttled\n*\tthrottle\t3\n");
    sim.start(folder.path());
    httplib::Client client("127.0.0.1", sim.port());
    auto res = client.Get("/router/rest");
    ASSERT_TRUE(res);
    EXPECT_NE(res->body.find("<code>7</code>"), std::string::npos) << res->body;
    EXPECT_EQ(sim.routerUrl(), "http://127.0.0.1:" + std::to_string(sim.port()) + "/router/rest");
}
