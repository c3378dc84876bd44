#pragma once
// A new file for a recording under a free name, and the GIF writer's sink that writes it.
#include <windows.h>

#include <memory>
#include <string>

#include "gif/byte_sink.h"
#include "win/file.h"

// The encoder's output: a file as the GIF writer's sink.
class CFileSink : public IRewindableSink {
public:
    explicit CFileSink(std::unique_ptr<CFile> file) : m_file(std::move(file)) {}
    void Write(const void* data, uint32_t count) override { m_file->Write(data, count); }
    void Rewind(uint32_t count) override { m_file->Rewind(count); }
    void WriteAt(uint64_t offset, const void* data, uint32_t count) override { m_file->WriteAt(offset, data, count); }

private:
    std::unique_ptr<CFile> m_file;
};

// `path` with "-n" before its ".gif" (or at its end when it has none): the n-th choice of name.
std::wstring NumberedPath(const std::wstring& path, int n);

// Creates a new file at *path or, when that name is taken (another recording, perhaps of another
// copy of the program, holds or made it), at the next free NumberedPath from 2 on; *path is set
// to the file made. Null when the file cannot be created for any other reason, with that reason
// in GetLastError: two recordings started at the same instant never share a file, and only a
// folder that cannot be written is reported as one.
std::unique_ptr<CFile> CreateNewFile(std::wstring* path);
