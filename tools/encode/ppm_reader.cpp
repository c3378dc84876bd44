#include "ppm_reader.h"

#include <cctype>
#include <cstdio>
#include <memory>

#include "gif/dib.h"

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

FilePtr Open(const std::string& path)
{
    FilePtr f(std::fopen(path.c_str(), "rb"));
    if (!f)
        throw CPpmError(path + ": cannot open");
    return f;
}

// One header number after optional whitespace and comments; -1 when there is none.
long ReadNumber(std::FILE* f)
{
    int c = std::fgetc(f);
    for (;;) {
        if (c == '#') {
            while (c != EOF && c != '\n')
                c = std::fgetc(f);
        } else if (c != EOF && std::isspace(c)) {
            c = std::fgetc(f);
        } else {
            break;
        }
    }
    if (c == EOF || !std::isdigit(c))
        return -1;
    long value = 0;
    while (c != EOF && std::isdigit(c)) {
        value = value * 10 + (c - '0');
        if (value > 1000000)
            return -1;
        c = std::fgetc(f);
    }
    // Exactly one whitespace byte ends the number (after maxval it is the last header byte).
    if (c == EOF || !std::isspace(c))
        return -1;
    return value;
}

PpmSize ReadHeader(std::FILE* f, const std::string& path)
{
    char magic[2];
    if (std::fread(magic, 1, 2, f) != 2 || magic[0] != 'P' || magic[1] != '6')
        throw CPpmError(path + ": not a binary PPM (P6) file");
    const long width = ReadNumber(f);
    const long height = ReadNumber(f);
    const long maxval = ReadNumber(f);
    if (width < 0 || height < 0 || maxval < 0)
        throw CPpmError(path + ": damaged PPM header");
    if (maxval != 255)
        throw CPpmError(path + ": maxval " + std::to_string(maxval) + " is not supported (only 255)");
    if (width < 1 || height < 1 || width > kMaxFrameSide || height > kMaxFrameSide)
        throw CPpmError(path + ": frame size " + std::to_string(width) + " x " + std::to_string(height) +
                        " is out of range (1 to 65535 each)");
    return {static_cast<int32_t>(width), static_cast<int32_t>(height)};
}

void CheckLength(std::FILE* f, const std::string& path, PpmSize size)
{
    const long start = std::ftell(f);
    if (start < 0 || std::fseek(f, 0, SEEK_END) != 0)
        throw CPpmError(path + ": cannot read");
    const long end = std::ftell(f);
    const uint64_t needed = 3ull * static_cast<uint64_t>(size.width) * static_cast<uint64_t>(size.height);
    if (end < start || static_cast<uint64_t>(end - start) < needed)
        throw CPpmError(path + ": truncated (" + std::to_string(end - start) + " of " +
                        std::to_string(needed) + " pixel bytes)");
    std::fseek(f, start, SEEK_SET);
}

}  // namespace

PpmSize ReadPpmSize(const std::string& path)
{
    FilePtr f = Open(path);
    const PpmSize size = ReadHeader(f.get(), path);
    CheckLength(f.get(), path, size);
    return size;
}

std::vector<uint8_t> ReadPpmAsDib(const std::string& path, PpmSize expected)
{
    FilePtr f = Open(path);
    const PpmSize size = ReadHeader(f.get(), path);
    if (size.width != expected.width || size.height != expected.height)
        throw CPpmError(path + ": frame is " + std::to_string(size.width) + " x " + std::to_string(size.height) +
                        ", the first frame is " + std::to_string(expected.width) + " x " +
                        std::to_string(expected.height));
    std::vector<uint8_t> dib(PackedDibSize(size.width, size.height, 32));
    WriteDibHeader(dib.data(), size.width, size.height, 32);
    const size_t stride = 4 * static_cast<size_t>(size.width);
    std::vector<uint8_t> row(3 * static_cast<size_t>(size.width));
    for (int32_t y = 0; y < size.height; ++y) {
        if (std::fread(row.data(), 1, row.size(), f.get()) != row.size())
            throw CPpmError(path + ": truncated");
        // Rows arrive top first; the bitmap stores the bottom row first.
        uint8_t* out = dib.data() + kDibHeaderSize + stride * static_cast<size_t>(size.height - 1 - y);
        for (int32_t x = 0; x < size.width; ++x) {
            out[4 * x] = row[3 * x + 2];
            out[4 * x + 1] = row[3 * x + 1];
            out[4 * x + 2] = row[3 * x];
            out[4 * x + 3] = 0;
        }
    }
    return dib;
}
