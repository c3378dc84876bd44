// ravlin-encode [--delay N] [--compact] [--quality N] [--threads N] [--plays N] OUT.gif FRAME.ppm [FRAME.ppm ...]
// Encodes PPM frames into a looping GIF the way the recorder's encoder does: a pool of workers
// (--threads, default all logical processors) each reads a frame, builds it from a 32-bit
// bottom-up bitmap and compresses it; this thread writes header, frames and trailer in order.
// With --compact, each frame holds only what changed since the one before, in exact colours
// where they fit; --quality (1 to 100, default 100) below 100 lets it write colours only near the
// captured ones where that codes shorter. --plays: how many times the animation plays, 0 (the default) for ever.
// Writes to a temporary file renamed over OUT only on success.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "gif/compact_frame.h"
#include "pipeline/encode_pool.h"
#include "gif/frame_workspace.h"
#include "gif/gif_writer.h"
#include "gif/global_colour_table.h"
#include "gif/indexed_frame.h"
#include "gif/memory_sink.h"
#include "gif/stdio_sink.h"
#include "ppm_reader.h"
#include "shared_frames.h"

namespace {

struct Options {
    uint16_t delay = 4;
    bool compact = false;
    int threads = 0;  // 0: all logical processors
    uint32_t plays = kPlayForever;
    int quality = 100;  // the compact mode's; below 100 lossy
    std::string out;
    std::vector<std::string> frames;
};

[[noreturn]] void Usage(const char* message)
{
    std::fprintf(stderr,
                 "ravlin-encode: %s\nusage: ravlin-encode [--delay N] [--compact] [--quality N] [--threads N] [--plays N] OUT.gif FRAME.ppm "
                 "[FRAME.ppm ...]\n",
                 message);
    std::exit(2);
}

Options ParseArguments(int argc, char** argv)
{
    Options o;
    int i = 1;
    // The value of option argv[i], a whole number from low to high.
    const auto number = [&](long low, long high, const char* message) {
        if (i + 1 >= argc)
            Usage(message);
        char* end = nullptr;
        const long value = std::strtol(argv[i + 1], &end, 10);
        if (*argv[i + 1] == '\0' || *end != '\0' || value < low || value > high)
            Usage(message);
        i += 2;
        return value;
    };
    // Options come before the output file; anything else that begins with a dash is a
    // mistake, not a file name.
    while (i < argc && argv[i][0] == '-' && argv[i][1] != '\0') {
        if (std::strcmp(argv[i], "--delay") == 0) {
            o.delay = static_cast<uint16_t>(number(0, 65535, "--delay takes hundredths of a second from 0 to 65535"));
        } else if (std::strcmp(argv[i], "--threads") == 0) {
            o.threads = static_cast<int>(number(1, 64, "--threads takes a number of workers from 1 to 64"));
        } else if (std::strcmp(argv[i], "--plays") == 0) {
            o.plays = static_cast<uint32_t>(number(0, kMaxPlays, "--plays takes 0 (for ever) or a count up to 65536"));
        } else if (std::strcmp(argv[i], "--quality") == 0) {
            o.quality = static_cast<int>(number(1, 100, "--quality takes a number from 1 to 100"));
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

// One frame's image bytes, on a worker: read, built, compressed.
void EncodeFrame(const std::string& path, std::vector<uint8_t>& dib, CFrameWorkspace& workspace,
                 CEncodedFrame& result)
{
    GifImage built;
    if (!BuildIndexedFrameFromDib(dib.data(), dib.size(), &built, 1, &workspace))
        throw CPpmError(path + ": the frame could not be converted");
    CMemorySink image;
    WriteGifImage(image, built, &workspace);
    result.image = image.Take();
    result.width = static_cast<uint16_t>(built.rect.width);
    result.height = static_cast<uint16_t>(built.rect.height);
    result.bitsPerIndex = built.tableBits;
    result.built = true;
}

// One compact frame on a worker: it reads the frame before it too. Its colour table is chosen
// in its turn at the shared table, then it is coded.
void EncodeCompactFrame(const std::vector<uint8_t>& dib, const std::vector<uint8_t>* previous, PpmSize size,
                        const CompactOptions& options, CTableTurn& turn, CFrameWorkspace& workspace,
                        CEncodedFrame& result)
{
    const PixelView current = ViewOfPackedDib32(dib.data(), size.width, size.height);
    CompactFrame frame;
    if (previous) {
        const PixelView before = ViewOfPackedDib32(previous->data(), size.width, size.height);
        frame = BuildCompactFrame(&before, current, options, &workspace);
    } else {
        frame = BuildCompactFrame(nullptr, current, options, &workspace);
    }
    turn.Place(frame, frame.exact, &result.claims);
    CMemorySink image;
    WriteGifImage(image, frame, &workspace);
    result.image = image.Take();
    result.width = static_cast<uint16_t>(size.width);
    result.height = static_cast<uint16_t>(size.height);
    result.bitsPerIndex = 8;
    result.transparentIndex = frame.transparentIndex;
    result.built = true;
}

// Writes the frames in order as the workers finish them; the compact file's header gets the
// global table's entries the frames took before the frames that use them.
void WriteFrames(IRewindableSink& sink, CEncodePool& pool, uint16_t delay, bool compact, uint32_t plays)
{
    CHeaderTable table;
    bool first = true;
    CEncodedFrame frame;
    while (pool.TakeInOrder(&frame) == CEncodePool::Next::Frame) {
        if (frame.error)
            std::rethrow_exception(frame.error);
        table.Add(frame.claims);
        if (first) {
            WriteGifHeader(sink, frame.width, frame.height, frame.bitsPerIndex, plays, compact ? table.Bytes() : nullptr);
            table.Written();
        } else {
            table.WriteNew(sink);
        }
        first = false;
        WriteGifControl(sink, delay, frame.transparentIndex);
        sink.Write(frame.image.data(), static_cast<uint32_t>(frame.image.size()));
    }
    WriteGifTrailer(sink);
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
        std::atomic<int64_t> workerNs{0};
        const int threads = o.threads > 0 ? o.threads : EncodeThreadCount();
        CSharedFrames shared(o.frames, size, o.compact ? 2 : 1);
        CSharedColourTable table;  // the compact file's
        CCancellation cancel;
        CEncodePool pool;
        {
            // The pool's workers end before anything they use goes.
            struct JoinOnExit {
                CCancellation& cancel;
                CEncodePool& pool;
                ~JoinOnExit()
                {
                    cancel.Cancel();
                    pool.Join();
                }
            } joinOnExit{cancel, pool};
            if (!pool.Start(threads, cancel))
                throw CWriteError("cannot start the encoding threads");
            for (size_t k = 0; k < o.frames.size(); ++k) {
                pool.Submit([&o, &shared, &table, k, size, &workerNs](CFrameWorkspace& workspace,
                                                                      CEncodedFrame& result) {
                    const auto t0 = std::chrono::steady_clock::now();
                    // Taken however the job ends, so the frames after it do not wait for it.
                    CTableTurn turn(table, k);
                    const CSharedFrames::Frame frame = shared.Get(k);
                    if (o.compact) {
                        const CSharedFrames::Frame previous = k == 0 ? nullptr : shared.Get(k - 1);
                        CompactOptions options;
                        options.quality = o.quality;
                        EncodeCompactFrame(*frame, previous.get(), size, options, turn, workspace, result);
                    } else {
                        EncodeFrame(o.frames[k], *frame, workspace, result);
                    }
                    workerNs += std::chrono::duration_cast<std::chrono::nanoseconds>(
                                    std::chrono::steady_clock::now() - t0).count();
                });
            }
            pool.Finish();
            CStdioSink sink(temporary);
            WriteFrames(sink, pool, o.delay, o.compact, o.plays);
            sink.Close();
        }
        if (std::rename(temporary.c_str(), o.out.c_str()) != 0)
            throw CWriteError(o.out + ": cannot replace the output file");
        const double totalMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        const size_t frames = o.frames.size();
        const double megapixels = static_cast<double>(size.width) * size.height * frames / 1e6;
        std::printf("%zu frames, %.2f megapixels, %.1f ms total, %.2f ms per frame, %.1f frames per second "
                    "(%d threads, %.2f ms per frame on a worker)\n",
                    frames, megapixels, totalMs, totalMs / frames, frames * 1000.0 / totalMs, threads,
                    workerNs / 1e6 / frames);
        return 0;
    } catch (const std::exception& e) {
        std::remove(temporary.c_str());
        std::fprintf(stderr, "ravlin-encode: %s\n", e.what());
        return 1;
    }
}
