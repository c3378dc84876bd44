#pragma once
#include <memory>

#include "gif/byte_sink.h"

// A test setting: with RAVLIN_HOLD_WRITES naming an event, every write of a recording's file
// waits until that event is set, so that an end-to-end test finds the recording still being
// written out for as long as it needs. The event is made when missing, not set. Without the
// setting `file` is returned as it is.
std::unique_ptr<IRewindableSink> HoldWritesWhenAsked(std::unique_ptr<IRewindableSink> file);
