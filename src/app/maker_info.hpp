#pragma once

namespace lw {

// The maker's addresses and contact details shown by the Help menu and the about box.
inline constexpr const char* kHelpAddress = "https://listwright.example.com/help";
inline constexpr const char* kWebsiteAddress = "https://listwright.example.com/";
inline constexpr const char* kFeedbackAddress = "mailto:feedback@listwright.example.com";
inline constexpr const char* kContactLines[] = {
    "网站: listwright.example.com",
    "邮箱: feedback@listwright.example.com",
};

} // namespace lw
