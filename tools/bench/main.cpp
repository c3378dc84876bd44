// ravlin-bench [--iterations N] [--size WxH] [--content text|ui|photo] [--compact]
// Times each stage of encoding one frame on one core, on synthetic 1920 x 1080 screen content
// (text, UI windows, photo-like): the 15-bit dither (and each of its slower paths), the
// quantizer (inserting every pixel and filling the palette), the index mapping, the LZW coder with
// the frame writer, and the whole BuildIndexedFrameFromDib + WriteGifFrame, and the plain first
// version of that pipeline (kept in tests/gif/reference). Prints the best of N runs per stage,
// in ms per frame and ns per pixel. With --compact, the compact mode's figures instead (and the
// recorder benchmark's scrolling texture as a fourth content). Figures only: nothing here is a
// pass or a fail.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "gif/dib.h"
#include "gif/dither15.h"
#include "gif/frame_workspace.h"
#include "gif/gif_writer.h"
#include "gif/indexed_frame.h"
#include "gif/palette_octree.h"
#include "compact_stages.h"
#include "reference/reference_builder.h"
#include "reference/reference_writer.h"
#include "counting_sink.h"
#include "screen_content.h"

namespace {

double BestMs(int iterations, const std::function<void()>& before, const std::function<void()>& work)
{
    double best = 1e30;
    for (int i = 0; i < iterations; ++i) {
        before();
        const auto t0 = std::chrono::steady_clock::now();
        work();
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        best = std::min(best, ms);
    }
    return best;
}

std::vector<uint8_t> ToDib(const ScreenImage& image)
{
    std::vector<uint8_t> dib(PackedDibSize(image.width, image.height, 32));
    WriteDibHeader(dib.data(), image.width, image.height, 32);
    const size_t stride = 4 * static_cast<size_t>(image.width);
    for (int32_t y = 0; y < image.height; ++y)
        std::memcpy(dib.data() + kDibHeaderSize + stride * (image.height - 1 - y),
                    image.bgra.data() + stride * y, stride);
    return dib;
}

void Row(const char* stage, double ms, double pixels)
{
    std::printf("  %-22s %8.2f ms/frame %7.2f ns/pixel\n", stage, ms, ms * 1e6 / pixels);
}

}  // namespace

int main(int argc, char** argv)
{
    int iterations = 15;
    std::string only;
    bool compact = false;
    int32_t width = 1920, height = 1080;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--iterations") == 0 && i + 1 < argc) {
            iterations = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--content") == 0 && i + 1 < argc) {
            only = argv[++i];
        } else if (std::strcmp(argv[i], "--compact") == 0) {
            compact = true;
        } else if (std::strcmp(argv[i], "--size") == 0 && i + 1 < argc &&
                   std::sscanf(argv[i + 1], "%dx%d", &width, &height) == 2 && width > 0 && height > 0) {
            ++i;
        } else {
            std::fprintf(stderr, "usage: ravlin-bench [--iterations N] [--size WxH] [--content text|ui|photo|scrolling] [--compact]\n");
            return 2;
        }
    }
    const double pixels = static_cast<double>(width) * height;
    std::printf("ravlin-bench: %d x %d, best of %d runs per stage, one thread\n", width, height, iterations);
    if (compact) {
        BenchCompactStages(iterations, width, height, only);
        return 0;
    }
    for (ContentKind kind : {ContentKind::Text, ContentKind::Ui, ContentKind::Photo}) {
        if (!only.empty() && only != ContentName(kind))
            continue;
        const std::vector<uint8_t> source = ToDib(MakeScreen(kind, width, height, 3));
        const uint8_t* rows = source.data() + kDibHeaderSize;
        const uint64_t stride = DibStride(width, 32);
        const size_t count = static_cast<size_t>(width) * height;
        std::vector<uint16_t> values(count);
        std::vector<uint8_t> indices(count);

        const double dither = BestMs(iterations, [] {}, [&] {
            DitherRowsTo15Bit(rows, width, height, stride, values.data());
        });
        // Each path of the dither the build and processor offer, for the machines that lack one.
        std::vector<std::pair<const char*, double>> paths;
        for (const auto& path : {std::make_pair(DitherPath::Sse2, "  dither, SSE2 path"),
                                 std::make_pair(DitherPath::Plain, "  dither, plain path")}) {
            if (DitherPathAvailable(path.first))
                paths.emplace_back(path.second, BestMs(std::max(1, iterations / 3), [] {}, [&] {
                    DitherRowsTo15BitBy(path.first, rows, width, height, stride, values.data());
                }));
        }
        DitherRowsTo15Bit(rows, width, height, stride, values.data());

        uint32_t colours = 0;
        std::vector<uint8_t> quads(1024);
        const double quantize = BestMs(iterations, [] {}, [&] {
            CPaletteOctree tree(256, 8);
            tree.Feed15BitPixels(values.data(), count);
            colours = tree.LeafCount();
            tree.FillPalette(quads.data());
        });

        CPaletteOctree tree(256, 8);
        tree.Feed15BitPixels(values.data(), count);
        tree.FillPalette(quads.data());
        const double map = BestMs(iterations, [] {}, [&] {
            Map15BitPixels(tree, values.data(), width, height, indices.data());
        });

        GifImage image;
        image.rect = ImageRect{0, 0, width, height};
        image.tableBits = TableBitsFor(colours, 3);
        image.palette.assign(3u << image.tableBits, 0);
        image.indices = std::move(indices);
        CountingSink lzwSink;
        CFrameWorkspace workspace;  // as an encoder worker keeps it from frame to frame
        const double lzw = BestMs(iterations, [&] { lzwSink.bytes = 0; }, [&] {
            WriteGifFrame(lzwSink, image, 4, &workspace);
        });

        std::vector<uint8_t> dib;
        const double total = BestMs(iterations, [&] { dib = source; }, [&] {
            GifImage built;
            if (!BuildIndexedFrameFromDib(dib.data(), dib.size(), &built, 1, &workspace))
                std::abort();
            CountingSink sink;
            WriteGifFrame(sink, built, 4, &workspace);
        });

        // The plain first version of the same pipeline, for a ratio that machine load cannot skew
        // as much as the figures themselves.
        const double plain = BestMs(std::max(1, iterations / 5), [&] { dib = source; }, [&] {
            uint8_t* pal = nullptr;
            uint8_t* idx = nullptr;
            uint8_t b = 8;
            int32_t w = 0, h = 0;
            if (!reference::BuildIndexedFrameFromDib(dib.data(), dib.size(), &pal, &idx, &b, &w, &h, 1))
                std::abort();
            CountingSink sink;
            reference::WriteGifFrame(sink, idx, pal, static_cast<uint16_t>(w), static_cast<uint16_t>(h), b, 4, -1);
            delete[] pal;
            delete[] idx;
        });

        std::printf("%s: %u colours, %.0f KiB per frame\n", ContentName(kind), colours, lzwSink.bytes / 1024.0);
        Row(DitherPathAvailable(DitherPath::Avx2) ? "dither (AVX2)" : "dither", dither, pixels);
        for (const auto& path : paths)
            Row(path.first, path.second, pixels);
        Row("quantizer", quantize, pixels);
        Row("index mapping", map, pixels);
        Row("lzw + writer", lzw, pixels);
        Row("sum of stages", dither + quantize + map + lzw, pixels);
        Row("total (build + write)", total, pixels);
        Row("plain first version", plain, pixels);
        std::printf("  %-22s %8.1f x\n", "speed-up", plain / total);
    }
    return 0;
}
