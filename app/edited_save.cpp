#include "app/edited_save.h"

#include <cstdio>
#include <memory>

#include "gif/byte_source.h"
#include "gif/gif_edit_writer.h"
#include "gif/gif_fit.h"
#include "gif/gif_pictures.h"
#include "record/file_sink.h"
#include "win/file.h"

CEditedSave::~CEditedSave()
{
    if (m_thread.joinable()) {
        m_stop = true;
        m_thread.join();
    }
}

bool CEditedSave::Start(const std::wstring& recording, const GifFileInfo& info, std::vector<PlannedFrame> plan,
                        const ImageRect& crop, const std::wstring& output, uint64_t fitBytes)
{
    if (m_thread.joinable())
        return false;
    m_recording = recording;
    m_output = output;
    m_info = &info;
    m_plan = std::move(plan);
    m_crop = crop;
    m_fitBytes = fitBytes;
    m_stop = false;
    m_thread = std::thread(&CEditedSave::Run, this);
    return true;
}

CEditedSave::Outcome CEditedSave::Finish(GifError* error)
{
    if (m_thread.joinable())
        m_thread.join();
    *error = m_error;
    return m_outcome;
}

namespace {

// Each trial of a fit written over the one before, from the file's first byte.
class CFileFitOutput : public IFitOutput {
public:
    CFileFitOutput(CFile& file, IByteSink& sink) : m_file(file), m_sink(sink) {}
    IByteSink& Restart() override
    {
        m_file.Truncate();
        return m_sink;
    }

private:
    CFile& m_file;
    IByteSink& m_sink;
};

}  // namespace

bool CEditedSave::Write(IByteSource& source, CFile& out, IByteSink& sink, bool* tooLarge)
{
    // The frames are visited in order: no pictures need keeping for seeking.
    CGifPictures pictures(source, *m_info, 0);
    int told = -1;
    const auto progress = [&](size_t done, size_t total) {
        const int percent = static_cast<int>(done * 100 / total);
        if (percent != told)
            ::PostMessageW(m_window, m_message, static_cast<WPARAM>(told = percent), 0);
        return !m_stop.load();
    };
    bool stopped = false;
    if (m_fitBytes == 0) {
        m_error = WriteEditedGif(source, *m_info, pictures, m_plan, m_crop, sink, progress, &stopped);
        return !stopped;
    }
    CFileFitOutput output(out, sink);
    const FitResult fit = FitEditedGif(source, *m_info, pictures, m_plan, m_crop, m_fitBytes, output, progress);
    m_error = fit.error;
    *tooLarge = m_error == GifError::None && !fit.cancelled && !fit.fits;
    return !fit.cancelled;
}

void CEditedSave::Run()
{
    m_outcome = Outcome::Written;
    m_error = GifError::None;
    try {
        std::FILE* in = _wfopen(m_recording.c_str(), L"rb");
        auto file = std::make_unique<CFile>();
        if (!in) {
            m_outcome = Outcome::ReadFailed;
            m_error = GifError::ReadFailed;
        } else if (!file->OpenForWrite(m_output.c_str())) {
            std::fclose(in);
            m_outcome = Outcome::CannotCreate;
        } else {
            CFileSource source(in);
            CFile& out = *file;
            CFileSink sink(std::move(file));
            bool stopped = false, tooLarge = false;
            try {
                stopped = !Write(source, out, sink, &tooLarge);
                if (m_error == GifError::None && !stopped && !tooLarge)
                    out.Flush();
            } catch (const CFileException&) {
                m_outcome = Outcome::WriteFailed;
            }
            out.Close();
            if (m_outcome == Outcome::Written && m_error != GifError::None)
                m_outcome = Outcome::ReadFailed;
            else if (m_outcome == Outcome::Written && stopped)
                m_outcome = Outcome::Stopped;
            else if (m_outcome == Outcome::Written && tooLarge)
                m_outcome = Outcome::TooLarge;
            if (m_outcome != Outcome::Written)
                ::DeleteFileW(m_output.c_str());
        }
    } catch (...) {
        // Out of memory: nothing half-written is left, and the window hears of it.
        m_outcome = Outcome::WriteFailed;
        ::DeleteFileW(m_output.c_str());
    }
    ::PostMessageW(m_window, m_message, kEnded, 0);
}
