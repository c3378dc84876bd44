// ravlin-trim IN.gif OUT.gif FIRST LAST [EDITS]
//                                         keeps frames FIRST..LAST (counted from 0; LAST may be
//                                         "end") of IN in OUT, with the review window's edits:
//                                         --crop X,Y,W,H  --cut A-B (again for more)
//                                         --speed PERCENT  --shorten-pauses HUNDREDTHS
//                                         --fit MB writes them at the highest quality whose file
//                                         fits within MB (of 1024 x 1024 bytes), smaller only
//                                         when quality 1 does not fit
//                                         --stats prints the time taken and the peak memory
// ravlin-trim --record default|compact OUT.gif [SECONDS [ui|photo]]
//                                         writes a 1920x1080 recording of moving windows (or a
//                                         photo panned) at 20 frames per second (60 seconds by
//                                         default)
// ravlin-trim --bench IN.gif              times what the review window does with IN: the first
//                                         picture, seeks across the file, a trimmed copy; and
//                                         prints the peak memory of this process
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "gif/byte_source.h"
#include "gif/compact_frame.h"
#include "gif/gif_index.h"
#include "gif/gif_pictures.h"
#include "gif/gif_trim.h"
#include "gif/gif_writer.h"
#include "gif/indexed_frame.h"
#include "gif/dib.h"
#include "gif/gif_edit_writer.h"
#include "gif/gif_edits.h"
#include "gif/gif_fit.h"
#include "gif/unchanged_frames.h"
#include "gif/stdio_sink.h"
#include "screen_content.h"

namespace {

// The review window's budget for kept pictures.
constexpr size_t kPictureBudget = 160u << 20;
constexpr size_t kEnd = static_cast<size_t>(-1);  // LAST given as "end"

const char* ErrorName(GifError e)
{
    switch (e) {
    case GifError::None: return "no error";
    case GifError::ReadFailed: return "the file could not be read";
    case GifError::NotGif: return "not a GIF file";
    case GifError::Truncated: return "the file is cut short";
    case GifError::BadBlock: return "a damaged block";
    case GifError::BadImage: return "a damaged image header";
    case GifError::BadCode: return "damaged image data";
    case GifError::ShortData: return "image data shorter than its image";
    case GifError::NoFrames: return "no such frames";
    case GifError::Unsupported: return "a frame this tool does not rewrite";
    }
    return "unknown error";
}

[[noreturn]] void Fail(const std::string& message)
{
    std::fprintf(stderr, "ravlin-trim: %s\n", message.c_str());
    std::exit(1);
}

double MsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

std::FILE* OpenOrFail(const std::string& path)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        Fail(path + ": cannot open");
    return f;
}

double PeakMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

// The frames the edits keep, as the review window would plan them.
GifError PlanEdits(IByteSource& source, const GifFileInfo& info, const std::vector<GifEdit>& edits, size_t first,
                   size_t last, std::vector<PlannedFrame>* plan, ImageRect* crop)
{
    if (first > last || last >= info.frames.size())
        return GifError::NoFrames;
    const GifEditState state = FoldEdits(edits, info.frames.size(), info.width, info.height);
    std::vector<bool> unchanged;
    if (state.stillLimit) {
        const GifError error = FindUnchangedFrames(source, info, state.crop, &unchanged);
        if (error != GifError::None)
            return error;
    }
    std::vector<uint16_t> delays;
    for (const GifFrameInfo& f : info.frames)
        delays.push_back(f.delay);
    *plan = PlanEditedFrames(state, delays, unchanged, first, last);
    *crop = state.crop;
    return GifError::None;
}

// The edits as the review window would make them, then one pass over the file.
GifError WriteEdited(IByteSource& source, const GifFileInfo& info, CGifPictures& pictures,
                     const std::vector<GifEdit>& edits, size_t first, size_t last, IByteSink& out)
{
    std::vector<PlannedFrame> plan;
    ImageRect crop;
    const GifError error = PlanEdits(source, info, edits, first, last, &plan, &crop);
    if (error != GifError::None)
        return error;
    bool cancelled = false;
    return WriteEditedGif(source, info, pictures, plan, crop, out, nullptr, &cancelled);
}

// Each trial of a fit into the file at `path`, written afresh.
class CStdioFitOutput : public IFitOutput {
public:
    explicit CStdioFitOutput(std::string path) : m_path(std::move(path)) {}
    IByteSink& Restart() override
    {
        m_sink.reset();
        m_sink = std::make_unique<CStdioSink>(m_path);
        return *m_sink;
    }
    void Close()
    {
        if (m_sink)
            m_sink->Close();
    }

private:
    std::string m_path;
    std::unique_ptr<CStdioSink> m_sink;
};

// The edits, then the kept frames fit within limitBytes; says what it came to.
GifError FitEdited(IByteSource& source, const GifFileInfo& info, CGifPictures& pictures,
                   const std::vector<GifEdit>& edits, size_t first, size_t last, uint64_t limitBytes,
                   const std::string& out)
{
    std::vector<PlannedFrame> plan;
    ImageRect crop;
    const GifError error = PlanEdits(source, info, edits, first, last, &plan, &crop);
    if (error != GifError::None)
        return error;
    CStdioFitOutput output(out);
    const FitResult r = FitEditedGif(source, info, pictures, plan, crop, limitBytes, output, nullptr);
    output.Close();
    if (r.error != GifError::None)
        return r.error;
    if (!r.fits)
        Fail("not even the smallest scale fits within the size");
    const ImageRect size = EncodedSize(crop, r.encoding);
    std::printf("%s: %llu bytes (%.1f%% of the size), quality %d, %dx%d, %d files tried\n", out.c_str(),
                static_cast<unsigned long long>(r.bytes), r.bytes * 100.0 / limitBytes, r.encoding.quality,
                size.width, size.height, r.trials);
    return GifError::None;
}

int Trim(const std::string& in, const std::string& out, size_t first, size_t last,
         const std::vector<GifEdit>& edits, uint64_t fitBytes, bool stats)
{
    const auto start = std::chrono::steady_clock::now();
    CFileSource source(OpenOrFail(in));
    GifFileInfo info;
    GifError error = IndexGif(source, &info);
    if (error != GifError::None)
        Fail(in + ": " + ErrorName(error));
    if (last == kEnd)
        last = info.frames.size() - 1;
    // An edited copy visits the frames in order, as the review window's save does: no
    // pictures are kept for seeking.
    const bool edited = !edits.empty() || fitBytes > 0;
    CGifPictures pictures(source, info, edited ? 0 : kPictureBudget);
    const std::string temporary = out + ".part";
    try {
        if (fitBytes > 0) {
            error = FitEdited(source, info, pictures, edits, first, last, fitBytes, temporary);
        } else {
            CStdioSink sink(temporary);
            error = edited ? WriteEdited(source, info, pictures, edits, first, last, sink)
                           : WriteTrimmedGif(source, info, pictures, first, last, sink);
            sink.Close();
        }
    } catch (const std::exception& e) {
        std::remove(temporary.c_str());
        Fail(e.what());
    }
    if (error != GifError::None) {
        std::remove(temporary.c_str());
        Fail(in + ": " + ErrorName(error));
    }
    if (std::rename(temporary.c_str(), out.c_str()) != 0)
        Fail(out + ": cannot replace the file");
    if (stats)
        std::printf("%s: written in %.0f ms, peak memory %.1f MiB\n", out.c_str(), MsSince(start), PeakMiB());
    return 0;
}

bool ParseEdit(const std::string& option, const char* value, std::vector<GifEdit>* edits)
{
    GifEdit e;
    int a = 0, b = 0, c = 0, d = 0;
    char end = 0;
    if (option == "--crop" && std::sscanf(value, "%d,%d,%d,%d%c", &a, &b, &c, &d, &end) == 4 && c > 0 && d > 0) {
        e.kind = GifEdit::Kind::Crop;
        e.rect = ImageRect{a, b, c, d};
    } else if (option == "--cut" && std::sscanf(value, "%d-%d%c", &a, &b, &end) == 2 && a >= 0 && b >= a) {
        e.kind = GifEdit::Kind::Cut;
        e.first = size_t(a);
        e.last = size_t(b);
    } else if (option == "--speed" && std::sscanf(value, "%d%c", &a, &end) == 1 && a >= 10 && a <= 1000) {
        e.kind = GifEdit::Kind::Speed;
        e.value = uint32_t(a);
    } else if (option == "--shorten-pauses" && std::sscanf(value, "%d%c", &a, &end) == 1 && a >= int(kMinEditedDelay) &&
               a <= 0xFFFF) {
        e.kind = GifEdit::Kind::ShortenStills;
        e.value = uint32_t(a);
    } else {
        return false;
    }
    edits->push_back(e);
    return true;
}

int Record(bool compact, const std::string& out, int seconds, ContentKind kind)
{
    const int32_t w = 1920, h = 1080;
    const int frames = seconds * 20;
    const auto start = std::chrono::steady_clock::now();
    CStdioSink sink(out);
    std::vector<uint8_t> previous;
    for (int k = 0; k < frames; ++k) {
        ScreenImage screen = MakeScreen(kind, w, h, k);
        const PixelView current{reinterpret_cast<const uint32_t*>(screen.bgra.data()), w, w, h};
        if (compact) {
            if (k == 0)
                WriteGifHeader(sink, w, h, 8);
            const PixelView before{reinterpret_cast<const uint32_t*>(previous.data()), w, w, h};
            WriteGifFrame(sink, BuildCompactFrame(k ? &before : nullptr, current, CompactOptions()), 5);
            previous.swap(screen.bgra);
            continue;
        }
        std::vector<uint8_t> dib(kDibHeaderSize + screen.bgra.size());
        WriteDibHeader(dib.data(), w, h, 32);
        for (int32_t y = 0; y < h; ++y)  // the packed bitmap is bottom row first
            std::memcpy(dib.data() + kDibHeaderSize + size_t(h - 1 - y) * w * 4, screen.bgra.data() + size_t(y) * w * 4,
                        size_t(w) * 4);
        GifImage image;
        if (!BuildIndexedFrameFromDib(dib.data(), dib.size(), &image, 1))
            Fail("a frame could not be built");
        if (k == 0)
            WriteGifHeader(sink, w, h, image.tableBits);
        WriteGifFrame(sink, image, 5);
    }
    WriteGifTrailer(sink);
    sink.Close();
    std::printf("%s: %d frames of %dx%d, %s, written in %.1f s\n", out.c_str(), frames, w, h,
                compact ? "compact" : "default", MsSince(start) / 1000);
    return 0;
}

int Bench(const std::string& in)
{
    auto start = std::chrono::steady_clock::now();
    CFileSource source(OpenOrFail(in));
    GifFileInfo info;
    GifError error = IndexGif(source, &info);
    if (error != GifError::None)
        Fail(in + ": " + ErrorName(error));
    const double indexMs = MsSince(start);
    CGifPictures pictures(source, info, kPictureBudget);
    if ((error = pictures.Show(0)) != GifError::None)
        Fail(in + ": " + ErrorName(error));
    std::printf("%s: %zu frames of %ux%u, %.1f MB\n", in.c_str(), info.frames.size(), info.width, info.height,
                source.Size() / 1e6);
    std::printf("  open to first picture: %.0f ms (index %.0f ms)\n", MsSince(start), indexMs);

    // What the review window does while the user looks at the first picture.
    start = std::chrono::steady_clock::now();
    for (bool done = false; !done;)
        if ((error = pictures.PrepareAhead(16, &done)) != GifError::None)
            Fail(in + ": " + ErrorName(error));
    std::printf("  pictures for seeking prepared in the background: %.0f ms\n", MsSince(start));

    // Seeks in the order a user drags the slider and jumps: to places never visited first.
    const size_t n = info.frames.size();
    std::mt19937 random(1);
    double worst = 0, total = 0;
    const int seeks = 40;
    for (int i = 0; i < seeks; ++i) {
        const size_t to = i == 0 ? n - 1 : random() % n;
        start = std::chrono::steady_clock::now();
        if ((error = pictures.Show(to)) != GifError::None)
            Fail(in + ": " + ErrorName(error));
        const double ms = MsSince(start);
        worst = std::max(worst, ms);
        total += ms;
    }
    std::printf("  %d seeks, the first to the last frame: %.1f ms on average, %.0f ms at worst; "
                "%zu pictures kept, one every %zu frames\n",
                seeks, total / seeks, worst, pictures.KeptCount(), pictures.KeyInterval());

    const std::string out = in + ".trimmed.gif";
    start = std::chrono::steady_clock::now();
    {
        CStdioSink sink(out);
        if ((error = WriteTrimmedGif(source, info, pictures, n / 10 + 3, n - n / 10, sink)) != GifError::None)
            Fail(in + ": " + ErrorName(error));
        sink.Close();
    }
    std::printf("  trimmed copy of frames %zu..%zu: %.0f ms\n", n / 10 + 3, n - n / 10, MsSince(start));
    std::remove(out.c_str());
    std::printf("  peak memory: %.1f MiB\n", PeakMiB());
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "--bench") == 0)
        return Bench(argv[2]);
    if (argc >= 4 && std::strcmp(argv[1], "--record") == 0)
        return Record(std::strcmp(argv[2], "compact") == 0, argv[3], argc >= 5 ? std::atoi(argv[4]) : 60,
                      argc >= 6 && std::strcmp(argv[5], "photo") == 0 ? ContentKind::Photo : ContentKind::Ui);
    if (argc >= 5) {
        char* end1 = nullptr;
        char* end2 = nullptr;
        const unsigned long first = std::strtoul(argv[3], &end1, 10);
        const bool toEnd = std::strcmp(argv[4], "end") == 0;
        const unsigned long last = toEnd ? 0 : std::strtoul(argv[4], &end2, 10);
        std::vector<GifEdit> edits;
        uint64_t fitBytes = 0;
        bool stats = false, good = *end1 == '\0' && (toEnd || *end2 == '\0');
        for (int i = 5; i < argc && good; ++i) {
            if (std::strcmp(argv[i], "--stats") == 0) {
                stats = true;
            } else if (std::strcmp(argv[i], "--fit") == 0 && i + 1 < argc) {
                char* end = nullptr;
                const double mb = std::strtod(argv[++i], &end);
                good = *end == '\0' && mb > 0 && mb <= 1e6;
                fitBytes = static_cast<uint64_t>(mb * 1048576);
            } else if ((good = i + 1 < argc && ParseEdit(argv[i], argv[i + 1], &edits))) {
                ++i;
            }
        }
        if (good)
            return Trim(argv[1], argv[2], first, toEnd ? kEnd : last, edits, fitBytes, stats);
    }
    std::fprintf(stderr, "usage: ravlin-trim IN.gif OUT.gif FIRST LAST|end [--crop X,Y,W,H] [--cut A-B]...\n"
                         "                   [--speed PERCENT] [--shorten-pauses HUNDREDTHS] [--fit MB] [--stats]\n"
                         "       ravlin-trim --record default|compact OUT.gif [SECONDS [ui|photo]]\n"
                         "       ravlin-trim --bench IN.gif\n");
    return 2;
}
