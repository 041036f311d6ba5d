#pragma once

#include "platform/platform.hpp"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace lw::test {

// Sets environment variables for one scope and puts the old values back.
class ScopedEnv {
public:
    ScopedEnv() = default;
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

    // A null value removes the variable.
    void set(const char* name, const char* value) {
        saved_.emplace_back(name, platform::environment(name));
        platform::setEnvironment(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
    ~ScopedEnv() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
            platform::setEnvironment(it->first.c_str(), it->second);
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

} // namespace lw::test
