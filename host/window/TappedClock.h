// The window's panel clock: the wall clock, shifted by a set number of
// seconds (the panel clock set by hand or by a state), remembering the time
// the last tick read so that the recordings can note it.
#pragma once

#include "host/core/PanelHost.h"

class TappedClock final : public WallClock {
public:
    explicit TappedClock(WallClock& inner) : inner_(inner) {}
    WallTime Now() override;
    // The time now, without noting it as read.
    WallTime Peek();
    // The clock from now on, running on in real time.
    void SetTo(const WallTime& time);
    WallTime last;

private:
    WallClock& inner_;
    long long offsetSeconds_ = 0;
};
