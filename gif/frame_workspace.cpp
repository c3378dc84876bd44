#include "frame_workspace.h"

#include "compact_workspace.h"

CFrameWorkspace::CFrameWorkspace() = default;
CFrameWorkspace::~CFrameWorkspace() = default;

CCompactWorkspace& CFrameWorkspace::Compact()
{
    if (!m_compact)
        m_compact.reset(new CCompactWorkspace());
    return *m_compact;
}

CLzwEncoder& CFrameWorkspace::Lzw()
{
    if (!m_lzw)
        m_lzw.reset(new CLzwEncoder());
    return *m_lzw;
}

uint16_t* CFrameWorkspace::Values(size_t count)
{
    if (m_valueCapacity < count) {
        m_values.reset();
        m_valueCapacity = 0;
        m_values.reset(new uint16_t[count]);
        m_valueCapacity = count;
    }
    return m_values.get();
}

uint8_t* CFrameWorkspace::FrameBytes(size_t bytes)
{
    if (m_frameCapacity < bytes) {
        m_frame.reset();
        m_frameCapacity = 0;
        m_frame.reset(new uint8_t[bytes]);
        m_frameCapacity = bytes;
    }
    return m_frame.get();
}
