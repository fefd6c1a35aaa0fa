#include "host/window/TappedClock.h"

#include <ctime>

namespace {

long long SecondsOf(const WallTime& t) {
    std::tm tm{};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    return static_cast<long long>(timegm(&tm));
}

WallTime FromSeconds(long long seconds) {
    const auto t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    gmtime_r(&t, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, tm.tm_wday};
}

}  // namespace

WallTime TappedClock::Peek() {
    const WallTime now = inner_.Now();
    return offsetSeconds_ == 0 ? now : FromSeconds(SecondsOf(now) + offsetSeconds_);
}

WallTime TappedClock::Now() { return last = Peek(); }

void TappedClock::SetTo(const WallTime& time) {
    offsetSeconds_ = 0;
    offsetSeconds_ = SecondsOf(time) - SecondsOf(inner_.Now());
    last = Peek();
}
