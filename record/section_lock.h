#pragma once
#include <windows.h>

// One critical section. Not copyable: a copied CRITICAL_SECTION is a second, broken lock.
class CSectionLock {
public:
    CSectionLock() { InitializeCriticalSection(&m_section); }
    ~CSectionLock() { DeleteCriticalSection(&m_section); }
    CSectionLock(const CSectionLock&) = delete;
    CSectionLock& operator=(const CSectionLock&) = delete;

    void Lock() { EnterCriticalSection(&m_section); }
    void Unlock() { LeaveCriticalSection(&m_section); }

private:
    CRITICAL_SECTION m_section;
};

// Holds a CSectionLock from construction until Release or the end of the scope.
class CSectionGuard {
public:
    explicit CSectionGuard(CSectionLock& lock) : m_lock(&lock) { m_lock->Lock(); }
    ~CSectionGuard() { Release(); }
    CSectionGuard(const CSectionGuard&) = delete;
    CSectionGuard& operator=(const CSectionGuard&) = delete;

    void Release()
    {
        if (m_lock) {
            m_lock->Unlock();
            m_lock = nullptr;
        }
    }

private:
    CSectionLock* m_lock;
};
