#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "lzw_encoder.h"

struct CCompactWorkspace;

// A buffer that keeps its largest size from one use to the next.
template <class T>
class CKeptBuffer {
public:
    // Room for count items, valid until the next call.
    T* Get(size_t count)
    {
        if (m_capacity < count) {
            m_items.reset();
            m_capacity = 0;
            m_items.reset(new T[count]);
            m_capacity = count;
        }
        return m_items.get();
    }

private:
    std::unique_ptr<T[]> m_items;
    size_t m_capacity = 0;
};

// The working memory of one thread that builds and compresses frames: grown to size by the
// first frame, reused by the next ones and released with its owner (an encoder worker, which
// ends with its recording, or a tool's loop). Not shared between threads.
class CFrameWorkspace {
public:
    CFrameWorkspace();
    ~CFrameWorkspace();
    CFrameWorkspace(const CFrameWorkspace&) = delete;
    CFrameWorkspace& operator=(const CFrameWorkspace&) = delete;

    // The 4096-code table and its shortcut tables, some 5 MiB: made on first use.
    CLzwEncoder& Lzw();
    // Room for count 15-bit colour values, valid until the next call.
    uint16_t* Values(size_t count) { return m_values.Get(count); }
    // The compact mode's colour tables and quantizer grid, some 6 MiB: made on first use.
    CCompactWorkspace& Compact();
    // Room for a frame of `bytes` (a scaled copy of a captured frame), valid until the next call.
    uint8_t* FrameBytes(size_t bytes) { return m_frame.Get(bytes); }
    // Room for an image's indices and their alternatives, count each, as the LZW coder picks
    // among them; valid until the next call.
    uint8_t* Choices(size_t count) { return m_choices.Get(2 * count); }

private:
    std::unique_ptr<CLzwEncoder> m_lzw;
    CKeptBuffer<uint16_t> m_values;
    std::unique_ptr<CCompactWorkspace> m_compact;
    CKeptBuffer<uint8_t> m_frame;
    CKeptBuffer<uint8_t> m_choices;
};
