#include "pipeline/ordered_writer.h"

#include <utility>

#include "gif/frame_delay.h"
#include "gif/gif_writer.h"
#include "gif/memory_sink.h"

COrderedWriter::COrderedWriter(CEncodePool& pool, IRewindableSink& file, FrameTiming timing, CStageTimes* times,
                               Rebuild rebuild, Written written)
    : m_pool(pool),
      m_file(file),
      m_output(file),
      m_timing(timing),
      m_times(times),
      m_rebuild(std::move(rebuild)),
      m_written(std::move(written))
{
}

COrderedWriter::End COrderedWriter::Run(const std::atomic<int64_t>& endMs)
{
    // At true speed a frame is shown until the next capture, so each built frame waits here
    // until the next one (or the end of the recording) is known. The recording's clock starts
    // at 0: the first frame is shown from then, so the file lasts as long as the recording.
    CFrameDelays delays(0);
    CEncodedFrame held;
    bool holding = false;
    bool previousLeftOut = false;
    std::shared_ptr<const IFrameOrigin> lastWritten;  // of the last frame in the file, where kept
    for (;;) {
        CEncodedFrame frame;
        const CEncodePool::Next next = m_pool.TakeInOrder(&frame);
        if (next == CEncodePool::Next::Stopped)
            return End::Stopped;
        if (next == CEncodePool::Next::Drained) {
            if (holding && !Put(held, delays.Next(endMs)))
                return End::SizeLimit;
            return End::Drained;
        }
        if (frame.error)
            std::rethrow_exception(frame.error);
        m_table.Add(frame.claims);
        if (frame.built && frame.sinceFrameBefore && previousLeftOut && m_rebuild)
            m_rebuild(lastWritten.get(), &frame);
        if (!frame.built) {
            previousLeftOut = true;
            continue;  // dropped silently; the next frame that builds writes the header
        }
        previousLeftOut = false;
        lastWritten = frame.origin;
        if (!m_timing.trueSpeed) {
            if (!Put(frame, m_timing.delay))
                return End::SizeLimit;
            continue;
        }
        if (holding && !Put(held, delays.Next(frame.captureMs)))
            return End::SizeLimit;
        held = std::move(frame);
        holding = true;
    }
}

// The summed delays are the separate frames' own, so true speed keeps the recorded time. A
// delay of 0 is shown at each player's own pace and does not add up, so it is never summed.
bool COrderedWriter::Put(const CEncodedFrame& frame, uint16_t delay)
{
    const uint32_t sum = uint32_t(m_lastDelay) + delay;
    if (!frame.unchanged || !m_headerWritten || m_lastDelay == 0 || delay == 0 || sum > CFrameDelays::kMaxDelay)
        return Write(frame, delay);
    CStageTimer timer(m_times, Stage::Write);
    RewriteGifDelay(m_file, m_lastControlAt, static_cast<uint16_t>(sum));
    m_lastDelay = static_cast<uint16_t>(sum);
    if (m_written)
        m_written(m_output.Committed());
    return true;
}

// One frame in one write, trailer included, so the file never ends part-way through a frame.
// The global table's entries claimed since the last frame are in the file before it.
bool COrderedWriter::Write(const CEncodedFrame& frame, uint16_t delay)
{
    CStageTimer timer(m_times, Stage::Write);
    CMemorySink block;
    if (!m_headerWritten)
        WriteGifHeader(block, frame.width, frame.height, frame.bitsPerIndex, m_timing.plays,
                       m_timing.globalTable ? m_table.Bytes() : nullptr);
    const uint64_t controlAt = m_output.Committed() + block.Size();
    WriteGifControl(block, delay, frame.transparentIndex);
    const uint64_t end = m_output.Committed() + block.Size() + frame.image.size() + 1;  // with the trailer
    if (m_timing.maxBytes > 0 && end > static_cast<uint64_t>(m_timing.maxBytes))
        return false;
    if (m_headerWritten)
        m_table.WriteNew(m_file);
    else
        m_table.Written();
    m_output.AppendFrame(block, frame.image.data(), static_cast<uint32_t>(frame.image.size()));
    m_headerWritten = true;
    m_lastControlAt = controlAt;
    m_lastDelay = delay;
    if (m_written)
        m_written(m_output.Committed());
    return true;
}
