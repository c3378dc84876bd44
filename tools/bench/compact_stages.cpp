#include "compact_stages.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "gif/compact_frame.h"
#include "gif/dib.h"
#include "gif/gif_writer.h"
#include "gif/indexed_frame.h"
#include "gif/frame_workspace.h"
#include "counting_sink.h"
#include "screen_content.h"

namespace {

using Pixels = std::vector<uint32_t>;  // 0x00RRGGBB, top row first

Pixels FromScreen(const ScreenImage& image)
{
    Pixels p(static_cast<size_t>(image.width) * image.height);
    std::memcpy(p.data(), image.bgra.data(), 4 * p.size());
    return p;
}

// The recorder benchmark's scrolling scene: fine many-coloured texture twice the frame's width,
// shown from a column that moves 6 pixels a step.
Pixels Scrolling(int32_t w, int32_t h, int step)
{
    const int32_t pw = 2 * w;
    Pixels p(static_cast<size_t>(w) * h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const int32_t px = (x + 6 * step) % pw;
            const int tile = ((px / 24) + (y / 24)) & 1;
            const uint32_t r = static_cast<uint32_t>(px % w) * 255 / w;
            const uint32_t g = static_cast<uint32_t>(y) * 255 / h;
            const uint32_t b = tile ? 200 - ((px ^ y) & 63) : (px * 7 + y * 3) & 255;
            p[static_cast<size_t>(y) * w + x] = r << 16 | g << 8 | b;
        }
    return p;
}

PixelView View(const Pixels& p, int32_t w, int32_t h)
{
    return ViewOfTopDownPixels(p.data(), w, h);
}


template <class Work>
double Best(int iterations, Work work)
{
    double best = 1e30;
    for (int i = 0; i < iterations; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        work();
        best = std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    return best;
}

// PSNR of the frame as shown (the rectangle over the previous frame) against the source.
double ShownPsnr(const CompactFrame& f, const Pixels& before, const Pixels& after, int32_t w)
{
    double sum = 0;
    for (size_t i = 0; i < after.size(); ++i) {
        const int32_t x = static_cast<int32_t>(i % w), y = static_cast<int32_t>(i / w);
        uint32_t shown = before[i];
        if (x >= f.rect.left && x < f.rect.left + f.rect.width && y >= f.rect.top && y < f.rect.top + f.rect.height) {
            const uint8_t index = f.indices[static_cast<size_t>(y - f.rect.top) * f.rect.width + x - f.rect.left];
            if (index != f.transparentIndex)
                shown = static_cast<uint32_t>(f.palette[3 * index]) << 16 | f.palette[3 * index + 1] << 8 |
                        f.palette[3 * index + 2];
        }
        for (int s = 0; s < 24; s += 8) {
            const double d = static_cast<double>(shown >> s & 0xFF) - static_cast<double>(after[i] >> s & 0xFF);
            sum += d * d;
        }
    }
    const double mse = sum / (3.0 * after.size());
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

// A packed 32-bit bitmap of the pixels, bottom row first, as the default mode reads frames.
std::vector<uint8_t> DibOf(const Pixels& p, int32_t w, int32_t h)
{
    std::vector<uint8_t> dib(PackedDibSize(w, h, 32));
    WriteDibHeader(dib.data(), w, h, 32);
    for (int32_t y = 0; y < h; ++y)
        std::memcpy(dib.data() + kDibHeaderSize + 4 * static_cast<size_t>(w) * (h - 1 - y),
                    p.data() + static_cast<size_t>(w) * y, 4 * static_cast<size_t>(w));
    return dib;
}

// PSNR of a whole-frame image against its source.
double ImagePsnr(const GifImage& image, const Pixels& source)
{
    double sum = 0;
    for (size_t i = 0; i < source.size(); ++i) {
        const uint8_t* c = &image.palette[3 * image.indices[i]];
        for (int k = 0; k < 3; ++k) {
            const double d = static_cast<double>(c[k]) - static_cast<double>(source[i] >> (16 - 8 * k) & 0xFF);
            sum += d * d;
        }
    }
    const double mse = sum / (3.0 * source.size());
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

void Row(const char* stage, double ms, double pixels)
{
    std::printf("  %-22s %8.2f ms/frame %7.2f ns/pixel\n", stage, ms, ms * 1e6 / pixels);
}

}  // namespace

void BenchCompactStages(int iterations, int32_t width, int32_t height, const std::string& only)
{
    const double pixels = static_cast<double>(width) * height;
    const char* names[] = {"text", "ui", "photo", "scrolling"};
    for (int k = 0; k < 4; ++k) {
        if (!only.empty() && only != names[k])
            continue;
        Pixels before, after;
        if (k < 3) {
            const ContentKind kind = static_cast<ContentKind>(k);
            before = FromScreen(MakeScreen(kind, width, height, 2));
            after = FromScreen(MakeScreen(kind, width, height, 3));
        } else {
            before = Scrolling(width, height, 2);
            after = Scrolling(width, height, 3);
        }
        const PixelView previous = View(before, width, height);
        const PixelView current = View(after, width, height);
        CFrameWorkspace workspace;  // as an encoder worker keeps it from frame to frame
        CompactOptions plain, diffused, chosen;
        plain.dither = CompactDither::None;
        diffused.dither = CompactDither::Diffusion;
        CompactFrame f;
        const auto kib = [&] {
            CountingSink counted;
            WriteGifFrame(counted, f, 4, &workspace);
            return counted.bytes / 1024.0;
        };
        const double plainMs = Best(iterations, [&] { f = BuildCompactFrame(&previous, current, plain, &workspace); });
        const double plainDb = ShownPsnr(f, before, after, width);
        const double plainKib = kib();
        const double diffusedMs =
            Best(iterations, [&] { f = BuildCompactFrame(&previous, current, diffused, &workspace); });
        const double diffusedDb = ShownPsnr(f, before, after, width);
        const double diffusedKib = kib();
        const double buildMs = Best(iterations, [&] { f = BuildCompactFrame(&previous, current, chosen, &workspace); });
        CountingSink sink;
        const double lzwMs = Best(iterations, [&] {
            sink.bytes = 0;
            WriteGifFrame(sink, f, 4, &workspace);
        });
        std::printf("%s compact: %d x %d changed, %s, %u colours, %.0f KiB, %.1f dB\n", names[k], f.rect.width,
                    f.rect.height, f.exact ? "exact" : "reduced", f.colourCount, sink.bytes / 1024.0,
                    ShownPsnr(f, before, after, width));
        // The default mode's whole frame of the same pixels, for comparison: its build and LZW
        // timed the same way (the bitmap copied afresh, as the builder dithers it in place).
        const std::vector<uint8_t> dib = DibOf(after, width, height);
        std::vector<uint8_t> scratch;
        GifImage whole;
        CountingSink wholeSink;
        const double wholeMs = Best(iterations, [&] {
            scratch = dib;
            if (!BuildIndexedFrameFromDib(scratch.data(), scratch.size(), &whole, 1, &workspace))
                std::abort();
            wholeSink.bytes = 0;
            WriteGifFrame(wholeSink, whole, 4, &workspace);
        });
        std::printf("  default mode: %.0f KiB, %.1f dB, build + lzw %.2f ms (the bitmap's copy included)\n",
                    wholeSink.bytes / 1024.0, ImagePsnr(whole, after), wholeMs);
        if (!f.exact) {
            std::printf("  plain %.0f KiB %.1f dB, diffused %.0f KiB %.1f dB\n", plainKib, plainDb, diffusedKib,
                        diffusedDb);
            Row("build, plain", plainMs, pixels);
            Row("build, diffused", diffusedMs, pixels);
        }
        Row("build (chosen)", buildMs, pixels);
        Row("lzw + writer", lzwMs, pixels);
        Row("total", buildMs + lzwMs, pixels);
    }
}
