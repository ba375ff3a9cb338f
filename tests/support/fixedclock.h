#pragma once
// The clock frozen for as long as the guard lives, running again when it goes
// (a failed check that leaves a test early included).

#include "data/core/clock.h"

namespace testing {

class FixedClock {
public:
    explicit FixedClock(const QDateTime &when) { inv::Clock::setFixed(when); }
    ~FixedClock() { inv::Clock::setFixed(QDateTime()); }
    FixedClock(const FixedClock &) = delete;
    FixedClock &operator=(const FixedClock &) = delete;
};

} // namespace testing
