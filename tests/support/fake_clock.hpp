#pragma once

#include "ui/clock.hpp"

namespace lw::test {

class FakeClock : public Clock {
public:
    LocalDateTime time{2012, 3, 5, 14, 7, 0, 0};
    LocalDateTime now() const override { return time; }
};

} // namespace lw::test
