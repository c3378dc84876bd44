#include "debug_output_listener.h"

CDebugOutputListener::CDebugOutputListener()
{
    m_bufferReady = ::CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_BUFFER_READY");
    m_dataReady = ::CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY");
    m_mapping = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, L"DBWIN_BUFFER");
    if (m_mapping)
        m_view = ::MapViewOfFile(m_mapping, FILE_MAP_READ, 0, 0, 4096);
    if (m_bufferReady && m_dataReady && m_view)
        m_thread = ::CreateThread(nullptr, 0, &CDebugOutputListener::Run, this, 0, nullptr);
}

CDebugOutputListener::~CDebugOutputListener()
{
    if (m_thread) {
        ::InterlockedExchange(&m_stop, 1);
        ::SetEvent(m_dataReady);
        ::WaitForSingleObject(m_thread, 5000);
        ::CloseHandle(m_thread);
    }
    if (m_view)
        ::UnmapViewOfFile(m_view);
    for (HANDLE h : {m_mapping, m_dataReady, m_bufferReady}) {
        if (h)
            ::CloseHandle(h);
    }
}

DWORD WINAPI CDebugOutputListener::Run(void* param)
{
    auto* self = static_cast<CDebugOutputListener*>(param);
    for (;;) {
        ::SetEvent(self->m_bufferReady);
        if (::WaitForSingleObject(self->m_dataReady, INFINITE) != WAIT_OBJECT_0 || self->m_stop)
            return 0;
        const char* text = static_cast<const char*>(self->m_view) + sizeof(DWORD);
        std::lock_guard<std::mutex> hold(self->m_lock);
        self->m_lines.emplace_back(text, strnlen(text, 4096 - sizeof(DWORD)));
    }
}

std::vector<std::string> CDebugOutputListener::Lines()
{
    ::Sleep(50);
    std::lock_guard<std::mutex> hold(m_lock);
    return m_lines;
}

void CDebugOutputListener::Clear()
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_lines.clear();
}
