// Records for the scripted checks, which then read the GIF with an independent decoder.
//   record_harness capture <out.gif> <frames> <left> <top> <width> <height> [<out width> <out height>]
//     shows the counter scene at that rectangle and records it at 20 frames per second
//     until the encoder has received that many frames;
//   record_harness fill <out.gif>
//     encodes noisy frames until a write fails (meant for a small, filling disk);
//   record_harness together <out.gif> <unix ms>
//     waits for that moment, then records three frames into out.gif, as a second copy of the
//     program started at the same instant would, and prints the name it got as "file=<name>".
// Prints "end=<completed|failed|none> failure=<n> encoded=<n> received=<n> dropped=<n>" and
// exits 0 when the run ended as the mode expects.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "gdiplus_session.h"
#include "record/gif_encoder.h"
#include "record/mem_canvas.h"
#include "recording_run.h"
#include "test_scene.h"

namespace {

// ended: false when the run did not end in time.
void Report(bool ended, EncodeFailure failure, const EncoderProgress& progress)
{
    const char* end = !ended ? "none" : failure == NoFailure ? "completed" : "failed";
    std::printf("end=%s failure=%d encoded=%d received=%d dropped=%d\n", end, static_cast<int>(failure),
                static_cast<int>(progress.encoded), static_cast<int>(progress.received),
                static_cast<int>(progress.dropped));
    std::fflush(stdout);
}

int Capture(const std::wstring& file, int32_t frames, RECT rect, SIZE output)
{
    CTestScene scene(CTestScene::Kind::Counter, rect);
    if (!scene.WaitShown()) {
        std::printf("scene not shown\n");
        return 2;
    }
    CMemCanvas preview;
    preview.Resize(320, 180);
    CGifEncoder* encoder = nullptr;
    std::unique_ptr<CRecording> recording =
        ScreenRecording(RecordingParams(file, output.cx, output.cy), rect, 50, &preview, &encoder);
    CEndWatch<RecordingOutcome> watch;
    if (recording->Start(watch.Handler()).result != RecordingStart::Result::Started) {
        std::printf("recording did not start\n");
        return 2;
    }
    const DWORD start = GetTickCount();
    while (recording->Progress().received < frames && GetTickCount() - start < 60000)
        Sleep(20);
    recording->Finish();
    const bool ended = watch.Wait(120000);
    const RecordingOutcome outcome = watch.Get();
    Report(ended, outcome.failure, recording->Progress());
    return ended && outcome.end == RecordingOutcome::End::Completed ? 0 : 1;
}

int Fill(const std::wstring& file)
{
    CCancellation cancel;
    CEndWatch<EncodeEnd> watch;
    CGifEncoder encoder;
    encoder.SetParams(RecordingParams(file, 96, 64));
    CMemCanvas canvas;
    canvas.Resize(96, 64);
    if (encoder.Start(cancel, watch.Handler()) != NoFailure)
        return 2;
    // Noise compresses badly, so a small disk fills within a few dozen frames.
    srand(7);
    for (int frame = 0; frame < 400 && !watch.Ended(); ++frame) {
        for (int y = 0; y < 64; y += 2)
            for (int x = 0; x < 96; x += 2)
                SetPixelV(canvas.Hdc(), x, y, RGB(rand() & 255, rand() & 255, rand() & 255));
        encoder.AddFrame(canvas);
        Sleep(2);
    }
    encoder.Finish(0);
    const bool ended = watch.Wait(60000);
    Report(ended, watch.Get().failure, encoder.Progress());
    return ended && watch.Get().failure == DiskFull ? 0 : 1;
}

// Milliseconds since 1970 on the system clock, which both copies share.
int64_t UnixMs()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const int64_t ticks = (static_cast<int64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return ticks / 10000 - 11644473600000LL;
}

int Together(const std::wstring& file, int64_t atMs)
{
    CCancellation cancel;
    CEndWatch<EncodeEnd> watch;
    CGifEncoder encoder;
    encoder.SetParams(RecordingParams(file, 32, 24));
    CMemCanvas canvas;
    canvas.Resize(32, 24);
    // Both copies run the same steps from the same moment: the spin keeps them within a
    // millisecond or so of each other.
    while (UnixMs() < atMs) {
    }
    const EncodeFailure refused = encoder.Start(cancel, watch.Handler());
    if (refused != NoFailure) {
        Report(false, refused, encoder.Progress());
        return 1;
    }
    for (int frame = 0; frame < 3; ++frame)
        encoder.AddFrame(canvas);
    encoder.Finish(0);
    const bool ended = watch.Wait(60000);
    const std::wstring path = encoder.FilePath();
    std::printf("file=%ls\n", path.substr(path.find_last_of(L"\\") + 1).c_str());
    Report(ended, watch.Get().failure, encoder.Progress());
    return ended && watch.Get().failure == NoFailure ? 0 : 1;
}

std::wstring Wide(const char* text)
{
    std::wstring wide(MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], static_cast<int>(wide.size()));
    wide.resize(wide.size() - 1);
    return wide;
}

}  // namespace

int main(int argc, char** argv)
{
    CGdiplusSession gdiplus;
    if (!gdiplus.Ok())
        return 2;
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "capture" && (argc == 8 || argc == 10)) {
        const int left = atoi(argv[4]);
        const int top = atoi(argv[5]);
        const RECT rect = {left, top, left + atoi(argv[6]), top + atoi(argv[7])};
        const SIZE output = argc == 10 ? SIZE{atoi(argv[8]), atoi(argv[9])}
                                       : SIZE{rect.right - rect.left, rect.bottom - rect.top};
        return Capture(Wide(argv[2]), atoi(argv[3]), rect, output);
    }
    if (mode == "fill" && argc == 3)
        return Fill(Wide(argv[2]));
    if (mode == "together" && argc == 4)
        return Together(Wide(argv[2]), _atoi64(argv[3]));
    std::printf("usage: record_harness capture <out.gif> <frames> <left> <top> <width> <height>"
                " [<out width> <out height>]\n"
                "       record_harness fill <out.gif>\n"
                "       record_harness together <out.gif> <unix ms>\n");
    return 2;
}
