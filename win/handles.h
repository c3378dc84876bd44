#pragma once
// Move-only owners of kernel handles: an event and a thread.
#include <windows.h>

#include <utility>

class CHandle {
public:
    CHandle() = default;
    explicit CHandle(HANDLE handle) : m_handle(handle) {}
    ~CHandle() { Close(); }
    CHandle(CHandle&& other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}
    CHandle& operator=(CHandle&& other) noexcept
    {
        if (this != &other) {
            Close();
            m_handle = std::exchange(other.m_handle, nullptr);
        }
        return *this;
    }
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;

    HANDLE Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }
    void Close()
    {
        if (m_handle)
            ::CloseHandle(m_handle);
        m_handle = nullptr;
    }

protected:
    HANDLE m_handle = nullptr;
};

// An auto-reset event, initially clear.
class CEvent : public CHandle {
public:
    bool Create()
    {
        Close();
        m_handle = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
        return m_handle != nullptr;
    }
    BOOL Set() const { return ::SetEvent(m_handle); }
    // WAIT_OBJECT_0 when signalled, WAIT_TIMEOUT when the time ran out.
    DWORD Wait(DWORD milliseconds) const { return ::WaitForSingleObject(m_handle, milliseconds); }
};

// A thread running a plain function; the owner waits for it to end before the handle goes: a
// thread killed mid-step could leave a lock held or the heap in use.
class CThread : public CHandle {
public:
    bool Start(LPTHREAD_START_ROUTINE proc, void* argument)
    {
        Close();
        m_handle = ::CreateThread(nullptr, 0, proc, argument, 0, nullptr);
        return m_handle != nullptr;
    }
    // True when the thread has ended within the time.
    bool Wait(DWORD milliseconds) const
    {
        return !m_handle || ::WaitForSingleObject(m_handle, milliseconds) == WAIT_OBJECT_0;
    }
};
