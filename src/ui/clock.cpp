#include "ui/clock.hpp"

#include "platform/platform.hpp"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace lw {

LocalDateTime SystemClock::now() const {
    auto tp = std::chrono::system_clock::now();
    std::time_t seconds = std::chrono::system_clock::to_time_t(tp);
    std::tm tm = platform::localTime(seconds);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(tp.time_since_epoch()) % 1000;
    return {
        tm.tm_year + 1900,           tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
        static_cast<int>(ms.count())};
}

std::string formatDateTime(const LocalDateTime& t, const std::string& format) {
    std::string out;
    auto two = [&](int v) {
        char b[8];
        std::snprintf(b, sizeof b, "%02d", v % 100);
        out += b;
    };
    for (size_t i = 0; i < format.size();) {
        auto at = [&](const char* token) {
            return format.compare(i, std::char_traits<char>::length(token), token) == 0;
        };
        if (at("yyyy")) {
            char b[8];
            std::snprintf(b, sizeof b, "%04d", t.year);
            out += b;
            i += 4;
        } else if (at("yy")) {
            two(t.year);
            i += 2;
        } else if (at("mm")) {
            two(t.month);
            i += 2;
        } else if (at("dd")) {
            two(t.day);
            i += 2;
        } else if (at("hh")) {
            two(t.hour);
            i += 2;
        } else if (at("nn")) {
            two(t.minute);
            i += 2;
        } else if (at("ss")) {
            two(t.second);
            i += 2;
        } else if (at("zzz")) {
            char b[8];
            std::snprintf(b, sizeof b, "%03d", t.millisecond);
            out += b;
            i += 3;
        } else {
            out += format[i++];
        }
    }
    return out;
}

} // namespace lw
