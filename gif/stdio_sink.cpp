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
