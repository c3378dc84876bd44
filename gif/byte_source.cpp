#include "byte_source.h"

#include <algorithm>
#include <cstring>

#include "byte_sink.h"

namespace {

bool SeekTo(std::FILE* file, uint64_t offset)
{
#ifdef _WIN32
    return _fseeki64(file, static_cast<long long>(offset), SEEK_SET) == 0;
#else
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

uint64_t SizeOf(std::FILE* file)
{
#ifdef _WIN32
    if (_fseeki64(file, 0, SEEK_END) != 0)
        return 0;
    const long long end = _ftelli64(file);
#else
    if (fseeko(file, 0, SEEK_END) != 0)
        return 0;
    const off_t end = ftello(file);
#endif
    return end > 0 ? static_cast<uint64_t>(end) : 0;
}

}  // namespace

bool CMemorySource::Read(uint64_t offset, void* out, size_t count)
{
    if (offset > m_bytes.size() || count > m_bytes.size() - offset)
        return false;
    if (count)
        std::memcpy(out, m_bytes.data() + offset, count);
    return true;
}

CFileSource::CFileSource(std::FILE* file) : m_file(file)
{
    if (m_file)
        m_size = SizeOf(m_file);
}

CFileSource::~CFileSource()
{
    if (m_file)
        std::fclose(m_file);
}

bool CFileSource::Read(uint64_t offset, void* out, size_t count)
{
    if (!m_file || offset > m_size || count > m_size - offset)
        return false;
    if (!SeekTo(m_file, offset))
        return false;
    return std::fread(out, 1, count, m_file) == count;
}

bool CopyByteRange(IByteSource& source, uint64_t from, uint64_t to, IByteSink& out, std::vector<uint8_t>& buffer)
{
    buffer.resize(static_cast<size_t>(std::min<uint64_t>(to - from, 1 << 20)));
    while (from < to) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(to - from, buffer.size()));
        if (!source.Read(from, buffer.data(), n))
            return false;
        out.Write(buffer.data(), static_cast<uint32_t>(n));
        from += n;
    }
    return true;
}
