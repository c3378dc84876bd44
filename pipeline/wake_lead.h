#pragma once
// How long before a frame's slot the capture thread asks to wake. A timed wait returns late (a
// millisecond or two under Wine, more on a busy machine, up to a timer tick on Windows), and with
// start-to-start pacing that lateness would be added to every frame: at 20 frames per second,
// 2 ms late a frame records 19.2. The thread wakes this much early and spins the rest of the way.
#include <chrono>
#include <cstdint>

class CWakeLead {
public:
    using Duration = std::chrono::steady_clock::duration;

    Duration Lead() const;
    // How far after the time asked a wait that ran out returned.
    void Woke(Duration late);

private:
    // Lateness averaged over the last eight or so wakes, in microseconds.
    int64_t m_averageUs = 1000;
};
