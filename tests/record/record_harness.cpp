// Records for the scripted checks, which then read the GIF with an independent decoder.
//   record_harness capture <out.gif> <frames> <left> <top> <width> <height> [<out width> <out height>]
//     shows the counter scene at that rectangle and records it at 20 frames per second
//     until the encoder has received that many frames;
//   record_harness fill <out.gif>
//     encodes noisy frames until a write fails (meant for a small, filling disk).
// Prints "status=<n> failure=<n> encoded=<n> received=<n> dropped=<n>" and exits 0 when the
// encoder ended as the mode expects.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "gdiplus_session.h"
#include "record/gif_encoder.h"
#include "record/mem_canvas.h"
#include "record/screen_grabber.h"
#include "recording_run.h"
#include "test_scene.h"

namespace {

void Report(CGifEncoder& encoder)
{
    int32_t encoded = 0;
    int32_t received = 0;
    const int status = encoder.GetState(&encoded, &received);
    std::printf("status=%d failure=%d encoded=%d received=%d dropped=%d\n", status,
                static_cast<int>(encoder.GetFailure()), static_cast<int>(encoded),
                static_cast<int>(received), static_cast<int>(encoder.GetDroppedCount()));
    std::fflush(stdout);
}

int Capture(const std::wstring& file, int32_t frames, RECT rect, SIZE output)
{
    CTestScene scene(CTestScene::Kind::Counter, rect);
    if (!scene.WaitShown()) {
        std::printf("scene not shown\n");
        return 2;
    }
    CGifEncoder encoder;
    encoder.SetParams(RecordingParams(file, output.cx, output.cy));
    CMemCanvas preview;
    preview.Resize(180, 320);
    CScreenGrabber grabber;
    grabber.SetPreview(&preview);
    grabber.SetRect(rect.left, rect.top, rect.right, rect.bottom);
    grabber.SetInterval(50);
    grabber.SetEncoder(&encoder);
    if (!grabber.Start()) {
        std::printf("grabber did not start\n");
        return 2;
    }
    const DWORD start = GetTickCount();
    int32_t received = 0;
    while (received < frames && GetTickCount() - start < 60000) {
        Sleep(20);
        encoder.GetState(nullptr, &received);
    }
    grabber.Stop();
    const int status = WaitEnded(encoder, 120000);
    Report(encoder);
    return status == Finished ? 0 : 1;
}

int Fill(const std::wstring& file)
{
    CGifEncoder encoder;
    encoder.SetParams(RecordingParams(file, 96, 64));
    CMemCanvas canvas;
    canvas.Resize(64, 96);
    if (!encoder.Start())
        return 2;
    // Noise compresses badly, so a small disk fills within a few dozen frames.
    srand(7);
    for (int frame = 0; frame < 400 && encoder.GetState(nullptr, nullptr) == Encoding; ++frame) {
        for (int y = 0; y < 64; y += 2)
            for (int x = 0; x < 96; x += 2)
                SetPixelV(canvas.Hdc(), x, y, RGB(rand() & 255, rand() & 255, rand() & 255));
        encoder.AddFrame(&canvas);
        Sleep(2);
    }
    encoder.AddFrame(nullptr);
    const int status = WaitEnded(encoder, 60000);
    Report(encoder);
    return status == Failed && encoder.GetFailure() == DiskFull ? 0 : 1;
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
    std::printf("usage: record_harness capture <out.gif> <frames> <left> <top> <width> <height>"
                " [<out width> <out height>]\n"
                "       record_harness fill <out.gif>\n");
    return 2;
}
