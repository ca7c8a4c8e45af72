// The MXCSR policies around every call: the caller's mode bits come back, flags are kept only
// where the policy says so, and flush-to-zero and denormals-are-zero act where they are set.
#include <cmath>

#include "kernel_fixture.h"

namespace kerneltest {
namespace {

using platform::kMxcsrDenormalsAreZero;
using platform::kMxcsrFlushToZero;
using platform::kMxcsrPrecisionFlag;
constexpr uint32_t kModeBits = kMxcsrFlushToZero | kMxcsrDenormalsAreZero;
constexpr uint32_t kDefaultMxcsr = 0x1F80;  // all exceptions masked, round to nearest

// The test thread gets its register back whatever a case does.
class MxcsrGuard {
public:
    ~MxcsrGuard() { _mm_setcsr(saved_); }

private:
    uint32_t saved_ = _mm_getcsr();
};

// Calls the export with the register set to `entry` just before and read just after.
Routine Probe(VelvaneProcessFn fn, uint32_t entry, uint32_t& after) {
    return [fn, entry, &after](const NordeSoundBuf* in, int32_t inChannels, int32_t frames, const NordeSoundBuf* out,
                               int32_t outChannels, int32_t* outCount, const uint8_t* coefs, uint8_t* state,
                               const ExternStruct* externs) {
        _mm_setcsr(entry);
        fn(in, inChannels, frames, out, outChannels, outCount, coefs, state, externs, 0);
        after = _mm_getcsr();
    };
}

TEST(KernelModePolicy, CallersModeBitsComeBackAndFlagsOnlyWhereKept) {
    for (const Module& m : Modules())
        for (bool stereo : {true, false})
            for (int32_t frames : {0, 64})
                for (uint32_t modes : {0u, kMxcsrFlushToZero, kMxcsrDenormalsAreZero, kModeBits}) {
                    SCOPED_TRACE(testing::Message() << m.traits.name << (stereo ? " stereo" : " mono") << ", frames "
                                                    << frames << ", modes 0x" << std::hex << modes);
                    MxcsrGuard guard;
                    Rig rig = MakeRig(30, {stereo, true, kSampleFloat32, 64});
                    const uint32_t entry = kDefaultMxcsr | modes;
                    uint32_t after = 0;
                    rig.Call(Probe(Pick(m, stereo), entry, after), 2 - !stereo, 2 - !stereo, 0, frames);
                    EXPECT_EQ(after & kModeBits, modes);
                    const bool raised = (after & kMxcsrPrecisionFlag) != 0;
                    switch (m.traits.policy) {
                        case FpPolicy::None:
                        case FpPolicy::FlushDenormalsBitsKept:
                            EXPECT_EQ(raised, frames > 0) << "the precision flag of the processing stays";
                            EXPECT_EQ(after & ~0x3Fu, entry);
                            break;
                        case FpPolicy::Flush:
                        case FpPolicy::FlushDenormalsWhenSupported:
                            EXPECT_EQ(after, entry) << "the entry value comes back, flags included";
                            break;
                    }
                }
}

// A denormal through the bypass path with a dry gain g: at g = 1 the product is denormal (flushed
// by every policy), at g = 2^20 it is normal (zero only where denormal operands read as zero).
TEST(KernelModePolicy, DenormalsThroughTheBypassPath) {
    const float denormal = 1e-40f;
    const bool dazHere = platform::ProcessorAllowsDenormalsAreZero();
    for (const Module& m : Modules())
        for (bool stereo : {true, false})
            for (float gain : {1.0f, 1048576.0f}) {
                SCOPED_TRACE(testing::Message()
                             << m.traits.name << (stereo ? " stereo" : " mono") << ", gain " << gain);
                MxcsrGuard guard;
                _mm_setcsr(kDefaultMxcsr);
                Rig rig = MakeRig(31, {stereo, false, kSampleFloat32, 1});
                SetBypass(rig, gain / 4.0f);
                rig.InFloat()[0] = rig.InFloat()[1] = denormal;
                rig.Call(Export(Pick(m, stereo)), 1 + stereo, 1 + stereo, 0, 1);
                const bool flush = m.traits.policy != FpPolicy::None;
                const bool daz = m.traits.policy == FpPolicy::FlushDenormalsBitsKept ||
                                 (m.traits.policy == FpPolicy::FlushDenormalsWhenSupported && dazHere);
                const bool zero = gain == 1.0f ? flush : daz;
                EXPECT_EQ(rig.OutFloat(0, 0), zero ? 0.0f : denormal * gain);
            }
}

TEST(FpModeScope, DenormalsAreZeroOnlyWhenSupported) {
    MxcsrGuard guard;
    _mm_setcsr(kDefaultMxcsr);
    {
        const platform::FpModeScope<FpPolicy::FlushDenormalsWhenSupported> scope(false);
        EXPECT_EQ(_mm_getcsr() & kModeBits, kMxcsrFlushToZero);
    }
    {
        const platform::FpModeScope<FpPolicy::FlushDenormalsWhenSupported> scope(true);
        EXPECT_EQ(_mm_getcsr() & kModeBits, kModeBits);
    }
    EXPECT_EQ(_mm_getcsr(), kDefaultMxcsr);
}

TEST(FpModeScope, ReadsTheMxcsrMaskFromTheSaveArea) {
    struct Case {
        uint32_t mask;
        bool daz;
    };
    constexpr Case kCases[] = {{0x0000FFFF, true}, {0x0000FFBF, false}, {0, false}, {1u << 6, true}};
    for (const Case& c : kCases) {
        alignas(16) unsigned char area[512] = {};
        std::memcpy(area + 28, &c.mask, 4);
        EXPECT_EQ(platform::SaveAreaAllowsDenormalsAreZero(area), c.daz) << std::hex << c.mask;
    }
}

}  // namespace
}  // namespace kerneltest
