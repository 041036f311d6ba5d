// The Relay's pieces that need no network: the platform's signature, its time stamps,
// the reading of its XML, the matching of names, the request limits.
#include "relay/form_fields.hpp"
#include "relay/property_matching.hpp"
#include "relay/rate_limiter.hpp"
#include "relay/top_client.hpp"
#include "relay/top_signature.hpp"
#include "relay/xml_reader.hpp"

#include <gtest/gtest.h>

#include <chrono>

using namespace lw::relay;

namespace {

using Params = std::map<std::string, std::string>;

const Params kT1 = {{"method", "taobao.item.seller.get"},
                    {"app_key", "12345678"},
                    {"session", "test"},
                    {"timestamp", "2016-01-01 12:00:00"},
                    {"format", "json"},
                    {"v", "2.0"},
                    {"sign_method", "md5"},
                    {"fields", "num_iid,title,nick,price,num"},
                    {"num_iid", "11223344"}};

Params with(Params p, const std::string& key, const std::string& value) {
    p[key] = value;
    return p;
}

const Params kT4 = {{"method", "taobao.itemprops.get"},
                    {"app_key", "12345678"},
                    {"timestamp", "2016-01-01 12:00:00"},
                    {"format", "xml"},
                    {"v", "2.0"},
                    {"sign_method", "md5"},
                    {"cid", "50010850"},
                    {"fields", "pid,name,is_color_prop,is_sale_prop,is_enum_prop,is_input_prop,"
                               "is_key_prop,must,multi,status,sort_order,prop_values"}};

const Params kT5 = {{"method", "taobao.itempropvalues.get"},
                    {"app_key", "12345678"},
                    {"timestamp", "2016-01-01 12:00:00"},
                    {"format", "json"},
                    {"v", "2.0"},
                    {"sign_method", "hmac-sha256"},
                    {"cid", "50010850"},
                    {"pvs", "1627207"},
                    {"fields", "cid,pid,prop_name,vid,name,name_alias,status,sort_order"},
                    {"q", "红色 大码"}};

struct SignCase {
    const char* name;
    Params params;
    const char* method;
    const char* expected;
};

TEST(TopSignature, TheDocumentedVectors) {
    const SignCase cases[] = {
        {"T1 md5 (official)", kT1, "md5", "66987CB115214E59E6EC978214934FB8"},
        {"T2 hmac", with(kT1, "sign_method", "hmac"), "hmac", "D56D7858309C31B6251083A874D48273"},
        {"T3 hmac-sha256", with(kT1, "sign_method", "hmac-sha256"), "hmac-sha256",
         "04DB15AD0774D5CFCE2C837DE43E3FCEA9011ED74F3038FB6AB5F3C4CEA119E8"},
        {"T4 itemprops", kT4, "md5", "D124A43E9CC5D39D27674E3787BFC31C"},
        {"T5 UTF-8 with a blank", kT5, "hmac-sha256",
         "E024EDEDCD7A364A4B92CF6EAB1C4FD8573886C4692A6D6F3B1776694FA604D1"},
        {"T6 a blank value is not signed", with(kT4, "session", ""), "md5",
         "D124A43E9CC5D39D27674E3787BFC31C"},
        {"the sign itself is not signed", with(kT4, "sign", "X"), "md5",
         "D124A43E9CC5D39D27674E3787BFC31C"},
    };
    for (const SignCase& c : cases)
        EXPECT_EQ(topSignature(c.params, "helloworld", c.method), c.expected) << c.name;
    EXPECT_EQ(topSignature(kT1, "helloworld", "sha1"), "");
}

TEST(TopClient, SendsNoEmptyValueAndSignsWhatItSends) {
    RelayLog log;
    TopClient client({"http://127.0.0.1:1/router/rest", "12345678", "helloworld", "md5"}, log);
    Params sent = client.signedParameters(
        "taobao.itemprops.get", {{"cid", "50010850"}, {"pvs", ""}, {"fields", kT4.at("fields")}},
        "2016-01-01 12:00:00");
    EXPECT_EQ(sent.count("pvs"), 0u);
    EXPECT_EQ(sent.at("sign"), "D124A43E9CC5D39D27674E3787BFC31C");
    EXPECT_EQ(sent.at("v"), "2.0");
    EXPECT_EQ(sent.at("format"), "xml");
}

TEST(TopClient, TimestampsAreInGmtPlusEight) {
    using namespace std::chrono;
    EXPECT_EQ(topTimestamp(system_clock::time_point{}), "1970-01-01 08:00:00");
    // 2016-01-01 04:00:00 UTC is noon in Beijing.
    EXPECT_EQ(topTimestamp(system_clock::time_point{seconds{1451620800}}), "2016-01-01 12:00:00");
    // 16:30 UTC is already the next day there.
    EXPECT_EQ(topTimestamp(system_clock::time_point{seconds{1451665800}}), "2016-01-02 00:30:00");
}

TEST(TopClient, TheBanAThrottlingAnswerStates) {
    EXPECT_EQ(statedBanSeconds("This ban will last for 2 more seconds"), 2);
    EXPECT_EQ(statedBanSeconds("This ban will last for 71 more seconds"), 71);
    EXPECT_EQ(statedBanSeconds("调用受限"), 1);
}

TEST(XmlReader, ReadsAnswersAsThePlatformWritesThem) {
    XmlReadResult r = readXml(
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\" ?><itemprops_get_response>"
        "<item_props list=\"true\"><item_prop><name>M&amp;M&nbsp;主题 &#x4E2D;&#20013;</name>"
        "<pid>1</pid><!-- inside --><prop_values list=\"true\"/></item_prop></item_props>"
        "<note><![CDATA[a<b]]></note></itemprops_get_response><!--top010.cm8-->\n");
    ASSERT_TRUE(r.root) << r.error;
    EXPECT_EQ(r.root->name, "itemprops_get_response");
    const XmlElement* prop = r.root->child("item_props")->child("item_prop");
    ASSERT_TRUE(prop);
    // &nbsp; is no XML entity: kept as it stands rather than refusing the answer.
    EXPECT_EQ(prop->childText("name"), "M&M&nbsp;主题 中中");
    EXPECT_EQ(prop->childText("pid"), "1");
    EXPECT_TRUE(prop->child("prop_values"));
    EXPECT_EQ(r.root->childText("note"), "a<b");
}

TEST(XmlReader, RefusesWhatIsNotAWholeDocument) {
    const char* broken[] = {
        "",
        "not xml",
        "<a><b></a>",
        "<itemprops_get_response><item_props list=\"true\"><item_prop>",
        "<a>x</a><b/>",
        "<a attr=\"unterminated></a>",
    };
    for (const char* text : broken)
        EXPECT_FALSE(readXml(text).root) << text;
    std::string deep;
    for (int i = 0; i < 100000; ++i)
        deep += "<a>";
    XmlReadResult r = readXml(deep);
    EXPECT_FALSE(r.root);
    EXPECT_NE(r.error.find("deep"), std::string::npos);
}

CategoryProperties demoCategory(const std::string& colourName) {
    CategoryProperties c;
    c.cid = "50000671";
    CategoryProperty brand{kBrandPid, "品牌", false, false, false, false, {}};
    CategoryProperty colour{
        "1627207",
        colourName,
        true,
        true,
        true,
        false,
        {{"28326", "红色", ""}, {"28320", "白色", ""}, {"3232479", "深蓝色", ""}}};
    CategoryProperty size{"20509",
                          "尺码",
                          false,
                          true,
                          true,
                          false,
                          {{"28314", "S", ""}, {"28317", "XL", ""}, {"28318", "XXL", "2XL"}}};
    CategoryProperty material{
        "20021", "材质", false, false, true, false, {{"3323086", "棉", "纯棉"}}};
    c.properties = {brand, colour, size, material};
    return c;
}

TEST(PropertyMatching, NamesAsTheProgramSendsThem) {
    const struct {
        const char* colourProperty;
        const char* asked;
        const char* pid;
    } cases[] = {
        {"颜色分类", "颜色", "1627207"},
        {"主要颜色", "颜色", "1627207"},
        {"主要颜色", "颜色分类", "1627207"},
        {"颜色分类", "尺码", "20509"},
        {"颜色分类", "尺寸", "20509"},
        {"颜色分类", "品牌", "20000"},
        {"颜色分类", "材质", "20021"},
        {"颜色分类", "风格", ""},
        {"颜色分类", "", ""},
    };
    for (const auto& c : cases) {
        CategoryProperties category = demoCategory(c.colourProperty);
        const CategoryProperty* p = matchProperty(category, c.asked);
        EXPECT_EQ(p ? p->pid : "", c.pid) << c.colourProperty << " / " << c.asked;
    }
}

TEST(PropertyMatching, ValuesByNameAliasAndNormalisedForm) {
    CategoryProperties category = demoCategory("颜色分类");
    const struct {
        const char* pid;
        const char* asked;
        const char* vid;
    } cases[] = {
        {"20021", "棉", "3323086"}, {"20021", "纯棉", "3323086"}, {"20509", "xl", "28317"},
        {"20509", "ＸＬ", "28317"}, {"20509", " XL　", "28317"},  {"20509", "2xl", "28318"},
        {"20509", "XS", ""},        {"1627207", "红色", "28326"}, {"1627207", "米白", ""},
    };
    for (const auto& c : cases) {
        const PropertyValue* v = matchValue(*category.property(c.pid), c.asked);
        EXPECT_EQ(v ? v->vid : "", c.vid) << c.pid << " / " << c.asked;
    }
}

TEST(PropertyMatching, SpareValuesComeFromTheEndAndAreNeverShared) {
    CategoryProperties category = demoCategory("颜色分类");
    const CategoryProperty& colour = *category.property("1627207");
    EXPECT_TRUE(takesSpareValues(colour));
    EXPECT_TRUE(takesSpareValues(*category.property("20509")));
    EXPECT_FALSE(takesSpareValues(*category.property("20021")));
    EXPECT_EQ(pickSpareValue(colour, {}), "3232479");
    EXPECT_EQ(pickSpareValue(colour, {"3232479"}), "28320");
    EXPECT_EQ(pickSpareValue(colour, {"3232479", "28320", "28326"}), std::nullopt);
}

TEST(FormFields, LimitsAndDecoding) {
    FormFields ok = readFormFields("a=1&name=%E7%BA%A2+x&empty=&a=2", {});
    ASSERT_TRUE(ok.fields);
    EXPECT_EQ(ok.fields->at("a"), "1");
    EXPECT_EQ(ok.fields->at("name"), "红 x");
    EXPECT_EQ(ok.fields->at("empty"), "");
    EXPECT_FALSE(readFormFields("v=" + std::string(600, 'x'), {}).fields);
    EXPECT_TRUE(readFormFields("cids=" + std::string(600, '1'), {}, {{"cids", 12000}}).fields);
    std::string many;
    for (int i = 0; i < 41; ++i)
        many += "k" + std::to_string(i) + "=1&";
    EXPECT_FALSE(readFormFields(many, {}).fields);
    EXPECT_TRUE(isDigitsId("640218503901"));
    for (const char* bad : {"", "12a", "-1", "1 2", "123456789012345678901"})
        EXPECT_FALSE(isDigitsId(bad)) << bad;
}

TEST(RateLimiter, ABurstThenTheSteadyRatePerAddress) {
    RateLimiter limiter(3, 2);
    auto t = RateLimiter::Clock::now();
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(limiter.allow("a", t));
    EXPECT_FALSE(limiter.allow("a", t));
    EXPECT_TRUE(limiter.allow("b", t)) << "another address has its own allowance";
    EXPECT_TRUE(limiter.allow("a", t + std::chrono::milliseconds(500)));
    EXPECT_FALSE(limiter.allow("a", t + std::chrono::milliseconds(500)));
}

} // namespace
