// Figures for the recording pipeline under load; run on purpose, not part of the test suite.
//   record_bench run <width> <height> <interval ms> <seconds> [<out width> <out height>]
//                    [--window] [--compact]
//     records a scrolling many-coloured scene at (0, 0) of that size for that long (scaled to
//     the output size when one is given), or with --window a still desktop with a text window
//     sliding across it, or with --desktop whatever the screen shows there (see
//     tools/bench/desktop.sh), in the default or the compact mode, and prints the file size,
//     frames captured, encoded and dropped, the most frames in flight (received and not yet
//     in the file, looked at every 100 ms), peak memory and the
//     milliseconds per frame of each stage on the capture thread and in the workers
//     (RAVLIN_ENCODE_THREADS sets the number of workers);
//   record_bench soak <frames>
//     records 320 x 240 at 50 frames per second until that many frames were encoded, printing
//     GDI objects, handles and memory of the process every 250 frames;
//   record_bench identity <width> <height>
//     tells whether scaling a frame to its own size changes any pixel.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "gdiplus_session.h"
#include "record/gif_encoder.h"
#include "record/mem_canvas.h"
#include "record/queued_frame.h"
#include "recording_run.h"
#include "test_scene.h"
#include "tests/dib_canvas.h"
#include "win/dc.h"
#include "win/gdi_object.h"

namespace {

struct MemoryFigures {
    double workingSetMb;
    double peakWorkingSetMb;
    double privateMb;
    double peakPrivateMb;
};

MemoryFigures Memory()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    const double mb = 1024.0 * 1024.0;
    return {counters.WorkingSetSize / mb, counters.PeakWorkingSetSize / mb,
            counters.PagefileUsage / mb, counters.PeakPagefileUsage / mb};
}

// GetGuiResources and GetProcessHandleCount answer 0 under Wine, so both counts are also
// taken by probing: every live GDI object answers GetObjectType by its table index alone,
// and every open kernel handle answers GetHandleInformation.
int CountGdiObjects()
{
    int count = 0;
    for (uintptr_t index = 1; index < 0x10000; ++index)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0)
            ++count;
    return count;
}

int CountKernelHandles()
{
    int count = 0;
    DWORD flags = 0;
    for (uintptr_t value = 4; value < 0x10000; value += 4)
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags))
            ++count;
    return count;
}

std::wstring TempFile(const wchar_t* name)
{
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + name;
}

int Run(int width, int height, int interval, int seconds, int outWidth, int outHeight, bool window,
        bool compact, bool desktop)
{
    std::unique_ptr<CTestScene> scene;
    if (!desktop) {
        scene = std::make_unique<CTestScene>(window ? CTestScene::Kind::Window : CTestScene::Kind::Moving,
                                             RECT{0, 0, width, height});
        if (!scene->WaitShown())
            std::printf("warning: scene not confirmed on screen\n");
    }
    const std::wstring file = TempFile(L"ravlin-bench.gif");
    EncoderParams params = RecordingParams(file, outWidth, outHeight);
    params.compact = compact;
    CMemCanvas preview;
    preview.Resize(320, 180);
    CGifEncoder* encoder = nullptr;
    CScreenCapture* capture = nullptr;
    std::unique_ptr<CRecording> recording =
        ScreenRecording(params, RECT{0, 0, width, height}, interval, &preview, &encoder, &capture);
    CStageTimes times;
    encoder->TimeStages(&times);
    CEndWatch<RecordingOutcome> watch;
    if (recording->Start(watch.Handler()).result != RecordingStart::Result::Started)
        return 2;
    const DWORD start = GetTickCount();
    int32_t mostInFlight = 0;
    while (GetTickCount() - start < static_cast<DWORD>(seconds) * 1000) {
        Sleep(100);
        const EncoderProgress now = recording->Progress();
        mostInFlight = std::max(mostInFlight, now.received - now.encoded);
    }
    recording->Finish();
    const DWORD stopped = GetTickCount();
    EncoderProgress progress = recording->Progress();
    const int32_t backlogAtStop = progress.received - progress.encoded;
    recording->WaitEnded();
    const DWORD drained = GetTickCount();
    const RecordingOutcome outcome = watch.Get();
    progress = recording->Progress();
    const int32_t encoded = progress.encoded;
    const int32_t received = progress.received;
    const int32_t dropped = progress.dropped;
    const double scaleMs = times.Ms(Stage::Scale);
    const double convertMs = times.Ms(Stage::Convert);
    const double encodeMs = times.Ms(Stage::Encode);
    const double writeMs = times.Ms(Stage::Write);
    const MemoryFigures m = Memory();
    const double n = encoded > 0 ? encoded : 1;
    const double seconds_ = (stopped - start) / 1000.0;
    WIN32_FILE_ATTRIBUTE_DATA attributes = {};
    GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &attributes);
    const char* end = outcome.end == RecordingOutcome::End::Completed ? "completed" : "failed";
    std::printf("%dx%d to %dx%d every %d ms (%.0f fps asked), %.1f s, %s scene, %s mode, %d workers: %s\n",
                width, height, outWidth, outHeight, interval, 1000.0 / interval, seconds_,
                desktop ? "no" : window ? "window" : "scrolling", compact ? "compact" : "default", encoder->Threads(), end);
    std::printf("  file %.1f KB (%.1f KB per frame)\n", attributes.nFileSizeLow / 1024.0,
                attributes.nFileSizeLow / 1024.0 / (encoded > 0 ? encoded : 1));
    std::printf("  captured %d (%.1f fps)  encoded %d  dropped %d  most in flight %d  backlog at stop %d"
                "  drain %.1f s\n",
                received + dropped, (received + dropped) / seconds_, encoded, dropped,
                mostInFlight, backlogAtStop, (drained - stopped) / 1000.0);
    std::printf("  per frame on a worker: scale %.1f ms  convert %.1f ms  encode %.1f ms;"
                " writer: write %.2f ms  (sum %.1f ms)\n",
                scaleMs / n, convertMs / n, encodeMs / n, writeMs / n,
                (scaleMs + convertMs + encodeMs + writeMs) / n);
    const CaptureFigures c = capture->GetFigures();
    const double captured = c.frames > 0 ? c.frames : 1;
    std::printf("  per frame on the capture thread: screen copy %.1f ms  preview %.1f ms"
                "  hand-over %.1f ms\n",
                c.copyMs / captured, c.previewMs / captured, c.handOverMs / captured);
    std::printf("  peak working set %.0f MB  peak private %.0f MB\n", m.peakWorkingSetMb,
                m.peakPrivateMb);
    DeleteFileW(file.c_str());
    return 0;
}

int Soak(int frames)
{
    CTestScene scene(CTestScene::Kind::Moving, RECT{0, 0, 320, 240});
    scene.WaitShown();
    const std::wstring file = TempFile(L"ravlin-soak.gif");
    CMemCanvas preview;
    preview.Resize(320, 180);
    CGifEncoder* encoder = nullptr;
    std::unique_ptr<CRecording> recording =
        ScreenRecording(RecordingParams(file, 320, 240), RECT{0, 0, 320, 240}, 20, &preview, &encoder);
    auto print = [](const char* when, int32_t encoded) {
        DWORD handles = 0;
        GetProcessHandleCount(GetCurrentProcess(), &handles);
        const MemoryFigures m = Memory();
        std::printf("%-8s encoded %5d  GDI objects %lu (probed %d)  handles %lu (probed %d)"
                    "  working set %6.1f MB\n",
                    when, static_cast<int>(encoded),
                    GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), CountGdiObjects(),
                    handles, CountKernelHandles(), m.workingSetMb);
        std::fflush(stdout);
    };
    print("before", 0);
    if (recording->Start(nullptr).result != RecordingStart::Result::Started)
        return 2;
    int32_t encoded = 0;
    int32_t nextReport = 250;
    while (encoded < frames) {
        Sleep(50);
        encoded = recording->Progress().encoded;
        if (encoded >= nextReport) {
            print("during", encoded);
            nextReport += 250;
        }
    }
    recording->Finish();
    recording->WaitEnded();
    encoded = recording->Progress().encoded;
    print("after", encoded);
    std::printf("dropped %d\n", static_cast<int>(recording->Progress().dropped));
    DeleteFileW(file.c_str());
    return 0;
}

// Both images as 32-bit rows, through the same GDI+ conversion the worker uses.
std::vector<uint8_t> Pixels(GpBitmap* bitmap, int width, int height)
{
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    HBITMAP handle = nullptr;
    if (gdip::GdipCreateHBITMAPFromBitmap(bitmap, &handle, 0xFF000000) != Gdiplus::Ok)
        return {};
    BITMAPINFO info = TopDownInfo32(width, height);
    CBitmap owned(handle);
    GetDIBits(CClientDC(nullptr), owned, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    return pixels;
}

int Identity(int width, int height)
{
    CTestScene scene(CTestScene::Kind::Moving, RECT{0, 0, width, height});
    scene.WaitShown();
    CMemCanvas canvas;
    canvas.Resize(width, height);
    BitBlt(canvas.Hdc(), 0, 0, width, height, CClientDC(nullptr), 0, 0, SRCCOPY);
    uint32_t size = 0;
    BITMAPINFO info = {};
    std::unique_ptr<uint8_t[]> buffer(canvas.CopyDib(&size, &info));
    GpBitmap* frame = nullptr;
    if (!buffer || gdip::GdipCreateBitmapFromGdiDib(&info, buffer.get(), &frame) != Gdiplus::Ok)
        return 2;
    GpImage* scaled = nullptr;
    const DWORD t0 = GetTickCount();
    const Gdiplus::GpStatus status =
        gdip::GdipGetImageThumbnail(frame, width, height, &scaled, nullptr, nullptr);
    const DWORD t1 = GetTickCount();
    if (status != Gdiplus::Ok)
        return 2;
    const std::vector<uint8_t> before = Pixels(frame, width, height);
    const std::vector<uint8_t> after = Pixels(static_cast<GpBitmap*>(scaled), width, height);
    size_t differing = 0;
    for (size_t i = 0; i + 3 < before.size() && i + 3 < after.size(); i += 4)
        if (before[i] != after[i] || before[i + 1] != after[i + 1] || before[i + 2] != after[i + 2])
            ++differing;
    std::printf("%dx%d scaled to its own size in %lu ms: %zu of %d pixels differ%s\n", width,
                height, t1 - t0, differing, width * height,
                scaled == frame ? " (the same image came back)" : "");
    if (scaled != frame)
        gdip::GdipDisposeImage(scaled);
    gdip::GdipDisposeImage(frame);

    // The pixels the worker hands the frame builder for a same-size frame instead.
    const std::unique_ptr<CQueuedFrame> queued = CQueuedFrame::CopyOf(canvas);
    GpBitmap* directBitmap = queued ? queued->ToGdiplusBitmap() : nullptr;
    const std::vector<uint8_t> copied = Pixels(directBitmap, width, height);
    gdip::GdipDisposeImage(directBitmap);
    differing = 0;
    for (size_t i = 0; i + 3 < before.size() && i + 3 < copied.size(); i += 4)
        if (before[i] != copied[i] || before[i + 1] != copied[i + 1] || before[i + 2] != copied[i + 2])
            ++differing;
    std::printf("  the queued frame's own pixels: %zu pixels differ\n", differing);

    // What GDI+ keeps beside pixels it was only asked to wrap.
    double before_ = Memory().workingSetMb;
    std::vector<std::unique_ptr<CQueuedFrame>> queue;
    std::vector<GpBitmap*> wrappers;
    for (int i = 0; i < 20; ++i)
        queue.push_back(CQueuedFrame::CopyOf(canvas));
    const double plain = Memory().workingSetMb - before_;
    before_ = Memory().workingSetMb;
    for (const auto& queuedFrame : queue)
        wrappers.push_back(queuedFrame->ToGdiplusBitmap());
    std::printf("  20 frames of %.1f MB of pixels: working set +%.1f MB; GDI+ bitmaps over them"
                " +%.1f MB more\n",
                20.0 * size / (1024 * 1024), plain, Memory().workingSetMb - before_);
    for (GpBitmap* wrapper : wrappers)
        gdip::GdipDisposeImage(wrapper);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    CGdiplusSession gdiplus;
    if (!gdiplus.Ok())
        return 2;
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "run") {
        bool window = false, compact = false, desktop = false;
        while (argc > 6) {
            const std::string flag = argv[argc - 1];
            if (flag == "--window")
                window = true;
            else if (flag == "--compact")
                compact = true;
            else if (flag == "--desktop")
                desktop = true;
            else
                break;
            --argc;
        }
        if (argc == 6 || argc == 8) {
            const int width = atoi(argv[2]);
            const int height = atoi(argv[3]);
            return Run(width, height, atoi(argv[4]), atoi(argv[5]), argc == 8 ? atoi(argv[6]) : width,
                       argc == 8 ? atoi(argv[7]) : height, window, compact, desktop);
        }
    }
    if (mode == "soak" && argc == 3)
        return Soak(atoi(argv[2]));
    if (mode == "identity" && argc == 4)
        return Identity(atoi(argv[2]), atoi(argv[3]));
    std::printf("usage: record_bench run <width> <height> <interval ms> <seconds> [<out width> <out height>]"
                " [--window] [--compact] [--desktop]\n"
                "       record_bench soak <frames>\n"
                "       record_bench identity <width> <height>\n");
    return 2;
}
