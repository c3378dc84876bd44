#include "record/frame_builder.h"

#include <utility>

#include "gif/compact_frame.h"
#include "gif/frame_workspace.h"
#include "gif/gif_writer.h"
#include "gif/indexed_frame.h"
#include "gif/memory_sink.h"

namespace {

// A captured frame as the compact mode compares it, at the output size.
class CQueuedOrigin : public IFrameOrigin {
public:
    CQueuedOrigin(std::shared_ptr<const CQueuedFrame> frame, const CFrameAtOutputSize& output)
        : m_frame(std::move(frame)), m_output(output) {}
    bool Pixels(CFramePixels* pixels) const override { return m_output.Rows(*m_frame, pixels); }

private:
    const std::shared_ptr<const CQueuedFrame> m_frame;
    const CFrameAtOutputSize m_output;
};

}  // namespace

void CFrameBuilder::Build(const CFrameJob& job, CFrameWorkspace& workspace, CEncodedFrame* result) const
{
    if (m_output.Width() <= 0 || m_output.Height() <= 0 || m_cancel.Cancelled())
        return;
    if (m_compact)
        BuildCompact(job, workspace, result);
    else
        BuildWhole(*job.frame, workspace, result);
}

void CFrameBuilder::BuildAgainSince(const IFrameOrigin* lastWritten, CEncodedFrame* frame) const
{
    CEncodedFrame again;
    again.captureMs = frame->captureMs;
    again.keepUntilWritten = std::move(frame->keepUntilWritten);
    CFramePixels current;
    CFramePixels previous;
    if (frame->origin && frame->origin->Pixels(&current) && !m_cancel.Cancelled()) {
        const bool compare = lastWritten && lastWritten->Pixels(&previous);
        CFrameWorkspace workspace;
        if (!m_cancel.Cancelled())
            BuildChanges(frame->origin, current, compare ? &previous : nullptr, workspace, nullptr, &again);
    }
    again.claims = std::move(frame->claims);
    *frame = std::move(again);
}

void CFrameBuilder::BuildWhole(CQueuedFrame& frame, CFrameWorkspace& workspace, CEncodedFrame* result) const
{
    PackedFrame packed;
    if (!m_output.Packed(frame, workspace, &packed) || m_cancel.Cancelled())
        return;
    GifImage image;
    {
        CStageTimer timer(m_times, Stage::Encode);
        if (!BuildIndexedFrameFromDib(packed.dib, packed.size, &image, m_nearestColour, &workspace) ||
            m_cancel.Cancelled())
            return;
    }
    result->width = static_cast<uint16_t>(image.rect.width);
    result->height = static_cast<uint16_t>(image.rect.height);
    result->bitsPerIndex = image.tableBits;
    WriteImage(image, workspace, result);
}

void CFrameBuilder::BuildCompact(const CFrameJob& job, CFrameWorkspace& workspace, CEncodedFrame* result) const
{
    CFramePixels current;
    CFramePixels previous;
    if (!m_output.Rows(*job.frame, &current) || m_cancel.Cancelled())
        return;
    const bool compare = job.previous && m_output.Rows(*job.previous, &previous);
    if (m_cancel.Cancelled())
        return;
    BuildChanges(std::make_shared<CQueuedOrigin>(job.frame, m_output), current, compare ? &previous : nullptr,
                 workspace, job.turn.get(), result);
}

void CFrameBuilder::BuildChanges(std::shared_ptr<const IFrameOrigin> origin, const CFramePixels& current,
                                 const CFramePixels* previous, CFrameWorkspace& workspace, CTableTurn* turn,
                                 CEncodedFrame* result) const
{
    CompactFrame frame;
    {
        CStageTimer timer(m_times, Stage::Encode);
        CompactOptions options;
        options.quality = m_quality;
        frame = BuildCompactFrame(previous ? &previous->View() : nullptr, current.View(), options, &workspace);
    }
    // Its colour table chosen in file order, then coded.
    if (turn)
        turn->Place(frame, frame.exact, &result->claims);
    result->width = static_cast<uint16_t>(m_output.Width());
    result->height = static_cast<uint16_t>(m_output.Height());
    result->bitsPerIndex = 8;
    result->transparentIndex = frame.transparentIndex;
    result->sinceFrameBefore = previous != nullptr;
    result->unchanged = frame.unchanged;
    result->origin = std::move(origin);
    WriteImage(frame, workspace, result);
}

void CFrameBuilder::WriteImage(const GifImage& image, CFrameWorkspace& workspace, CEncodedFrame* result) const
{
    CStageTimer timer(m_times, Stage::Encode);
    CMemorySink bytes;
    WriteGifImage(bytes, image, &workspace);
    result->image = bytes.Take();
    result->built = true;
}
