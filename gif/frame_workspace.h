#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "lzw_encoder.h"

struct CCompactWorkspace;

// The working memory of one thread that builds and compresses frames: grown to size by the
// first frame, reused by the next ones and released with its owner (an encoder worker, which
// ends with its recording, or a tool's loop). Not shared between threads.
class CFrameWorkspace {
public:
    CFrameWorkspace();
    ~CFrameWorkspace();
    CFrameWorkspace(const CFrameWorkspace&) = delete;
    CFrameWorkspace& operator=(const CFrameWorkspace&) = delete;

    // The 4096-code table and its notes, some 5 MiB: made on first use.
    CLzwEncoder& Lzw();
    // Room for count 15-bit colour values, valid until the next call.
    uint16_t* Values(size_t count);
    // The compact mode's colour tables and quantizer grid, some 6 MiB: made on first use.
    CCompactWorkspace& Compact();
    // Room for a frame of `bytes` (a scaled copy of a captured frame), valid until the next call.
    uint8_t* FrameBytes(size_t bytes);

private:
    std::unique_ptr<CLzwEncoder> m_lzw;
    std::unique_ptr<uint16_t[]> m_values;
    size_t m_valueCapacity = 0;
    std::unique_ptr<CCompactWorkspace> m_compact;
    std::unique_ptr<uint8_t[]> m_frame;
    size_t m_frameCapacity = 0;
};
