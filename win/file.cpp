#include "file.h"

bool CFile::OpenForWrite(const wchar_t* path)
{
    Close();
    m_handle = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    return IsOpen();
}

bool CFile::CreateNew(const wchar_t* path)
{
    Close();
    m_handle = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    return IsOpen();
}

void CFile::Write(const void* data, uint32_t count)
{
    const char* p = static_cast<const char*>(data);
    while (count > 0) {
        DWORD written = 0;
        if (!WriteFile(m_handle, p, count, &written, nullptr))
            throw CFileException(GetLastError());
        if (written == 0)
            throw CFileException(ERROR_HANDLE_DISK_FULL);
        p += written;
        count -= written;
    }
}

void CFile::Rewind(uint32_t count)
{
    LARGE_INTEGER back;
    back.QuadPart = -static_cast<LONGLONG>(count);
    if (!SetFilePointerEx(m_handle, back, nullptr, FILE_CURRENT))
        throw CFileException(GetLastError());
}

void CFile::Truncate()
{
    LARGE_INTEGER start;
    start.QuadPart = 0;
    if (!SetFilePointerEx(m_handle, start, nullptr, FILE_BEGIN) || !SetEndOfFile(m_handle))
        throw CFileException(GetLastError());
}

void CFile::WriteAt(uint64_t offset, const void* data, uint32_t count)
{
    LARGE_INTEGER none;
    none.QuadPart = 0;
    LARGE_INTEGER here;
    if (!SetFilePointerEx(m_handle, none, &here, FILE_CURRENT))
        throw CFileException(GetLastError());
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(m_handle, at, nullptr, FILE_BEGIN))
        throw CFileException(GetLastError());
    Write(data, count);
    if (!SetFilePointerEx(m_handle, here, nullptr, FILE_BEGIN))
        throw CFileException(GetLastError());
}

void CFile::Flush()
{
    if (!FlushFileBuffers(m_handle))
        throw CFileException(GetLastError());
}

void CFile::Close()
{
    if (IsOpen()) {
        CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
    }
}
