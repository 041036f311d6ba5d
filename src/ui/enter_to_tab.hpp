#pragma once

#include <functional>

namespace lw {

// For the key-press handlers of edit boxes: a carriage return (13) is swallowed (key
// set to 0) and a Tab press is sent to the focused window, moving the focus on. Other
// keys pass unchanged. Always returns true.
inline bool EnterToTab(int& key, const std::function<void()>& sendTab) {
    if (key == 13) {
        key = 0;
        if (sendTab)
            sendTab();
    }
    return true;
}

} // namespace lw
