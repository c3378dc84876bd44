#pragma once
#include <cstdint>
#include <vector>

#include "gif/byte_sink.h"

// Collects the many small writes of one GIF block in memory so it reaches the file in one
// write. Keeps its capacity across Clear, so a recording allocates it once.
class CMemorySink : public IByteSink {
public:
    void Write(const void* data, uint32_t count) override
    {
        const uint8_t* p = static_cast<const uint8_t*>(data);
        m_bytes.insert(m_bytes.end(), p, p + count);
    }
    void Clear() { m_bytes.clear(); }
    const uint8_t* Data() const { return m_bytes.data(); }
    uint32_t Size() const { return static_cast<uint32_t>(m_bytes.size()); }

private:
    std::vector<uint8_t> m_bytes;
};
