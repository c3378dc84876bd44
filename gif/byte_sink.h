#pragma once
#include <cstdint>

// Where the GIF writer puts its bytes. A sink writes every byte it is given or raises:
// the writer never checks results, so a failed write must not pass unnoticed.
class IByteSink {
public:
    virtual ~IByteSink() = default;
    virtual void Write(const void* data, uint32_t count) = 0;
};
