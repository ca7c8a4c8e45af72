#pragma once
// What sets one kernel module apart from another. The build compiles the same two sources once
// per module and chooses with these macros (Code/Native/CMakeLists.txt):
//   VELVANE_FP_POLICY          0 none, 1 flush, 2 flush with denormals when supported, 3 bits kept
//   VELVANE_X87_PCM16          1: 16-bit conversions in x87 extended precision
//   VELVANE_MONO_K1_FIRST      1: the mono wet filter sums its terms from k1 up instead of from k4
#include <type_traits>

#include "Code/Native/VelvaneFunctions.h"
#include "platform/fpmode.h"

#if !defined(VELVANE_FP_POLICY) || !defined(VELVANE_X87_PCM16) || !defined(VELVANE_MONO_K1_FIRST)
#error "a kernel module is built with VELVANE_FP_POLICY, VELVANE_X87_PCM16 and VELVANE_MONO_K1_FIRST"
#endif

namespace kernel {

static_assert(static_cast<int>(platform::FpPolicy::FlushDenormalsWhenSupported) == 2);
inline constexpr auto kPolicy = static_cast<platform::FpPolicy>(VELVANE_FP_POLICY);
using Pcm16Samples = Int16Samples<Pcm16<std::conditional_t<VELVANE_X87_PCM16 != 0, long double, double>>>;
inline constexpr bool kMonoK1First = VELVANE_MONO_K1_FIRST != 0;

#if VELVANE_FP_POLICY == 2
// Whether this processor has denormals-are-zero: set once when the module is loaded, before any
// routine can run, and only read afterwards.
inline const bool GDAZChecker = platform::ProcessorAllowsDenormalsAreZero();
#endif

// The module's mode policy around one routine call; restored when the routine returns.
class ModeScope : platform::FpModeScope<kPolicy> {
public:
#if VELVANE_FP_POLICY == 2
    ModeScope() noexcept : FpModeScope(GDAZChecker) {}
#else
    ModeScope() noexcept = default;
#endif
};

}  // namespace kernel
