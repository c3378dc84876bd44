#pragma once
#include <cstdint>

#include "gif/byte_sink.h"

// Counts the bytes written and keeps none: the benchmark times the writer, not the copying.
struct CountingSink : IByteSink {
    uint64_t bytes = 0;
    void Write(const void*, uint32_t count) override { bytes += count; }
};
