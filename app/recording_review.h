#pragma once
// A finished recording as the review window plays and trims it: the file is indexed once and
// its frames are decoded when shown; nothing is changed until Keep or Delete.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gif/byte_source.h"
#include "gif/gif_index.h"
#include "gif/gif_pictures.h"

class CRecordingReview {
public:
    // Memory for the pictures kept for seeking: about twenty 1080p pictures.
    static constexpr size_t kPictureBudget = 160u << 20;

    // False with *message set when the file cannot be read or decoded; it is left as it is.
    bool Open(const std::wstring& path, std::wstring* message);
    void Close();

    const std::wstring& Path() const { return m_path; }
    const GifFileInfo& Info() const { return m_info; }
    size_t FrameCount() const { return m_info.frames.size(); }
    int32_t Width() const { return m_info.width; }
    int32_t Height() const { return m_info.height; }
    // Hundredths of a second from the start to the frame, and of the whole recording.
    uint32_t TimeAt(size_t frame) const { return m_startTimes[frame]; }
    uint32_t Duration() const { return m_startTimes.back(); }

    // Decodes a few more frames ahead of any seek, keeping pictures for seeking; false once
    // there is nothing more to do (or the file could not be read: showing a frame says so).
    bool PrepareAhead();

    // The frame's picture (Width() x Height(), top row first), or null with *message set.
    const uint32_t* Show(size_t frame, std::wstring* message);

    // Keeps frames first..last: writes them to a new file beside the recording, flushes it to
    // the disk and puts it in the recording's place in one step. On failure the recording is
    // as it was, and *message says why.
    bool Keep(size_t first, size_t last, std::wstring* message);
    // For every frame, whether it changes nothing inside `area` (gif/unchanged_frames.h);
    // false with *message set when the file cannot be read.
    bool UnchangedFrames(const ImageRect& area, std::vector<bool>* unchanged, std::wstring* message);
    // False with *message set when another program changed the file since it was opened.
    bool CheckUnchanged(std::wstring* message) const;
    // Puts a new file written beside `target` in its place in one step: the recording itself
    // (closed for it, and opened again when that fails) or another file. On failure the new
    // file is deleted, the target is as it was, and *message says why.
    bool PutInPlace(const std::wstring& temporary, const std::wstring& target, std::wstring* message);
    // Deletes the recording; false with *message set when it cannot.
    bool Delete(std::wstring* message);

private:
    // False when the file is not as it was when opened (another program changed it).
    bool Unchanged() const;

    std::wstring m_path;
    WIN32_FILE_ATTRIBUTE_DATA m_opened{};  // size and write time when opened
    std::unique_ptr<IByteSource> m_source;
    GifFileInfo m_info;
    std::unique_ptr<CGifPictures> m_pictures;
    std::vector<uint32_t> m_startTimes;  // one per frame and one for the end
};

// True when both name the same file as Windows compares names (letter case aside).
bool SamePath(const std::wstring& a, const std::wstring& b);
// Why a file could not be read, in the user's words.
std::wstring GifErrorText(GifError error);
// "第 12/300 帧  0:00.44 / 0:12.00": the frame counted from 1, its time and the whole time.
std::wstring ReviewPositionText(size_t frame, size_t count, uint32_t time, uint32_t duration);
// "保留第 3-250 帧，共 9.92 秒"
std::wstring KeptRangeText(size_t first, size_t last, uint32_t time);
