#pragma once
// Collects what the process sends to the debugger output, through the system's shared-buffer
// protocol (the buffer and its two events), so tests can read the trace lines.
#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

class CDebugOutputListener {
public:
    CDebugOutputListener();
    ~CDebugOutputListener();
    CDebugOutputListener(const CDebugOutputListener&) = delete;
    CDebugOutputListener& operator=(const CDebugOutputListener&) = delete;

    bool IsListening() const { return m_thread != nullptr; }
    // Lines seen so far (waits briefly for the listener to catch up first).
    std::vector<std::string> Lines();
    void Clear();

private:
    static DWORD WINAPI Run(void* self);

    HANDLE m_bufferReady = nullptr;
    HANDLE m_dataReady = nullptr;
    HANDLE m_mapping = nullptr;
    void* m_view = nullptr;
    HANDLE m_thread = nullptr;
    volatile LONG m_stop = 0;
    std::mutex m_lock;
    std::vector<std::string> m_lines;
};
