#pragma once

#include "relay/accounts.hpp"
#include "relay/category_tree.hpp"
#include "relay/relay_log.hpp"
#include "relay/top_client.hpp"

#include <string>

namespace lw::relay {

// An Error Response in the form the program reads and shows: msg, sub_code and sub_msg
// (texts for a shop keeper, without XML's special characters).
std::string errorResponse(const std::string& msg, const std::string& subCode,
                          const std::string& subMsg);

// The API endpoint (/openapi/getdata.aspx): the Offer Request and the Taobao Method
// Requests. Every answer is the wanted data or an Error Response, sent with status 200:
// the program shows an Error Response's texts, while an error status would reach the
// shop keeper only as a fixed text.
class ApiRequests {
public:
    ApiRequests(Accounts& accounts, CategoryTree& categories, RelayLog& log, int maxBodyBytes);

    std::string answer(const std::string& body, const std::string& clientAddress);

private:
    std::string categories(const std::map<std::string, std::string>& fields);

    Accounts& accounts_;
    CategoryTree& categories_;
    RelayLog& log_;
    std::size_t maxBodyBytes_;
};

// The Error Response of a request whose body passed the size limit.
std::string oversizedBodyResponse();

} // namespace lw::relay
