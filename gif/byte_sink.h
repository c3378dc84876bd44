#pragma once
#include <cstdint>

// Where the GIF writer puts its bytes. A sink writes every byte it is given or raises:
// the writer never checks results, so a failed write must not pass unnoticed.
class IByteSink {
public:
    virtual ~IByteSink() = default;
    virtual void Write(const void* data, uint32_t count) = 0;
};

// A sink that can write over what it holds: after Rewind(n) the next write starts n bytes
// before the end of what was written; WriteAt writes over bytes already written, from `offset`
// (counted from the first byte), and later writes go on where they would have. The output file
// is one; the bytes stay on disk until they are written over.
class IRewindableSink : public IByteSink {
public:
    virtual void Rewind(uint32_t count) = 0;
    virtual void WriteAt(uint64_t offset, const void* data, uint32_t count) = 0;
};
