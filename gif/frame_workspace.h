#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "lzw_encoder.h"

// The working memory of one thread that builds and compresses frames: grown to size by the
// first frame, reused by the next ones and released with its owner (an encoder worker, which
// ends with its recording, or a tool's loop). Not shared between threads.
class CFrameWorkspace {
public:
    CFrameWorkspace() = default;
    CFrameWorkspace(const CFrameWorkspace&) = delete;
    CFrameWorkspace& operator=(const CFrameWorkspace&) = delete;

    // The 4096-code table and its notes, some 5 MiB: made on first use.
    CLzwEncoder& Lzw();
    // Room for count 15-bit colour values, valid until the next call.
    uint16_t* Values(size_t count);

private:
    std::unique_ptr<CLzwEncoder> m_lzw;
    std::unique_ptr<uint16_t[]> m_values;
    size_t m_valueCapacity = 0;
};
