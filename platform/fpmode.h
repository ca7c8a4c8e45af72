#pragma once
// The SSE control and status register (MXCSR) around a kernel call: flush-to-zero (bit 15) and
// denormals-are-zero (bit 6). Header-only, so a kernel module that uses it links nothing but the
// C runtime. The register belongs to the calling thread; every policy hands it back on return.
#include <xmmintrin.h>

#include <cstdint>
#include <cstring>

namespace platform {

inline constexpr uint32_t kMxcsrDenormalsAreZero = 1u << 6;
inline constexpr uint32_t kMxcsrFlushToZero = 1u << 15;
inline constexpr uint32_t kMxcsrPrecisionFlag = 1u << 5;

// Whether the MXCSR mask in a 512-byte full-state save area (bytes 28..31) allows
// denormals-are-zero. A processor that stores no mask there (0) does not.
inline bool SaveAreaAllowsDenormalsAreZero(const unsigned char* area) noexcept {
    uint32_t mask;
    std::memcpy(&mask, area + 28, 4);
    return (mask & kMxcsrDenormalsAreZero) != 0;
}

// Asks this processor with the full-state save instruction.
inline bool ProcessorAllowsDenormalsAreZero() noexcept {
    alignas(16) unsigned char area[512] = {};
    __asm__ __volatile__("fxsave %0" : "=m"(area));
    return SaveAreaAllowsDenormalsAreZero(area);
}

enum class FpPolicy {
    None,                         // the register is left alone
    Flush,                        // flush-to-zero; the entry value (flags included) comes back
    FlushDenormalsWhenSupported,  // as Flush, plus denormals-are-zero where the processor has it
    FlushDenormalsBitsKept,       // both bits for the call; on return only those two are put back
};

// Applies a policy for its lifetime. Construct it first and let it go at the single exit.
template <FpPolicy P>
class FpModeScope {
public:
    explicit FpModeScope(bool denormalsAreZero = false) noexcept {
        if constexpr (P == FpPolicy::None) return;
        entry_ = _mm_getcsr();
        uint32_t set = kMxcsrFlushToZero;
        if (P == FpPolicy::FlushDenormalsBitsKept || (P == FpPolicy::FlushDenormalsWhenSupported && denormalsAreZero))
            set |= kMxcsrDenormalsAreZero;
        _mm_setcsr(entry_ | set);
    }
    ~FpModeScope() {
        if constexpr (P == FpPolicy::None) return;
        if constexpr (P == FpPolicy::FlushDenormalsBitsKept) {
            constexpr uint32_t kModes = kMxcsrFlushToZero | kMxcsrDenormalsAreZero;
            _mm_setcsr((_mm_getcsr() & ~kModes) | (entry_ & kModes));
        } else {
            _mm_setcsr(entry_);
        }
    }
    FpModeScope(const FpModeScope&) = delete;
    FpModeScope& operator=(const FpModeScope&) = delete;

private:
    uint32_t entry_ = 0;
};

}  // namespace platform
