#include "net/async_http_request.hpp"
#include "net/http_client.hpp"
#include "net/relay.hpp"
#include "store/config.hpp"
#include "store/text_routines.hpp"

#include <gtest/gtest.h>

#include <optional>

using namespace lw;

TEST(RelayContext, EndpointsAndTrimmedAccountCodeFromConfig) {
    Config config;
    config.relayHost = " relay.example.com:8080 ";
    config.appKey = "k";
    config.accessToken = "t";
    config.accountCode = "  A 1  ";
    RelayContext app = makeRelayContext(config);
    EXPECT_EQ(app.baseAddress, "http://relay.example.com:8080");
    EXPECT_EQ(app.apiEndpoint, "http://relay.example.com:8080/openapi/getdata.aspx");
    EXPECT_EQ(app.lookupEndpoint, "http://relay.example.com:8080/xml/getxml.asp");
    EXPECT_EQ(app.accountCode, "A 1");
    EXPECT_EQ(app.clientVersion, programVersion());
    EXPECT_EQ(app.missing, "");
}

TEST(RelayContext, OfferBodyEncodesOnlyTheAccountCode) {
    struct Case {
        std::string accountCode;
        std::string codeid;
    };
    const Case cases[] = {
        {"", ""},
        {"a b", "a%20b"},
        {"a+b", "a%2Bb"},
        {"中文", "%E4%B8%AD%E6%96%87"},
        {"x#%*<>y/=&", "x%23%25%2A%3C%3Ey/=&"},
    };
    for (const auto& c : cases) {
        Config config;
        config.relayHost = "r";
        config.appKey = "k y"; // sent as it is
        config.accountCode = c.accountCode;
        RelayContext app = makeRelayContext(config);
        EXPECT_EQ(offerRequestBody(app, "12 3"),
                  "app_key=k y&method=offer.get&offerId=12 3&returnFields=subject,details,offerId,"
                  "postCategryId,amountOnSale,priceRanges,skuArray,productFeatureList,imageList"
                  "&codeid=" +
                      c.codeid + "&rvversion=" + programVersion())
            << c.accountCode;
    }
}

TEST(RelayOffer, AnAmpersandInTheOfferIdStartsNoField) {
    Config config;
    config.relayHost = "r";
    config.appKey = "k";
    config.accountCode = "acc";
    RelayContext app = makeRelayContext(config);
    EXPECT_EQ(offerRequestBody(app, "1&codeid=evil"),
              "app_key=k&method=offer.get&offerId=1%26codeid=evil&returnFields=subject,details,"
              "offerId,postCategryId,amountOnSale,priceRanges,skuArray,productFeatureList,imageList"
              "&codeid=acc&rvversion=" +
                  programVersion());
}

TEST(RelayLookup, QueriesEncodeTheNameAsFormValue) {
    EXPECT_EQ(propertyLookupQuery("50010850", "颜色 分类+"),
              "tablename=TB_ItemProps&cid=50010850&name=%E9%A2%9C%E8%89%B2+%E5%88%86%E7%B1%BB%2B");
    EXPECT_EQ(propertyValueLookupQuery("1", "20509", "M&L"),
              "tablename=TB_ItemPropValue&cid=1&pid=20509&name=M%26L");
}

TEST(ErrorResponse, MessageFromItsTags) {
    struct Case {
        std::string answer;
        bool isError;
        std::string message;
    };
    const std::string p = kOfferErrorPrefix;
    const Case cases[] = {
        {"<error_response><code>15</code><msg>Remote service error</msg><sub_code>isv.x</sub_code>"
         "<sub_msg>不存在</sub_msg></error_response>",
         true, p + "Remote service error,isv.x,不存在"},
        {"<error_response><msg>Invalid app Key</msg></error_response>", true,
         p + "Invalid app Key"},
        // Only the code: no empty part in between.
        {"<error_response><msg>m</msg><sub_code>c</sub_code></error_response>", true, p + "m,c"},
        // Merely mentioned inside other text: still an Error Response.
        {"{\"details\":\"see <error_response> here\"}", true, p},
        {"{\"result\":{\"toReturn\":[]}}", false, ""},
        {"<error_response/>", false, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isErrorResponse(c.answer), c.isError) << c.answer;
        if (c.isError) {
            EXPECT_EQ(errorResponseMessage(c.answer, p), c.message);
        }
    }
}

// The caller shows the report ("提示", error icon) and hides its panel.
TEST(ErrorResponse, CheckReturnsTheReportOfAnErrorResponseOnly) {
    EXPECT_EQ(checkErrorResponse("<itemcats/>", kItemCatsErrorPrefix), std::nullopt);
    EXPECT_EQ(checkErrorResponse("<error_response><msg>m</msg><sub_code>c</sub_code>"
                                 "<sub_msg>s</sub_msg></error_response>",
                                 kItemPropValuesErrorPrefix),
              "获取类目属性2失败.\r\n错误原因: m,c,s");
}

TEST(RelayAnswer, InvalidUtf8BytesBecomeReplacementCharacters) {
    EXPECT_EQ(relayAnswerText("中文"), "中文");
    EXPECT_EQ(relayAnswerText("a\xC4\xD0z"), "a\xEF\xBF\xBD\xEF\xBF\xBDz");
}

TEST(HttpClientHelpers, ProxyBypassAlwaysHoldsLoopback) {
    EXPECT_EQ(proxyBypassList(""), "127.0.0.1,localhost,::1");
    EXPECT_EQ(proxyBypassList(" .corp.example "), ".corp.example,127.0.0.1,localhost,::1");
    EXPECT_EQ(proxyBypassList("*"), "*");
}

TEST(HttpClientHelpers, UnsafeUrlBytesAreEscaped) {
    EXPECT_EQ(escapeUnsafeUrlBytes("http://h/a b?q=中&r=%20#x y"),
              "http://h/a%20b?q=%E4%B8%AD&r=%20#x%20y");
}

TEST(WinHttpAddress, SchemeAddedAndPathAndQueryEncoded) {
    struct Case {
        std::string url;
        std::string address;
    };
    const Case cases[] = {
        {"relay.example.com/openapi/getdata.aspx", "http://relay.example.com/openapi/getdata.aspx"},
        {"https://h/p", "https://h/p"},
        {"h", "http://h"},
        {"http://h/a b/c?x=1 2&y=+*#f", "http://h/a%20b/c?x=1%202&y=%2B%2A%23f"},
        {"http://h/?n=%E4%B8%AD&a=%26", "http://h/?n=%E4%B8%AD&a=%26"},
        {"http://h/?n=中%", "http://h/?n=%E4%B8%AD%25"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AsyncHttpRequest::requestAddress(c.url), c.address) << c.url;
}

TEST(WinHttpStream, ReadsFromItsPosition) {
    MemoryStream stream("abcdef");
    EXPECT_EQ(stream.position(), 0);
    EXPECT_EQ(stream.read(2), "ab");
    EXPECT_EQ(stream.readAll(), "cdef");
    EXPECT_EQ(stream.read(3), "");
}

TEST(HttpResultHeaders, LookUpByNameIgnoringCase) {
    HttpResult r;
    r.headers = {"Content-Length: 12", "X-Long-Name:  v  ", "Content-Type: text/xml"};
    EXPECT_EQ(r.header("content-length"), "12");
    EXPECT_EQ(r.header("X-LONG-NAME"), "v");
    EXPECT_EQ(r.header("Content"), "");
    EXPECT_TRUE(r.hasHeader("content-type"));
    EXPECT_FALSE(r.hasHeader("Content"));
}
