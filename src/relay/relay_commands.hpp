#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace lw::relay {

// listwright-relay --config FILE serve [--port N] | account add NAME | account list |
// account remove NAME | status. args without the program name. Returns the exit status:
// 0 done, 1 failed, 2 wrong usage.
int runRelayCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace lw::relay
