#pragma once

#include <functional>
#include <string>
#include <vector>

namespace lw {

// What one Taobao Method Request brought back.
struct MethodAnswer {
    std::string text;  // the answer, UTF-8; an HTTP error status arrives as an Error Response
    std::string error; // a transport failure (connection, time-out); empty when answered
};

// Posts the request fields of a Taobao Method Request to the relay's API endpoint; the
// transport adds the account code and the client version.
using MethodPost = std::function<MethodAnswer(const std::vector<std::string>& fields)>;

} // namespace lw
