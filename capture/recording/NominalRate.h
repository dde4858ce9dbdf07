#pragma once
// The frame rate a capture's file is written at. The capture parameters hold
// a whole number of microseconds per frame, which no television rate is:
// 1,000,000 / 66,666 is 15.0002 frames a second, and a clip written at that
// rate drifts 36 ms an hour against its sound. So the file gets the standard
// rate the microseconds stand for, as a fraction, and the microseconds only
// when they stand for none.

#include <cstdint>

struct CNominalRate {
    uint32_t rate = 0; // frames per `scale` seconds
    uint32_t scale = 1;

    // The length of one frame, in seconds.
    double Period() const { return double(scale) / double(rate); }
    bool operator==(const CNominalRate&) const = default;
};

// The standard rate whose period lies within a microsecond of
// microSecPerFrame (whoever filled in the parameters rounded or truncated the
// period to whole microseconds), else 1,000,000 / microSecPerFrame in lowest
// terms; {0, 1} for 0.
CNominalRate NominalFrameRate(uint32_t microSecPerFrame);
