#pragma once
#include <windows.h>

#include <exception>

#include "../gif/byte_sink.h"

// Raised by CFile when a write fails; carries the Windows error code.
class CFileException : public std::exception {
public:
    explicit CFileException(DWORD error) : m_error(error) {}
    DWORD Error() const { return m_error; }
    const char* what() const noexcept override { return "file write failed"; }

private:
    DWORD m_error;
};

// A binary file opened for writing. Owns its handle; Write raises CFileException on a
// failed or short write, so callers that do not check results still cannot lose data quietly.
class CFile : public IRewindableSink {
public:
    CFile() = default;
    ~CFile() override { Close(); }
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Creates the file, or truncates an existing one. False when it cannot be opened.
    bool OpenForWrite(const wchar_t* path);
    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }

    void Write(const void* data, uint32_t count) override;
    // Moves the write position back; raises CFileException when it cannot.
    void Rewind(uint32_t count) override;
    // Writes what the system still holds for the file to the disk; raises CFileException when it
    // cannot.
    void Flush();
    void Close();

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};
