#pragma once
#include <cstdint>

#include "gif/byte_sink.h"
#include "gif/memory_sink.h"

// Keeps the output file a complete GIF after every frame, so that a recording killed between
// two frames (a crash, the task manager) still leaves every frame written so far readable.
// Each frame goes out in one write with the trailer behind it, and the next frame is written
// over that trailer: a finished file has the same bytes as one whose trailer came once at the
// end, for the cost of one file-position move per frame.
class CTrailedGifFile {
public:
    explicit CTrailedGifFile(IRewindableSink& file) : m_file(file) {}
    CTrailedGifFile(const CTrailedGifFile&) = delete;
    CTrailedGifFile& operator=(const CTrailedGifFile&) = delete;

    // Writes one frame, its leading blocks (the header before the first frame, the control
    // extension) and its image, with the trailer behind. Raises whatever the file raises.
    void AppendFrame(const CMemorySink& head, const uint8_t* image, uint32_t imageSize);
    // Ends the file: after a frame the trailer is in place already; a file without frames gets
    // the trailer as its only byte.
    void Finish();
    // Bytes up to the end of the last whole frame, the trailer not counted.
    uint64_t Committed() const { return m_committed; }

private:
    IRewindableSink& m_file;
    CMemorySink m_frame;  // one frame's bytes, gathered for a single write; reused
    uint64_t m_committed = 0;
    bool m_trailerWritten = false;
};
