#pragma once
#include <windows.h>

#include <cstdint>
#include <exception>

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
class CFile {
public:
    CFile() = default;
    ~CFile() { Close(); }
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Creates the file, or truncates an existing one. False when it cannot be opened.
    bool OpenForWrite(const wchar_t* path);
    // Creates the file only when no file of that name exists; false otherwise, with the
    // reason in GetLastError (ERROR_FILE_EXISTS when the name is taken).
    bool CreateNew(const wchar_t* path);
    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }

    void Write(const void* data, uint32_t count);
    // Moves the write position back; raises CFileException when it cannot.
    void Rewind(uint32_t count);
    // Writes over the bytes at `offset` from the start and returns to where the file was;
    // raises CFileException when it cannot.
    void WriteAt(uint64_t offset, const void* data, uint32_t count);
    // Empties the file; the next write is its first byte. Raises CFileException when it cannot.
    void Truncate();
    // Writes what the system still holds for the file to the disk; raises CFileException when it
    // cannot.
    void Flush();
    void Close();

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};
