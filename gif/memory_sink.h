#pragma once
#include <cstdint>
#include <vector>

#include "byte_sink.h"

// Keeps what is written in memory: a frame built on a worker waits there for its turn, and a
// frame's blocks gathered there reach the file in one write. Keeps its capacity across Clear.
class CMemorySink : public IByteSink {
public:
    void Write(const void* data, uint32_t count) override
    {
        const uint8_t* p = static_cast<const uint8_t*>(data);
        m_bytes.insert(m_bytes.end(), p, p + count);
    }
    void Clear() { m_bytes.clear(); }
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }
    const uint8_t* Data() const { return m_bytes.data(); }
    uint32_t Size() const { return static_cast<uint32_t>(m_bytes.size()); }
    // Hands the bytes over and leaves the sink empty.
    std::vector<uint8_t> Take()
    {
        std::vector<uint8_t> out;
        out.swap(m_bytes);
        return out;
    }

private:
    std::vector<uint8_t> m_bytes;
};
