#pragma once

#include <functional>
#include <vector>

namespace lw {

// Tells views that a piece of window state changed. Logic classes own one per piece
// of state; the Qt widgets (and tests) connect to it.
template <typename... Args> class Signal {
public:
    void connect(std::function<void(Args...)> fn) { slots_.push_back(std::move(fn)); }
    void emit(Args... args) const {
        for (const auto& slot : slots_)
            slot(args...);
    }

private:
    std::vector<std::function<void(Args...)>> slots_;
};

} // namespace lw
