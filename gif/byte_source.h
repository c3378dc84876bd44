#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

// Where the GIF reader takes its bytes from: read anywhere by offset, so a long recording is
// indexed once and its frames are read again on demand without holding the file in memory.
class IByteSource {
public:
    virtual ~IByteSource() = default;
    virtual uint64_t Size() const = 0;
    // Reads count bytes at offset; false when they are not all there or the read failed.
    virtual bool Read(uint64_t offset, void* out, size_t count) = 0;
};

class IByteSink;
// Copies the bytes [from, to) of source to out, at most 1 MiB at a time through buffer (kept by
// the caller, so a file copied frame by frame allocates once); false when a read failed.
bool CopyByteRange(IByteSource& source, uint64_t from, uint64_t to, IByteSink& out, std::vector<uint8_t>& buffer);

// Bytes the caller keeps in memory (tests, and files written to memory).
class CMemorySource : public IByteSource {
public:
    explicit CMemorySource(const std::vector<uint8_t>& bytes) : m_bytes(bytes) {}
    uint64_t Size() const override { return m_bytes.size(); }
    bool Read(uint64_t offset, void* out, size_t count) override;

private:
    const std::vector<uint8_t>& m_bytes;
};

// An open stdio file, owned and closed by the source. The caller opens it (a wide-character
// name on Windows) in binary mode.
class CFileSource : public IByteSource {
public:
    explicit CFileSource(std::FILE* file);
    ~CFileSource() override;
    CFileSource(const CFileSource&) = delete;
    CFileSource& operator=(const CFileSource&) = delete;

    uint64_t Size() const override { return m_size; }
    bool Read(uint64_t offset, void* out, size_t count) override;

private:
    std::FILE* m_file;
    uint64_t m_size = 0;
};
