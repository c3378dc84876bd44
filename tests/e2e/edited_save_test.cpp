// The review window's save thread: what it reports matches what it leaves on disk. A file is
// left only when it is whole; a stop, a folder that cannot be written, a recording that cannot
// be read and a size nothing fits leave nothing and say which. A fit leaves only its last file,
// not the tail of a longer one tried before it.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/edited_save.h"
#include "gif/byte_source.h"
#include "gif/compact_frame.h"
#include "gif/gif_edits.h"
#include "gif/gif_index.h"
#include "gif/gif_writer.h"
#include "gif/memory_sink.h"

namespace {

constexpr UINT kSaveMessage = WM_APP + 7;
constexpr int32_t kW = 640, kH = 480;

// A compact recording of changing noise-like stripes: every cropped frame is rebuilt, which
// takes long enough (a second or so) for a stop to land in the middle.
std::vector<uint8_t> Recording(int frames)
{
    CMemorySink sink;
    WriteGifHeader(sink, kW, kH, 8);
    std::vector<uint32_t> before, now(size_t(kW) * kH);
    for (int k = 0; k < frames; ++k) {
        for (size_t i = 0; i < now.size(); ++i)
            now[i] = uint32_t((i * 2654435761u + k * 40503u) >> 8) & 0xF0F0F0u;
        const PixelView was{before.data(), kW, kW, kH}, is{now.data(), kW, kW, kH};
        WriteGifFrame(sink, BuildCompactFrame(k ? &was : nullptr, is, CompactOptions()), 5);
        before = now;
    }
    WriteGifTrailer(sink);
    return sink.Take();
}

std::wstring TempFolder()
{
    wchar_t path[MAX_PATH];
    ::GetTempPathW(MAX_PATH, path);
    std::wstring folder = std::wstring(path) + L"ravlin_edited_save_test";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

bool Exists(const std::wstring& path)
{
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Runs a save to the end, pumping its messages; stops it at its first progress when asked.
CEditedSave::Outcome RunSave(const std::wstring& recording, const GifFileInfo& info, const std::wstring& output,
                             bool stopEarly, uint64_t fitBytes, WPARAM* lastPercent)
{
    HWND window = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    const GifEditState state = FoldEdits({{GifEdit::Kind::Crop, {10, 10, 600, 400}}}, info.frames.size(), kW, kH);
    std::vector<uint16_t> delays(info.frames.size(), 5);
    CEditedSave save(window, kSaveMessage);
    EXPECT_TRUE(save.Start(recording, info, PlanEditedFrames(state, delays, {}, 0, info.frames.size() - 1),
                           state.crop, output, fitBytes));
    *lastPercent = 0;
    MSG msg;
    while (::GetMessageW(&msg, window, kSaveMessage, kSaveMessage) > 0 && msg.wParam != CEditedSave::kEnded) {
        *lastPercent = msg.wParam;
        if (stopEarly)
            save.Stop();
    }
    GifError error = GifError::None;
    const CEditedSave::Outcome outcome = save.Finish(&error);
    ::DestroyWindow(window);
    return outcome;
}

}  // namespace

TEST(EditedSave, ReportsWhatItLeaves)
{
    const std::wstring folder = TempFolder();
    const std::wstring recording = folder + L"\\rec.gif";
    const std::vector<uint8_t> bytes = Recording(60);
    std::FILE* f = _wfopen(recording.c_str(), L"wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    CMemorySource source(bytes);
    GifFileInfo info;
    ASSERT_EQ(IndexGif(source, &info), GifError::None);

    struct Case {
        const char* name;
        std::wstring recording, output;
        bool stopEarly;
        uint64_t fitBytes;
        CEditedSave::Outcome want;
    };
    const Case cases[] = {
        {"written", recording, folder + L"\\out.gif", false, 0, CEditedSave::Outcome::Written},
        {"stopped", recording, folder + L"\\stopped.gif", true, 0, CEditedSave::Outcome::Stopped},
        {"no such folder", recording, folder + L"\\missing\\out.gif", false, 0, CEditedSave::Outcome::CannotCreate},
        {"no recording", folder + L"\\gone.gif", folder + L"\\unread.gif", false, 0, CEditedSave::Outcome::ReadFailed},
        {"fit", recording, folder + L"\\fit.gif", false, bytes.size() / 3, CEditedSave::Outcome::Written},
        {"stopped fit", recording, folder + L"\\stopped-fit.gif", true, bytes.size() / 3, CEditedSave::Outcome::Stopped},
        {"nothing fits", recording, folder + L"\\tiny.gif", false, 100, CEditedSave::Outcome::TooLarge},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WPARAM percent = 0;
        EXPECT_EQ(RunSave(c.recording, info, c.output, c.stopEarly, c.fitBytes, &percent), c.want);
        EXPECT_EQ(Exists(c.output), c.want == CEditedSave::Outcome::Written);
        if (c.want == CEditedSave::Outcome::Written) {
            EXPECT_EQ(percent, 100u);
            std::FILE* in = _wfopen(c.output.c_str(), L"rb");
            ASSERT_NE(in, nullptr);
            CFileSource written(in);
            GifFileInfo out;
            ASSERT_EQ(IndexGif(written, &out), GifError::None);
            EXPECT_EQ(out.frames.size(), info.frames.size());
            EXPECT_EQ(out.width, c.fitBytes ? out.width : 600);
            if (c.fitBytes) {
                EXPECT_LE(written.Size(), c.fitBytes);
                EXPECT_GE(written.Size() * 10, c.fitBytes * 9);
            }
        }
        EXPECT_TRUE(!c.stopEarly || percent < 100u) << percent;
        ::DeleteFileW(c.output.c_str());
    }
    ::DeleteFileW(recording.c_str());
    ::RemoveDirectoryW(folder.c_str());
}
