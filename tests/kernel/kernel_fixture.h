#pragma once
// What the kernel tests share: the modules under test with what sets each apart, and a rig (the
// records, delay line, LFO tables and sample buffers of one routine) that is copied so that
// several routines start from the same bits.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "Code/Native/VelvaneFunctions.h"
#include "platform/fpmode.h"
#include "platform/module.h"

namespace kerneltest {

using platform::FpPolicy;

struct ModuleTraits {
    const char* name;
    FpPolicy policy;
    bool monoK1First;  // the mono wet filter's alternate summation order
};

#ifdef _WIN32
inline constexpr ModuleTraits kModuleTraits[] = {
    {"velkern_generic", FpPolicy::None, false},
    {"velkern_athlon", FpPolicy::None, false},
    {"velkern_athlon4", FpPolicy::Flush, false},
    {"velkern_pentium4", FpPolicy::FlushDenormalsWhenSupported, false},
    {"velkern_generic_multi_core", FpPolicy::FlushDenormalsBitsKept, false},
};
inline constexpr const char* kModuleDir = "";  // beside the test program
#else
inline constexpr ModuleTraits kModuleTraits[] = {
    {"velkern_lx_plain", FpPolicy::None, true},
    {"velkern_lx_ftz", FpPolicy::Flush, true},
    {"velkern_lx_ftz_daz", FpPolicy::FlushDenormalsWhenSupported, true},
    {"velkern_lx_ftz_daz_b", FpPolicy::FlushDenormalsWhenSupported, true},
    {"velkern_lx_ftz_daz_c", FpPolicy::FlushDenormalsWhenSupported, true},
    {"velkern_lx_ftz_daz_keep", FpPolicy::FlushDenormalsBitsKept, true},
    {"velkern_lx_ftz_daz_keep_b", FpPolicy::FlushDenormalsBitsKept, true},
};
inline constexpr const char* kModuleDir = VELVANE_KERNEL_DIR;
#endif

struct Module {
    ModuleTraits traits;
    platform::Library library;
    VelvaneProcessFn stereo = nullptr;
    VelvaneProcessFn mono = nullptr;
};

// Every module, loaded once per test program; the first in the list is the plain build.
inline const std::vector<Module>& Modules() {
    static const std::vector<Module> modules = [] {
        std::vector<Module> loaded;
        for (const ModuleTraits& traits : kModuleTraits) {
            const std::string file =
                platform::JoinPath(kModuleDir, std::string(traits.name) + platform::kLibrarySuffix);
            Module m{traits, platform::Library::Open(file)};
            m.stereo = reinterpret_cast<VelvaneProcessFn>(m.library.Symbol("VelvaneProc"));
            m.mono = reinterpret_cast<VelvaneProcessFn>(m.library.Symbol("VelvaneProcMono"));
            loaded.push_back(std::move(m));
        }
        return loaded;
    }();
    return modules;
}

// The module's routine for the stereo or the mono path.
inline VelvaneProcessFn Pick(const Module& m, bool stereo) { return stereo ? m.stereo : m.mono; }

// A routine under test: a module's export or the model, called like the exports.
using Routine = std::function<void(const NordeSoundBuf*, int32_t, int32_t, const NordeSoundBuf*, int32_t, int32_t*,
                                   const uint8_t*, uint8_t*, const ExternStruct*)>;

inline Routine Export(VelvaneProcessFn fn) {
    return
        [fn](const NordeSoundBuf* in, int32_t inChannels, int32_t frames, const NordeSoundBuf* out, int32_t outChannels,
             int32_t* outCount, const uint8_t* coefs, uint8_t* state, const ExternStruct* externs) {
            fn(in, inChannels, frames, out, outChannels, outCount, coefs, state, externs, 0x5EED);
        };
}

// Channels 0..2 of a frame sit in sample slots 0..2 of kSlots; slot 3 is never written, so
// every buffer also checks the strides.
inline constexpr int kSlots = 4;
inline constexpr uint8_t kCanaryByte = 0xA5;

struct Rig {
    std::vector<uint8_t> coefs = std::vector<uint8_t>(4 * kStereoCoefSlots);
    std::vector<uint8_t> state = std::vector<uint8_t>(4 * kStereoStateSlots);
    std::vector<float> line;
    std::vector<float> tables;
    int32_t format = kSampleFloat32;
    int32_t frames = 0;
    std::vector<uint8_t> input;
    std::vector<uint8_t> output;

    size_t SampleBytes() const { return format == kSampleInt16 ? 2 : 4; }

    void Allocate(int32_t frameCount, int32_t sampleFormat) {
        format = sampleFormat;
        frames = frameCount;
        input.assign(static_cast<size_t>(frames) * kSlots * SampleBytes(), 0);
        output.assign(input.size(), kCanaryByte);
    }
    float* InFloat() { return reinterpret_cast<float*>(input.data()); }
    int16_t* In16() { return reinterpret_cast<int16_t*>(input.data()); }
    float OutFloat(int32_t frame, int channel) const {
        float v;
        std::memcpy(&v, output.data() + (static_cast<size_t>(frame) * kSlots + channel) * 4, 4);
        return v;
    }
    int16_t Out16(int32_t frame, int channel) const {
        int16_t v;
        std::memcpy(&v, output.data() + (static_cast<size_t>(frame) * kSlots + channel) * 2, 2);
        return v;
    }
    bool OutIsCanary(int32_t frame, int channel) const {
        const uint8_t* p = output.data() + (static_cast<size_t>(frame) * kSlots + channel) * SampleBytes();
        for (size_t b = 0; b < SampleBytes(); ++b)
            if (p[b] != kCanaryByte) return false;
        return true;
    }

    // Runs `count` frames from `first` on, input channel 0 labelled with `formatCode` (the rig's
    // format by default); returns the out-count.
    int32_t Call(const Routine& routine, int32_t inChannels, int32_t outChannels, int32_t first, int32_t count,
                 std::optional<int32_t> formatCode = std::nullopt) {
        std::array<NordeSoundBuf, 3> in{}, out{};
        for (int c = 0; c < 3; ++c) {
            const size_t at = (static_cast<size_t>(first) * kSlots + c) * SampleBytes();
            in[c] = {input.data() + at, kSlots, c == 0 ? formatCode.value_or(format) : 99, 0, 0};
            out[c] = {output.data() + at, kSlots, 99, 0, 0};
        }
        ExternStruct externs[2] = {{line.data(), 0, 0}, {tables.data(), 0, 0}};
        int32_t produced = -12345;
        routine(in.data(), inChannels, count, out.data(), outChannels, &produced, coefs.data(), state.data(), externs);
        return produced;
    }
};

struct RigOptions {
    bool stereo = true;
    bool filterOn = true;
    int32_t format = kSampleFloat32;
    int32_t frames = 4096;
};

// Output is the dry path at unity gain: the plug-in's bypass set, with the given dry gain / 4.
inline void SetBypass(Rig& rig, float dryGainQuarter = 0.25f) {
    uint8_t* c = rig.coefs.data();
    SetSlot(c, COEF_DRY_READ_OFFSET, SlotInt(c, COEF_DRY_WRITE_OFFSET));
    SetSlot(c, COEF_DRY_GAIN, dryGainQuarter);
    for (int k = COEF_WET_TAP_0_8; k <= COEF_WET_TAP_4; ++k) SetSlot(c, k, 0.0f);
}

// Random records that keep the invariants of the call contract, random delay-line contents,
// state and input.
inline Rig MakeRig(uint32_t seed, const RigOptions& o) {
    std::mt19937 rng(seed);
    auto uniform = [&](double lo, double hi) {
        return static_cast<float>(std::uniform_real_distribution<>(lo, hi)(rng));
    };
    auto integer = [&](int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(rng); };
    Rig rig;
    rig.Allocate(o.frames, o.format);
    uint8_t* c = rig.coefs.data();

    const int32_t delayFrames = 1 << integer(8, 12);
    const int32_t tableLength = 1 << integer(3, 10);
    const int32_t tableOffset = integer(0, 64);
    rig.tables.resize(tableOffset + tableLength + 16);
    for (float& t : rig.tables) t = uniform(-1.0, 1.0);
    const int32_t centre = integer(1, 60);
    const float depth = uniform(-1.0, 1.0) * (1.0f - 1.0f / static_cast<float>(centre));
    const int32_t dryWrite = 2 * centre + integer(1, 4);
    const int32_t dryRead = dryWrite + integer(0, 40);
    const int32_t stepKind = integer(0, 5);
    const float step = stepKind == 0 ? 0.0f : stepKind == 1 ? 1.0f : uniform(0.0, stepKind == 2 ? 1.0 : 0.05);

    SetSlot(c, COEF_LFO_TABLE_OFFSET, tableOffset);
    SetSlot(c, COEF_LFO_INDEX_MASK, tableLength - 1);
    SetSlot(c, COEF_LFO_HALF_STEP, step / 2.0f);
    SetSlot(c, COEF_DELAY_CENTER, centre);
    SetSlot(c, COEF_DELAY_MASK, delayFrames - 1);
    SetSlot(c, COEF_DEPTH, depth);
    SetSlot(c, COEF_FEEDBACK, uniform(-0.95, 0.95));
    SetSlot(c, COEF_DRY_WRITE_OFFSET, dryWrite);
    SetSlot(c, COEF_DRY_READ_OFFSET, dryRead);
    SetSlot(c, COEF_DRY_GAIN, uniform(-0.3, 0.3));
    for (int k = COEF_WET_TAP_0_8; k <= COEF_WET_TAP_4; ++k) SetSlot(c, k, uniform(-0.3, 0.3));
    if (!o.filterOn) SetSlot(c, COEF_WET_TAP_0_8, 0.0f);
    SetSlot(c, COEF_LFO_PHASE_OFFSET_R, integer(0, tableLength - 1));
    SetSlot(c, COEF_DELAY_CENTER_R, centre);

    rig.line.resize(2 * static_cast<size_t>(delayFrames));
    const bool fresh = integer(0, 2) == 0;  // all-zero state and line, as after a reset
    if (!fresh) {
        for (float& v : rig.line) v = uniform(-1.0, 1.0);
        uint8_t* s = rig.state.data();
        SetSlot(s, STATE_LFO_INDEX, integer(0, tableLength - 1));
        SetSlot(s, STATE_LFO_FRACTION, uniform(0.0, 1.0));
        SetSlot(s, STATE_LFO_VALUE, uniform(-1.0, 1.0));
        SetSlot(s, STATE_WRITE_INDEX, o.stereo ? 2 * integer(0, delayFrames - 1) : integer(0, delayFrames - 1));
        for (int k = STATE_FIR_HISTORY_L_1; k < kStereoStateSlots; ++k) SetSlot(s, k, uniform(-1.0, 1.0));
        SetSlot(s, STATE_PEAK_L, uniform(0.0, 0.5));
        SetSlot(s, STATE_PEAK_R, uniform(0.0, 0.5));
    }
    for (int32_t k = 0; k < o.frames * kSlots; ++k) {
        if (o.format == kSampleFloat32)
            rig.InFloat()[k] = uniform(-1.0, 1.0);
        else
            rig.In16()[k] = static_cast<int16_t>(integer(-32768, 32767));
    }
    return rig;
}

// Expects equal bytes; names the first differing 32-bit word.
inline void ExpectSameBits(const std::vector<uint8_t>& expected, const std::vector<uint8_t>& actual, const char* what) {
    ASSERT_EQ(expected.size(), actual.size()) << what;
    const auto mismatch = std::mismatch(expected.begin(), expected.end(), actual.begin());
    EXPECT_TRUE(mismatch.first == expected.end())
        << what << " differ first at word " << (mismatch.first - expected.begin()) / 4;
}

inline std::vector<uint8_t> Bytes(const std::vector<float>& v) {
    std::vector<uint8_t> bytes(v.size() * 4);
    std::memcpy(bytes.data(), v.data(), bytes.size());
    return bytes;
}

// Outputs, state record and delay line bit for bit.
inline void ExpectSameRig(const Rig& expected, const Rig& actual) {
    ExpectSameBits(expected.output, actual.output, "outputs");
    ExpectSameBits(expected.state, actual.state, "state records");
    ExpectSameBits(Bytes(expected.line), Bytes(actual.line), "delay lines");
}

}  // namespace kerneltest
