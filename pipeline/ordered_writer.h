#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "gif/byte_sink.h"
#include "pipeline/encode_pool.h"
#include "gif/global_colour_table.h"
#include "pipeline/stage_times.h"
#include "pipeline/trailed_gif_file.h"

// How the frames of a run are played from the file.
struct FrameTiming {
    // Each frame is shown until the next capture (the last until the end of the recording)
    // instead of for `delay` hundredths of a second.
    bool trueSpeed = false;
    uint16_t delay = 0;
    uint32_t plays = 0;  // how many times the whole GIF plays; 0 for ever
    // The file never grows past this many bytes; 0: no limit.
    int64_t maxBytes = 0;
    // Frames share the file's global colour table where they fit it (the compact mode).
    bool globalTable = false;
};

// The writer's side of a run: takes the frames the pool builds strictly in capture order and
// appends each with what depends on the frames around it (the header before the first, its
// delay, a rebuild when the frame before it was left out), so the file is the same for any
// number of workers. The file is a complete GIF after every frame. A frame that shows what the
// frame before it shows is not written: its time is added to that frame's delay in the file,
// as long as the delay holds the sum.
class COrderedWriter {
public:
    // Builds a frame written as what changed since the frame before it again, against
    // `lastWritten` (the origin of the last frame the file holds; null for none).
    using Rebuild = std::function<void(const IFrameOrigin* lastWritten, CEncodedFrame* frame)>;
    // After each frame, written or added to the one before, with the bytes of the file up to its
    // end, the trailer not counted.
    using Written = std::function<void(uint64_t committed)>;

    // times: where the writes are timed, or null.
    COrderedWriter(CEncodePool& pool, IRewindableSink& file, FrameTiming timing, CStageTimes* times, Rebuild rebuild,
                   Written written);

    // Drained: every frame was written after the pool's finish. SizeLimit: the file is complete
    // at its last frame that fits the limit, and no later frame is taken. Stopped: the pool was.
    enum class End { Drained, SizeLimit, Stopped };
    // Writes until one of the ends above. endMs, read once drained, is when the recording ended:
    // how long the last frame is shown at true speed. A failed write or a job's exception is
    // raised; the file then holds every frame written before it.
    End Run(const std::atomic<int64_t>& endMs);
    // Ends the file; one without frames gets the trailer as its only byte.
    void Finish() { m_output.Finish(); }
    uint64_t Committed() const { return m_output.Committed(); }

private:
    // Adds an unchanged frame's time to the last frame in the file where its delay holds the
    // sum, else writes the frame. False, with nothing written, when the frame would take the
    // file past its size limit.
    bool Put(const CEncodedFrame& frame, uint16_t delay);
    bool Write(const CEncodedFrame& frame, uint16_t delay);

    CEncodePool& m_pool;
    IRewindableSink& m_file;  // the header's table is written over in it
    CTrailedGifFile m_output;
    const FrameTiming m_timing;
    CStageTimes* const m_times;
    const Rebuild m_rebuild;
    const Written m_written;
    bool m_headerWritten = false;
    // The last frame in the file: where its control block is, and its delay as written.
    uint64_t m_lastControlAt = 0;
    uint16_t m_lastDelay = 0;
    // The global table's entries the frames taken so far claimed (a frame left out too: the
    // frames after it may use them).
    CHeaderTable m_table;
};
