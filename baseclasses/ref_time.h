// A stream or clock time in 100-nanosecond units.
#pragma once

#include "platform/platform.h"

// Stands for an open-ended stop time.
constexpr REFERENCE_TIME MAX_TIME = 0x7FFFFFFFFFFFFFFFLL;

class CRefTime {
public:
    REFERENCE_TIME m_time = 0;

    constexpr CRefTime() = default;
    constexpr CRefTime(REFERENCE_TIME t) : m_time(t) {}

    CRefTime& operator=(REFERENCE_TIME t) {
        m_time = t;
        return *this;
    }
    constexpr operator REFERENCE_TIME() const { return m_time; }

    CRefTime& operator+=(const CRefTime& other) {
        m_time += other.m_time;
        return *this;
    }
    CRefTime& operator-=(const CRefTime& other) {
        m_time -= other.m_time;
        return *this;
    }
    friend constexpr CRefTime operator-(const CRefTime& a, const CRefTime& b) {
        return CRefTime(a.m_time - b.m_time);
    }

    // Whole milliseconds, truncated toward zero.
    constexpr LONGLONG Millisecs() const { return m_time / 10000; }
};
