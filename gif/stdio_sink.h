#pragma once
#include <cstdio>
#include <stdexcept>
#include <string>

#include "byte_sink.h"

// Byte sink over a stdio file for the native tools. Owns the file; a failed write or move
// raises, as the Windows file class does, so nothing is lost silently.
class CStdioSink : public IRewindableSink {
public:
    // Opens (creating or truncating) the file for binary writing; raises when it cannot.
    explicit CStdioSink(const std::string& path);
    ~CStdioSink() override;
    CStdioSink(const CStdioSink&) = delete;
    CStdioSink& operator=(const CStdioSink&) = delete;

    void Write(const void* data, uint32_t count) override;
    void Rewind(uint32_t count) override;
    void WriteAt(uint64_t offset, const void* data, uint32_t count) override;
    // Flushes and closes; raises when the data did not reach the file.
    void Close();

private:
    std::FILE* file;
    std::string name;
};

class CWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
