#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

// Byte buffers of one size, handed out again once given back: a recording needs one buffer of
// the same size per captured frame, and a fresh one costs fresh pages from the system every
// time (some 8 ms for a 1920 x 1080 frame under Wine, against 1.5 ms to fill it). Keeps at most
// `keep` idle buffers, and no more than `keepBytes` of them beyond the first two, so that large
// frames do not hold a lot of memory idle; any thread may take and give back.
class CRecycledBuffers {
public:
    CRecycledBuffers(size_t keep, size_t keepBytes) : m_keep(keep), m_keepBytes(keepBytes) {}
    CRecycledBuffers(const CRecycledBuffers&) = delete;
    CRecycledBuffers& operator=(const CRecycledBuffers&) = delete;

    // A buffer of `bytes`; raises std::bad_alloc when there is no memory for a new one.
    std::unique_ptr<uint8_t[]> Take(size_t bytes)
    {
        {
            std::lock_guard<std::mutex> hold(m_mutex);
            if (bytes != m_size) {
                m_idle.clear();  // the region changed size: the old buffers fit no more frames
                m_size = bytes;
            } else if (!m_idle.empty()) {
                std::unique_ptr<uint8_t[]> buffer = std::move(m_idle.back());
                m_idle.pop_back();
                return buffer;
            }
        }
        return std::unique_ptr<uint8_t[]>(new uint8_t[bytes]);
    }

    void GiveBack(std::unique_ptr<uint8_t[]> buffer, size_t bytes)
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        const size_t idle = m_idle.size();
        if (bytes == m_size && idle < m_keep && (idle < 2 || (idle + 1) * bytes <= m_keepBytes))
            m_idle.push_back(std::move(buffer));
    }

private:
    std::mutex m_mutex;
    std::vector<std::unique_ptr<uint8_t[]>> m_idle;
    size_t m_size = 0;
    const size_t m_keep;
    const size_t m_keepBytes;
};
