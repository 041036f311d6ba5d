#pragma once

#include <string>

namespace lw {

struct LocalDateTime {
    int year = 2000;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// Wall-clock time, so time-stamped names are testable.
class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalDateTime now() const = 0;
};

class SystemClock : public Clock {
public:
    LocalDateTime now() const override;
};

// Digits of the time, e.g. FormatDateTime(t, "yyyymmddhhnnss"); understands yyyy, yy,
// mm, dd, hh, nn, ss and zzz, everything else is copied.
std::string formatDateTime(const LocalDateTime& t, const std::string& format);

} // namespace lw
