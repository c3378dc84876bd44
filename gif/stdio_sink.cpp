#include "stdio_sink.h"

#include <cerrno>
#include <cstring>

CStdioSink::CStdioSink(const std::string& path) : file(std::fopen(path.c_str(), "wb")), name(path)
{
    if (!file)
        throw CWriteError("cannot create " + path + ": " + std::strerror(errno));
}

CStdioSink::~CStdioSink()
{
    if (file)
        std::fclose(file);
}

void CStdioSink::Write(const void* data, uint32_t count)
{
    if (!file || std::fwrite(data, 1, count, file) != count)
        throw CWriteError("cannot write " + name + ": " + std::strerror(errno));
}

void CStdioSink::Rewind(uint32_t count)
{
    if (!file || std::fseek(file, -static_cast<long>(count), SEEK_CUR) != 0)
        throw CWriteError("cannot move in " + name + ": " + std::strerror(errno));
}

void CStdioSink::WriteAt(uint64_t offset, const void* data, uint32_t count)
{
    const long here = file ? std::ftell(file) : -1;
    if (here < 0 || std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0)
        throw CWriteError("cannot move in " + name + ": " + std::strerror(errno));
    Write(data, count);
    if (std::fseek(file, here, SEEK_SET) != 0)
        throw CWriteError("cannot move in " + name + ": " + std::strerror(errno));
}

void CStdioSink::Close()
{
    if (!file)
        return;
    const bool ok = std::fflush(file) == 0 && !std::ferror(file);
    const bool closed = std::fclose(file) == 0;
    file = nullptr;
    if (!ok || !closed)
        throw CWriteError("cannot write " + name + ": " + std::strerror(errno));
}
