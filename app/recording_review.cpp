#include "app/recording_review.h"

#include <cstdio>

#include "app/resource.h"
#include "gif/gif_trim.h"
#include "gif/unchanged_frames.h"
#include "record/file_sink.h"
#include "win/file.h"
#include "win/resource_text.h"

namespace {

std::wstring TimeText(uint32_t hundredths)
{
    wchar_t text[32];
    std::swprintf(text, 32, L"%u:%02u.%02u", hundredths / 6000, hundredths / 100 % 60, hundredths % 100);
    return text;
}

}  // namespace

bool SamePath(const std::wstring& a, const std::wstring& b)
{
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

std::wstring GifErrorText(GifError error)
{
    switch (error) {
    case GifError::None: return L"";
    case GifError::ReadFailed: return LoadText(IDS_GIF_READ_FAILED);
    case GifError::NotGif: return LoadText(IDS_GIF_NOT_GIF);
    case GifError::Truncated: return LoadText(IDS_GIF_TRUNCATED);
    case GifError::NoFrames: return LoadText(IDS_GIF_NO_FRAMES);
    case GifError::Unsupported: return LoadText(IDS_GIF_UNSUPPORTED);
    case GifError::BadBlock:
    case GifError::BadImage:
    case GifError::BadCode:
    case GifError::ShortData: break;
    }
    return LoadText(IDS_GIF_DAMAGED);
}

std::wstring ReviewPositionText(size_t frame, size_t count, uint32_t time, uint32_t duration)
{
    return FormatText(IDS_REVIEW_POSITION,
                      {std::to_wstring(frame + 1), std::to_wstring(count), TimeText(time), TimeText(duration)});
}

std::wstring KeptRangeText(size_t first, size_t last, uint32_t time)
{
    wchar_t seconds[32];
    std::swprintf(seconds, 32, L"%u.%02u", time / 100, time % 100);
    return FormatText(IDS_REVIEW_KEPT, {std::to_wstring(first + 1), std::to_wstring(last + 1), seconds});
}

bool CRecordingReview::Open(const std::wstring& path, std::wstring* message)
{
    Close();
    m_path = path;
    std::FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file) {
        *message = LoadText(IDS_REVIEW_CANNOT_OPEN);
        return false;
    }
    m_source = std::make_unique<CFileSource>(file);
    ::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &m_opened);
    const GifError error = IndexGif(*m_source, &m_info);
    if (error != GifError::None) {
        Close();
        *message = FormatText(IDS_REVIEW_CANNOT_READ, {GifErrorText(error)});
        return false;
    }
    m_pictures = std::make_unique<CGifPictures>(*m_source, m_info, kPictureBudget);
    m_startTimes.assign(1, 0);
    for (const GifFrameInfo& frame : m_info.frames)
        m_startTimes.push_back(m_startTimes.back() + frame.delay);
    return true;
}

void CRecordingReview::Close()
{
    m_pictures.reset();
    m_source.reset();
}

bool CRecordingReview::PrepareAhead()
{
    bool done = true;
    return m_pictures && m_pictures->PrepareAhead(8, &done) == GifError::None && !done;
}

const uint32_t* CRecordingReview::Show(size_t frame, std::wstring* message)
{
    const GifError error = m_pictures ? m_pictures->Show(frame) : GifError::ReadFailed;
    if (error != GifError::None) {
        *message = FormatText(IDS_REVIEW_CANNOT_READ, {GifErrorText(error)});
        return nullptr;
    }
    return m_pictures->Picture();
}

bool CRecordingReview::Keep(size_t first, size_t last, std::wstring* message)
{
    if (!m_pictures) {
        *message = FormatText(IDS_REVIEW_CANNOT_READ, {GifErrorText(GifError::ReadFailed)});
        return false;
    }
    if (!Unchanged()) {
        *message = LoadText(IDS_REVIEW_CHANGED);
        return false;
    }
    // Beside the recording, so that the replacement is a rename within one volume.
    const std::wstring temporary = m_path + L".trim";
    GifError error = GifError::None;
    {
        auto file = std::make_unique<CFile>();
        if (!file->OpenForWrite(temporary.c_str())) {
            *message = LoadText(IDS_REVIEW_CANNOT_CREATE);
            return false;
        }
        CFile& out = *file;
        CFileSink sink(std::move(file));
        try {
            error = WriteTrimmedGif(*m_source, m_info, *m_pictures, first, last, sink);
            out.Flush();
        } catch (const CFileException&) {
            out.Close();
            ::DeleteFileW(temporary.c_str());
            *message = LoadText(IDS_REVIEW_WRITE_FAILED);
            return false;
        }
    }
    if (error != GifError::None) {
        ::DeleteFileW(temporary.c_str());
        *message = FormatText(IDS_REVIEW_CANNOT_READ, {GifErrorText(error)});
        return false;
    }
    return PutInPlace(temporary, m_path, message);
}

bool CRecordingReview::PutInPlace(const std::wstring& temporary, const std::wstring& target, std::wstring* message)
{
    // The recording must be closed before another file can take its name.
    const bool itself = SamePath(target, m_path);
    if (itself)
        Close();
    if (!::MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ::DeleteFileW(temporary.c_str());
        std::wstring ignored;
        if (itself)
            Open(m_path, &ignored);
        *message = LoadText(IDS_REVIEW_CANNOT_REPLACE);
        return false;
    }
    return true;
}

bool CRecordingReview::UnchangedFrames(const ImageRect& area, std::vector<bool>* unchanged, std::wstring* message)
{
    const GifError error = m_source ? FindUnchangedFrames(*m_source, m_info, area, unchanged) : GifError::ReadFailed;
    if (error == GifError::None)
        return true;
    *message = FormatText(IDS_REVIEW_CANNOT_READ, {GifErrorText(error)});
    return false;
}

bool CRecordingReview::CheckUnchanged(std::wstring* message) const
{
    if (m_source && Unchanged())
        return true;
    *message = LoadText(m_source ? IDS_REVIEW_CHANGED : IDS_REVIEW_CANNOT_OPEN);
    return false;
}

bool CRecordingReview::Unchanged() const
{
    WIN32_FILE_ATTRIBUTE_DATA now{};
    return ::GetFileAttributesExW(m_path.c_str(), GetFileExInfoStandard, &now) &&
           now.nFileSizeLow == m_opened.nFileSizeLow && now.nFileSizeHigh == m_opened.nFileSizeHigh &&
           ::CompareFileTime(&now.ftLastWriteTime, &m_opened.ftLastWriteTime) == 0;
}

bool CRecordingReview::Delete(std::wstring* message)
{
    Close();
    if (!::DeleteFileW(m_path.c_str())) {
        std::wstring ignored;
        Open(m_path, &ignored);
        *message = LoadText(IDS_REVIEW_CANNOT_DELETE);
        return false;
    }
    return true;
}
