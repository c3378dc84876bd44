#pragma once
#include <cstdint>

// Where the GIF writer puts its bytes. A sink writes every byte it is given or raises:
// the writer never checks results, so a failed write must not pass unnoticed.
class IByteSink {
public:
    virtual ~IByteSink() = default;
    virtual void Write(const void* data, uint32_t count) = 0;
};

// A sink that can write its last bytes again: after Rewind(n) the next write starts n bytes
// before the end of what was written. The output file is one; the bytes stay on disk until
// they are written over.
class IRewindableSink : public IByteSink {
public:
    virtual void Rewind(uint32_t count) = 0;
};
