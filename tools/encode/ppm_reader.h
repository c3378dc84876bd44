#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// Binary PPM (P6, maxval 255) frames for the encode tool.

class CPpmError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct PpmSize {
    int32_t width = 0;
    int32_t height = 0;
};

// Reads only the header; raises CPpmError naming the file for anything but a P6 header with
// maxval 255 and a pixel area the file actually holds.
PpmSize ReadPpmSize(const std::string& path);

// Reads the whole frame into a packed 32-bit bottom-up bitmap (gif/dib.h), the form the
// encoder worker hands a captured frame to the builder in.
std::vector<uint8_t> ReadPpmAsDib(const std::string& path, PpmSize expected);
