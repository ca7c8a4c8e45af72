#pragma once
// cNspShell: the process description of one plug-in instance: the bound kernel routine, the live
// coefficient and state records, the saved copy of the state record that read-outs use, the
// external buffers with their table, and the process lock.
//
// Ownership: the host shell owns it (and derives from it to hear parameter changes); the
// algorithm lays it out (cALGORITHM::InitProcessCode) and writes into it (SendBuffers, ReadVU),
// and owns the kernel module the bound routine lives in.
// Threads and lock: the streaming thread calls the kernel holding the process lock, then copies
// the states to the saved copy before unlocking (cLock, kernel, CopyStatesSaved, cUnlock). Every
// other thread changes the records only with the lock held. The lock is re-entrant; nothing here
// allocates while holding it except a new layout.
#include <cstdint>
#include <span>
#include <vector>

#include "Code/Native/VelvaneFunctions.h"
#include "framework/ProcessCodeDescription.h"
#include "platform/sync.h"

class cNspShell {
public:
    cNspShell() = default;
    virtual ~cNspShell() = default;
    cNspShell(const cNspShell&) = delete;
    cNspShell& operator=(const cNspShell&) = delete;

    void cLock() noexcept { lock_.Lock(); }
    void cUnlock() noexcept { lock_.Unlock(); }
    CCritSec* GetCritSecObj() noexcept { return &lock_; }

    // [under the lock, or before streaming] The routine the kernel calls go through; null: none.
    void SetProcess(VelvaneProcessFn routine) noexcept { process_ = routine; }
    VelvaneProcessFn GetProcess() const noexcept { return process_; }

    // The records as the kernel takes them; null before the algorithm lays them out.
    uint8_t* GetCoefs() noexcept { return Bytes(coefs_); }
    uint8_t* GetStates() noexcept { return Bytes(states_); }
    const uint8_t* GetSavedStates() const noexcept {
        return saved_.empty() ? nullptr : reinterpret_cast<const uint8_t*>(saved_.data());
    }
    int32_t GetSavedStatesSize() const noexcept { return static_cast<int32_t>(saved_.size() * 4); }
    ExternStruct* GetExternStruct() noexcept { return table_.empty() ? nullptr : table_.data(); }

    // [any thread; takes the lock] Copies the live state record over the saved copy.
    void CopyStatesSaved() noexcept;

    // [the thread that changes parameters] Called by the algorithm after a savable parameter of
    // either setup changed; the host shell marks its persistent state dirty. Returns 1 when heard.
    virtual int32_t NotifyParamChange(int16_t index, int32_t state);

private:
    friend class cALGORITHM;

    static uint8_t* Bytes(std::vector<uint32_t>& words) noexcept {
        return words.empty() ? nullptr : reinterpret_cast<uint8_t*>(words.data());
    }
    // [takes the lock] A fresh, all-zero layout; the old one is released. Throws bad_alloc with
    // the old layout kept.
    void Layout(int32_t coefWords, int32_t stateWords, std::span<const sEXT_BUFF> externals);

    CCritSec lock_;
    VelvaneProcessFn process_ = nullptr;
    std::vector<uint32_t> coefs_;
    std::vector<uint32_t> states_;
    std::vector<uint32_t> saved_;
    std::vector<std::vector<uint32_t>> externals_;
    std::vector<ExternStruct> table_;
};
