#include "cli_context.hpp"

#include <algorithm>
#include <iostream>

namespace lw::cli {

Args::Args(std::vector<std::string> words) {
    auto dashes = std::find(words.begin(), words.end(), "--");
    words_.assign(words.begin(), dashes);
    if (dashes != words.end()) {
        dashes_ = true;
        tail_.assign(dashes + 1, words.end());
    }
    updateRest();
}

std::vector<std::string> Args::forwarded() const {
    std::vector<std::string> words = words_;
    if (dashes_)
        words.push_back("--");
    words.insert(words.end(), tail_.begin(), tail_.end());
    return words;
}

void Args::updateRest() {
    rest_ = words_;
    rest_.insert(rest_.end(), tail_.begin(), tail_.end());
}

bool Args::flag(const std::string& name) {
    bool found = false;
    for (auto it = words_.begin(); it != words_.end();) {
        if (*it == name) {
            it = words_.erase(it);
            found = true;
        } else {
            ++it;
        }
    }
    updateRest();
    return found;
}

std::vector<std::string> Args::values(const std::string& name) {
    std::vector<std::string> found;
    for (auto it = words_.begin(); it != words_.end();) {
        if (*it == name) {
            if (it + 1 == words_.end()) {
                missingValue_ = true;
                it = words_.erase(it);
                continue;
            }
            found.push_back(*(it + 1));
            it = words_.erase(it, it + 2);
        } else {
            ++it;
        }
    }
    updateRest();
    return found;
}

std::string Args::value(const std::string& name) {
    auto all = values(name);
    return all.empty() ? std::string() : all.back();
}

std::string Args::unknownOption() const {
    for (const auto& w : words_)
        if (w.size() > 2 && w.rfind("--", 0) == 0)
            return w;
    return {};
}

int printUsage(const std::string& text) {
    std::cerr << "用法: " << text << "\n";
    return kExitUsage;
}

} // namespace lw::cli
