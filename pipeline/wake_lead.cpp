#include "pipeline/wake_lead.h"

#include <algorithm>

namespace {

// Above the usual lateness by this much, so that most wakes come before the slot.
constexpr int64_t kMarginUs = 500;
// Spinning longer than this would cost the encoder more than a late frame costs the rate.
constexpr int64_t kMostUs = 5000;

}  // namespace

CWakeLead::Duration CWakeLead::Lead() const
{
    return std::chrono::microseconds(std::clamp<int64_t>(m_averageUs + kMarginUs, 0, kMostUs));
}

void CWakeLead::Woke(Duration late)
{
    // A wait that returned far too late (the machine stalled) counts as 5 ms late, so that one
    // stall does not set the lead for the next second.
    const int64_t lateUs =
        std::clamp<int64_t>(std::chrono::duration_cast<std::chrono::microseconds>(late).count(), 0, kMostUs);
    m_averageUs += (lateUs - m_averageUs) / 8;
}
