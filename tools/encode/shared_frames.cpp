#include "shared_frames.h"

CSharedFrames::CSharedFrames(const std::vector<std::string>& paths, PpmSize size, int readers)
    : m_paths(paths), m_size(size), m_readers(readers)
{
}

// The last frame has no frame after it to be read for.
int CSharedFrames::ReadersOf(size_t k) const
{
    return k + 1 < m_paths.size() ? m_readers : 1;
}

// Under the lock: frame k if another job has left it here, counted as taken.
bool CSharedFrames::TakeLocked(size_t k, Frame* frame)
{
    const auto found = m_entries.find(k);
    if (found == m_entries.end())
        return false;
    *frame = found->second.frame;
    if (--found->second.readersLeft == 0)
        m_entries.erase(found);
    return true;
}

CSharedFrames::Frame CSharedFrames::Get(size_t k)
{
    Frame frame;
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        if (TakeLocked(k, &frame))
            return frame;
    }
    // Read outside the lock, so that workers read different frames side by side; two jobs that
    // ask for the same frame at once may both read it, and the later one takes the first copy.
    Frame read = std::make_shared<std::vector<uint8_t>>(ReadPpmAsDib(m_paths[k], m_size));
    std::lock_guard<std::mutex> hold(m_mutex);
    if (TakeLocked(k, &frame))
        return frame;
    if (ReadersOf(k) > 1)
        m_entries[k] = Entry{read, ReadersOf(k) - 1};
    return read;
}
