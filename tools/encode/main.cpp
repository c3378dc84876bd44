// ravlin-encode [--delay N] [--compact] OUT.gif FRAME.ppm [FRAME.ppm ...]
// Encodes PPM frames into a looping GIF the way the recorder's encoder worker does: each frame
// goes to the builder as a 32-bit bottom-up bitmap, then header (before the first frame),
// frames, trailer. With --compact, each frame holds only what changed since the one before,
// in exact colours where they fit. Writes to a temporary file renamed over OUT only on success.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gif/compact_frame.h"
#include "gif/compact_writer.h"
#include "gif/frame_workspace.h"
#include "gif/gif_writer.h"
#include "gif/indexed_frame.h"
#include "gif/stdio_sink.h"
#include "ppm_reader.h"

namespace {

struct Options {
    uint16_t delay = 4;
    bool compact = false;
    std::string out;
    std::vector<std::string> frames;
};

[[noreturn]] void Usage(const char* message)
{
    std::fprintf(stderr,
                 "ravlin-encode: %s\nusage: ravlin-encode [--delay N] [--compact] OUT.gif FRAME.ppm [FRAME.ppm ...]\n",
                 message);
    std::exit(2);
}

Options ParseArguments(int argc, char** argv)
{
    Options o;
    int i = 1;
    // Options come before the output file; anything else that begins with a dash is a
    // mistake, not a file name.
    while (i < argc && argv[i][0] == '-' && argv[i][1] != '\0') {
        if (std::strcmp(argv[i], "--delay") == 0) {
            if (i + 1 >= argc)
                Usage("--delay needs a value");
            char* end = nullptr;
            const long delay = std::strtol(argv[i + 1], &end, 10);
            if (*argv[i + 1] == '\0' || *end != '\0' || delay < 0 || delay > 65535)
                Usage("--delay takes hundredths of a second from 0 to 65535");
            o.delay = static_cast<uint16_t>(delay);
            i += 2;
        } else if (std::strcmp(argv[i], "--compact") == 0) {
            o.compact = true;
            ++i;
        } else {
            Usage((std::string("unknown option ") + argv[i]).c_str());
        }
    }
    if (i >= argc)
        Usage("no output file given");
    o.out = argv[i++];
    for (; i < argc; ++i)
        o.frames.push_back(argv[i]);
    if (o.frames.empty())
        Usage("no frames given");
    return o;
}

void EncodeFrame(IByteSink& sink, std::vector<uint8_t>& dib, const std::string& path, bool first,
                 uint16_t delay)
{
    uint8_t* palette = nullptr;
    uint8_t* indices = nullptr;
    uint8_t bits = 8;
    int32_t width = 0, height = 0;
    if (!BuildIndexedFrameFromDib(dib.data(), dib.size(), &palette, &indices, &bits, &width, &height, 1))
        throw CPpmError(path + ": the frame could not be converted");
    try {
        if (first)
            WriteGifHeader(sink, static_cast<uint16_t>(width), static_cast<uint16_t>(height), bits);
        WriteGifFrame(sink, indices, palette, static_cast<uint16_t>(width), static_cast<uint16_t>(height),
                      bits, delay, -1);
    } catch (...) {
        delete[] palette;
        delete[] indices;
        throw;
    }
    delete[] palette;
    delete[] indices;
}

// The previous frame's pixels stay with the caller, which hands them back for the next frame.
void EncodeCompactFrame(IByteSink& sink, const std::vector<uint8_t>& dib, const std::vector<uint8_t>* previous,
                        PpmSize size, uint16_t delay, CFrameWorkspace& workspace)
{
    const PixelView current = ViewOfPackedDib32(dib.data(), size.width, size.height);
    CompactFrame frame;
    if (previous) {
        const PixelView before = ViewOfPackedDib32(previous->data(), size.width, size.height);
        frame = BuildCompactFrame(&before, current, CompactOptions(), &workspace);
    } else {
        frame = BuildCompactFrame(nullptr, current, CompactOptions(), &workspace);
        WriteGifHeader(sink, static_cast<uint16_t>(size.width), static_cast<uint16_t>(size.height), 8);
    }
    WriteCompactFrame(sink, frame, delay, &workspace);
}

}  // namespace

int main(int argc, char** argv)
{
    const Options o = ParseArguments(argc, argv);
    const std::string temporary = o.out + ".part";
    try {
        // Every frame's header and length first, so that a bad frame stops us before any output.
        const PpmSize size = ReadPpmSize(o.frames[0]);
        for (const std::string& path : o.frames) {
            const PpmSize s = ReadPpmSize(path);
            if (s.width != size.width || s.height != size.height)
                throw CPpmError(path + ": frame is " + std::to_string(s.width) + " x " + std::to_string(s.height) +
                                ", the first frame is " + std::to_string(size.width) + " x " +
                                std::to_string(size.height));
        }
        const auto start = std::chrono::steady_clock::now();
        double encodeMs = 0;
        {
            CStdioSink sink(temporary);
            std::vector<uint8_t> previous;
            CFrameWorkspace workspace;
            for (size_t k = 0; k < o.frames.size(); ++k) {
                std::vector<uint8_t> dib = ReadPpmAsDib(o.frames[k], size);
                const auto t0 = std::chrono::steady_clock::now();
                if (o.compact)
                    EncodeCompactFrame(sink, dib, k == 0 ? nullptr : &previous, size, o.delay, workspace);
                else
                    EncodeFrame(sink, dib, o.frames[k], k == 0, o.delay);
                encodeMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
                if (o.compact)
                    previous.swap(dib);
            }
            WriteGifTrailer(sink);
            sink.Close();
        }
        if (std::rename(temporary.c_str(), o.out.c_str()) != 0)
            throw CWriteError(o.out + ": cannot replace the output file");
        const double totalMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        const double megapixels = static_cast<double>(size.width) * size.height * o.frames.size() / 1e6;
        std::printf("%zu frames, %.2f megapixels, %.1f ms total, %.2f ms per frame (%.2f ms encoding)\n",
                    o.frames.size(), megapixels, totalMs, totalMs / o.frames.size(), encodeMs / o.frames.size());
        return 0;
    } catch (const std::exception& e) {
        std::remove(temporary.c_str());
        std::fprintf(stderr, "ravlin-encode: %s\n", e.what());
        return 1;
    }
}
