#include "catalog/method_post.hpp"

#include "store/text_routines.hpp"

namespace lw {

bool IsErrorResponse(std::string_view answer) {
    return answer.find("<error_response>") != std::string_view::npos;
}

std::string ErrorResponseMessage(std::string_view answer, const std::string& prefix) {
    return prefix + GetBetween(answer, "<msg>", "</msg>") + "," +
           GetBetween(answer, "<sub_code>", "</sub_code>") + "," +
           GetBetween(answer, "<sub_msg>", "</sub_msg>");
}

} // namespace lw
