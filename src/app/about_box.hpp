#pragma once

#include <string>

namespace lw {

// The about box: a borderless picture window; a click on it or any label, or Ctrl+W,
// closes it.
struct AboutBox {
    static constexpr int kWidth = 469;
    static constexpr int kHeight = 309;

    std::string version;
    // "版本：" (full-width colon) and the version text.
    std::string versionLabel() const { return "版本：" + version; }
};

} // namespace lw
