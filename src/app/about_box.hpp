#pragma once

#include <string>

namespace lw {

// The about box: a borderless picture window; a click on it or any label, or Ctrl+W,
// closes it.
struct AboutBox {

    std::string version;
    // "版本：" (full-width colon) and the version text.
    std::string versionLabel() const { return "版本：" + version; }
};

} // namespace lw
