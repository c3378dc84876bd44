#pragma once
#include <cstdint>
#include <vector>

#include "byte_sink.h"

// Appends everything written to a vector the caller keeps: a frame built on a worker waits
// there for its turn to be written.
class CVectorSink : public IByteSink {
public:
    explicit CVectorSink(std::vector<uint8_t>& bytes) : m_bytes(bytes) {}
    void Write(const void* data, uint32_t count) override
    {
        const uint8_t* p = static_cast<const uint8_t*>(data);
        m_bytes.insert(m_bytes.end(), p, p + count);
    }

private:
    std::vector<uint8_t>& m_bytes;
};
