// Measures time into a GCounter with a monotonic high-resolution clock. Counter units are
// nanoseconds; a counter made with timeSuffix() and frequency() displays seconds.
#pragma once

#include <NxCore/counters/GCounter.h>

namespace Nx {

class TimeCounter {
public:
    explicit TimeCounter(GCounter* c, bool startNow = true);
    // Adds the running measurement, if any.
    ~TimeCounter();

    void start();
    void stop();

    // A high-resolution reading of the monotonic clock, in counter units.
    static qint64 getCounter();
    // Counter units per second.
    static double frequency() { return 1e9; }
    static QString timeSuffix() { return "s"; }

private:
    GCounter* counter;     // not owned
    qint64 startTime = 0;
    bool running = false;
};

}  // namespace Nx
