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
