#pragma once
// Re-entrant locks with the names the rest of the code uses: CCritSec behaves like a Windows
// critical section (the owning thread may enter again), CAutoLock holds one for a scope.
#ifdef _WIN32
#include "platform/win32.h"
#else
#include <mutex>
#endif

class CCritSec {
public:
    CCritSec() noexcept {
#ifdef _WIN32
        InitializeCriticalSection(&section_);
#endif
    }
    ~CCritSec() {
#ifdef _WIN32
        DeleteCriticalSection(&section_);
#endif
    }
    CCritSec(const CCritSec&) = delete;
    CCritSec& operator=(const CCritSec&) = delete;

    void Lock() noexcept {
#ifdef _WIN32
        EnterCriticalSection(&section_);
#else
        mutex_.lock();
#endif
    }
    void Unlock() noexcept {
#ifdef _WIN32
        LeaveCriticalSection(&section_);
#else
        mutex_.unlock();
#endif
    }

private:
#ifdef _WIN32
    CRITICAL_SECTION section_;
#else
    std::recursive_mutex mutex_;
#endif
};

class CAutoLock {
public:
    explicit CAutoLock(CCritSec* lock) noexcept : lock_(lock) { lock_->Lock(); }
    ~CAutoLock() { lock_->Unlock(); }
    CAutoLock(const CAutoLock&) = delete;
    CAutoLock& operator=(const CAutoLock&) = delete;

private:
    CCritSec* lock_;
};
