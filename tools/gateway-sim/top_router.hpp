#pragma once

#include "gateway_sim.hpp"

#include <filesystem>
#include <map>
#include <string>

// The TOP router's checks and its category methods, apart from the HTTP server.
namespace gatewaysim {

using Params = std::map<std::string, std::string>;

struct TopCall {
    Params params;
    App app;
    long long nowSeconds = 0; // the router's clock, seconds since 1970 UTC
    std::filesystem::path fixtures;
    std::string requestId;
};

struct TopAnswer {
    std::string contentType;
    std::string body;
    std::string answerKind; // "ok" or the error code
};

// What the router answers to a call that no fault breaks.
TopAnswer answerTopCall(const TopCall& call);

// An error answer in the format the call asks for (XML unless format=json).
TopAnswer topErrorAnswer(const Params& params, int code, const std::string& msg,
                         const std::string& subCode, const std::string& subMsg,
                         const std::string& requestId);

// "yyyy-MM-dd HH:mm:ss" read as a time of GMT+8, in seconds since 1970 UTC; false when
// the text is not such a time.
bool parseTopTimestamp(const std::string& text, long long& secondsUtc);

} // namespace gatewaysim
