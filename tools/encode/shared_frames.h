#pragma once
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ppm_reader.h"

// Frames read once for the two jobs that need them: a compact frame is built against the frame
// before it, which the job before it reads too. A frame stays here only until its last reader
// has taken it, so a few frames are held at a time, whatever the length of the sequence.
class CSharedFrames {
public:
    // Not const: the default builder takes its frame as a writable buffer; only compact frames,
    // which are read, not written, are shared.
    using Frame = std::shared_ptr<std::vector<uint8_t>>;

    // readers: how many jobs ask for each frame (1, or 2 when each also reads the one before).
    CSharedFrames(const std::vector<std::string>& paths, PpmSize size, int readers);

    // Frame k as a packed bitmap; read now unless another job has read it already.
    Frame Get(size_t k);

private:
    struct Entry {
        Frame frame;
        int readersLeft = 0;
    };
    const std::vector<std::string>& m_paths;
    const PpmSize m_size;
    const int m_readers;
    std::mutex m_mutex;
    std::map<size_t, Entry> m_entries;

    int ReadersOf(size_t k) const;
    bool TakeLocked(size_t k, Frame* frame);
};
