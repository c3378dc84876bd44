#pragma once
#include <cstdint>
#include <memory>

#include "pipeline/cancellation.h"
#include "pipeline/encode_pool.h"
#include "gif/gif_image.h"
#include "gif/global_colour_table.h"
#include "pipeline/stage_times.h"
#include "record/frame_at_output_size.h"
#include "record/queued_frame.h"

// What a worker needs to build one frame: the frame, and the frame accepted just before it (null
// for the first), for encodings that look at what changed.
struct CFrameJob {
    std::shared_ptr<CQueuedFrame> frame;
    std::shared_ptr<const CQueuedFrame> previous;
    // The compact mode's turn at the shared colour table, from NextTurn; null in the default
    // mode. Shared by the copies of the job: the turn passes when the last goes, placed or not.
    std::shared_ptr<CTableTurn> turn;
};

// Builds the frames of one run, each into what the writer appends. The default mode writes
// every frame whole in a palette of its own; the compact mode writes only what changed since
// the frame before, in exact colours where they fit. The run's cancellation is looked at between
// steps, so a cancelled run does not wait for a whole frame. Shared by the workers and the writer.
class CFrameBuilder {
public:
    // quality: the compact mode's (CompactOptions::quality).
    CFrameBuilder(const CFrameAtOutputSize& output, bool compact, int quality, CStageTimes* times,
                  const CCancellation& cancel)
        : m_output(output), m_compact(compact), m_quality(quality), m_times(times), m_cancel(cancel) {}

    // The turn of the next frame queued, in file order (the compact mode's frames take their
    // colour table in that order); null in the default mode. Called by the one thread that
    // queues frames, in the order it queues them.
    std::shared_ptr<CTableTurn> NextTurn()
    {
        return m_compact ? std::make_shared<CTableTurn>(m_table, m_nextTurn++) : nullptr;
    }
    // Leaves result->built false when the frame cannot be built.
    void Build(const CFrameJob& job, CFrameWorkspace& workspace, CEncodedFrame* result) const;
    // A compact frame whose frame before is not in the file (it could not be built), built
    // again as what changed since the last frame the file holds, or whole when it holds none.
    void BuildAgainSince(const IFrameOrigin* lastWritten, CEncodedFrame* frame) const;

private:
    void BuildWhole(CQueuedFrame& frame, CFrameWorkspace& workspace, CEncodedFrame* result) const;
    void BuildCompact(const CFrameJob& job, CFrameWorkspace& workspace, CEncodedFrame* result) const;
    // previous: the pixels the frame is compared with; null to write it whole. turn: the frame's
    // turn at the shared colour table, or null to keep its own table (built again by the writer,
    // long after its turn).
    void BuildChanges(std::shared_ptr<const IFrameOrigin> origin, const CFramePixels& current,
                      const CFramePixels* previous, CFrameWorkspace& workspace, CTableTurn* turn,
                      CEncodedFrame* result) const;
    void WriteImage(const GifImage& image, CFrameWorkspace& workspace, CEncodedFrame* result) const;

    const CFrameAtOutputSize m_output;
    const bool m_compact;
    const int m_quality;
    CStageTimes* const m_times;
    const CCancellation& m_cancel;
    const int m_nearestColour = 1;
    CSharedColourTable m_table;  // the compact file's global colour table
    uint64_t m_nextTurn = 0;
};
