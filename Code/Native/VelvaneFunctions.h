#pragma once
// The kernel's call contract: the records a process routine is handed, the names of the
// coefficient and state slots, and the small inline pieces both routines share. The plug-in
// includes this header too; it adds no code of its own to a module.
#include <emmintrin.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

// One channel of one block. The field order is part of the module interface.
struct NordeSoundBuf {
    void* data;          // the channel's first sample in this block
    int32_t stride;      // samples (not bytes) between consecutive samples of the channel
    int32_t format;      // kSampleFloat32 or kSampleInt16; a routine reads input channel 0's only
    uint32_t reserved1;  // zero; never read or written by the kernel
    uint32_t reserved2;  // zero; never read or written by the kernel
};
static_assert(offsetof(NordeSoundBuf, data) == 0 && offsetof(NordeSoundBuf, stride) == sizeof(void*) &&
              offsetof(NordeSoundBuf, format) == sizeof(void*) + 4 &&
              offsetof(NordeSoundBuf, reserved1) == sizeof(void*) + 8 &&
              offsetof(NordeSoundBuf, reserved2) == sizeof(void*) + 12);
static_assert(sizeof(NordeSoundBuf) == sizeof(void*) + 16);

enum : int32_t {
    kSampleFloat32 = 1,  // float, nominal full scale +-1.0, never clipped
    kSampleInt16 = 3,    // signed 16-bit, s / 32768 as a float
};

// Coefficient record: 32-bit slots written by the plug-in and read once per call. "int" slots are
// signed 32-bit integers, the others IEEE single floats.
enum VelvaneCoefSlot : int32_t {
    COEF_LFO_TABLE_OFFSET = 0,     // int: elements from the start of external buffer 1 to the active table
    COEF_LFO_INDEX_MASK = 1,       // int: table length - 1 (the length is a power of two)
    COEF_LFO_HALF_STEP = 2,        // float: half the phase increment per frame, in table entries
    COEF_DELAY_CENTER = 3,         // int: centre delay C in frames
    COEF_DELAY_MASK = 4,           // int: delay-line length N in frames - 1 (N is a power of two)
    COEF_DEPTH = 5,                // float: for an LFO value v the delay is C + C * depth * v frames
    COEF_FEEDBACK = 6,             // float: signed gain of the delayed signal added back into the line
    COEF_DRY_WRITE_OFFSET = 7,     // int: frames ahead of the write position where the dry copy is stored
    COEF_DRY_READ_OFFSET = 8,      // int: frames ahead of the write position where the dry tap is read
    COEF_DRY_GAIN = 9,             // float: dry gain / 4
    COEF_WET_TAP_0_8 = 10,         // float: wet filter taps 0 and 8 / 4; exactly 0 switches the filter off
    COEF_WET_TAP_1_7 = 11,         // float: taps 1 and 7 / 4
    COEF_WET_TAP_2_6 = 12,         // float: taps 2 and 6 / 4
    COEF_WET_TAP_3_5 = 13,         // float: taps 3 and 5 / 4
    COEF_WET_TAP_4 = 14,           // float: centre tap / 4; with the filter off the plain wet gain / 4
    COEF_LFO_PHASE_OFFSET_R = 15,  // int, stereo: table entries channel 1 reads ahead of channel 0
    COEF_DELAY_CENTER_R = 16,      // int, stereo: the centre delay again; no routine reads it
};
inline constexpr int kMonoCoefSlots = 15;
inline constexpr int kStereoCoefSlots = 17;

// State record: 32-bit slots, all zero before the first block; the kernel keeps every bit of
// continuity here and in the delay line.
enum VelvaneStateSlot : int32_t {
    STATE_LFO_INDEX = 0,        // int: integer part of the LFO phase, 0 .. COEF_LFO_INDEX_MASK
    STATE_LFO_FRACTION = 1,     // float: fractional part of the phase, [0, 1)
    STATE_LFO_VALUE = 2,        // float: channel 0's interpolated LFO value in the most recent frame
    STATE_WRITE_INDEX = 3,      // int: write position; mono a frame index, stereo an even float index
    STATE_FIR_HISTORY_L_1 = 4,  // float: channel 0's last eight wet values, the most recent first
    STATE_FIR_HISTORY_L_2 = 5,
    STATE_FIR_HISTORY_L_3 = 6,
    STATE_FIR_HISTORY_L_4 = 7,
    STATE_FIR_HISTORY_L_5 = 8,
    STATE_FIR_HISTORY_L_6 = 9,
    STATE_FIR_HISTORY_L_7 = 10,
    STATE_FIR_HISTORY_L_8 = 11,
    STATE_PEAK_L = 12,           // float: largest |output| of channel 0 since last cleared; only raised
    STATE_FIR_HISTORY_R_1 = 13,  // float, stereo: channel 1's history, as channel 0's
    STATE_FIR_HISTORY_R_2 = 14,
    STATE_FIR_HISTORY_R_3 = 15,
    STATE_FIR_HISTORY_R_4 = 16,
    STATE_FIR_HISTORY_R_5 = 17,
    STATE_FIR_HISTORY_R_6 = 18,
    STATE_FIR_HISTORY_R_7 = 19,
    STATE_FIR_HISTORY_R_8 = 20,
    STATE_PEAK_R = 21,  // float, stereo: peak of channel 1, as STATE_PEAK_L
};
inline constexpr int kMonoStateSlots = 13;
inline constexpr int kStereoStateSlots = 22;
inline constexpr int kFirHistoryLength = 8;

// One entry of the external-buffer table; the entries lie 16 bytes apart. The kernel reads only
// `data`; the rest belongs to the framework.
struct ExternStruct {
    void* data;         // the buffer's first element
    int32_t words;      // the buffer's length in 32-bit words
    uint32_t memSpace;  // where a DSP host places the buffer
};
static_assert(sizeof(void*) != 8 || sizeof(ExternStruct) == 16);
enum : int32_t {
    kExternDelayLine = 0,  // floats: N frames (mono) or 2N interleaved by frame (stereo)
    kExternLfoTables = 1,  // floats: the LFO tables, read from COEF_LFO_TABLE_OFFSET on
};

// The signature of VelvaneProc and VelvaneProcMono. The out-count is set to `frames` first;
// `unused` is never read (a host wrapper may carry a pointer in it, hence pointer-sized). Input
// and output may be the same memory, channel for channel (in place); other overlaps between them
// are not supported. [any thread; one call at a time per record set; never allocates]
using VelvaneProcessFn = void (*)(const NordeSoundBuf* in, int32_t inChannels, int32_t frames, const NordeSoundBuf* out,
                                  int32_t outChannels, int32_t* outCount, const uint8_t* coefs, uint8_t* state,
                                  const ExternStruct* externs, intptr_t unused);

// Slot access: records are arrays of 32-bit words reached through byte pointers.
inline int32_t SlotInt(const uint8_t* record, int slot) noexcept {
    int32_t v;
    std::memcpy(&v, record + 4 * slot, 4);
    return v;
}
inline float SlotFloat(const uint8_t* record, int slot) noexcept {
    float v;
    std::memcpy(&v, record + 4 * slot, 4);
    return v;
}
inline void SetSlot(uint8_t* record, int slot, int32_t v) noexcept { std::memcpy(record + 4 * slot, &v, 4); }
inline void SetSlot(uint8_t* record, int slot, float v) noexcept { std::memcpy(record + 4 * slot, &v, 4); }

// 16-bit samples. Input: s * 3.0517578e-5 formed in `Wide` precision and rounded to single,
// which is exactly s / 32768 for every 16-bit value. Output, saturating: y * 32768 in `Wide`,
// truncated toward zero and clamped to -32768 .. 32767, a NaN written as 0 (wrapping would turn
// 1.0 into -32768 and flip the sign of every over).
template <class Wide>
struct Pcm16;

template <>
struct Pcm16<double> {
    static float ToFloat(int16_t s) noexcept { return static_cast<float>(s * 3.0517578e-5); }
    static int16_t FromFloat(float y) noexcept {
        __m128d p = _mm_mul_sd(_mm_cvtss_sd(_mm_setzero_pd(), _mm_set_ss(y)), _mm_set_sd(32768.0));
        // min and max hand a NaN through; its conversion gives 0x80000000, whose low half is 0.
        p = _mm_max_sd(_mm_set_sd(-32768.0), _mm_min_sd(_mm_set_sd(32767.0), p));
        return static_cast<int16_t>(_mm_cvttsd_si32(p));
    }
};

// The modules that convert on the x87 unit (extended precision). The truncation rounds with
// fistp in whatever mode the unit is in and then steps toward zero, so the control word is
// neither changed nor relied on.
template <>
struct Pcm16<long double> {
    static float ToFloat(int16_t s) noexcept {
        return static_cast<float>(static_cast<long double>(s) * static_cast<long double>(3.0517578e-5));
    }
    static int16_t FromFloat(float y) noexcept {
        const long double p = static_cast<long double>(y) * 32768.0L;
        if (p != p) return 0;
        if (p >= 32767.0L) return 32767;
        if (p <= -32768.0L) return -32768;
        int32_t n;
        __asm__("fistpl %0" : "=m"(n) : "t"(p) : "st");
        const long double rounded = n;
        if (p >= 0.0L && rounded > p) --n;
        if (p < 0.0L && rounded < p) ++n;
        return static_cast<int16_t>(n);
    }
};

// Splits a delay into n = floor(d) as a 32-bit integer and r = d - floor(d), without touching or
// depending on the rounding mode. Truncation corrected for negative non-integers is the floor
// below 2^31 (converting the truncated value back is exact: beyond 2^24 every float is an
// integer). A delay beyond the integer range is an integer itself, its own floor, and converts
// to 0x80000000 as a NaN does.
inline uint32_t SplitDelay(float d, float& r) noexcept {
    const int32_t whole = _mm_cvtt_ss2si(_mm_set_ss(d));
    if (__builtin_expect(whole == INT32_MIN, 0)) {
        r = d - d;
        return static_cast<uint32_t>(whole);
    }
    float floor = static_cast<float>(whole);
    uint32_t n = static_cast<uint32_t>(whole);
    if (floor > d) {
        floor -= 1.0f;
        n -= 1;
    }
    r = d - floor;
    return n;
}

// The same for each lane of a vector.
inline void SplitDelay(__m128 d, __m128i& n, __m128& r) noexcept {
    const __m128i whole = _mm_cvttps_epi32(d);
    __m128 floor = _mm_cvtepi32_ps(whole);
    const __m128 above = _mm_cmpgt_ps(floor, d);
    floor = _mm_sub_ps(floor, _mm_and_ps(above, _mm_set1_ps(1.0f)));
    n = _mm_add_epi32(whole, _mm_castps_si128(above));
    const __m128i outside = _mm_cmpeq_epi32(whole, _mm_set1_epi32(INT32_MIN));
    if (__builtin_expect(_mm_movemask_epi8(outside) != 0, 0)) {
        floor = _mm_or_ps(_mm_and_ps(_mm_castsi128_ps(outside), d), _mm_andnot_ps(_mm_castsi128_ps(outside), floor));
        n = _mm_or_si128(_mm_and_si128(outside, whole), _mm_andnot_si128(outside, n));
    }
    r = _mm_sub_ps(d, floor);
}

// max(|out|, peak) lane by lane; a NaN output leaves the peak as it was.
inline __m128 RaisePeak(__m128 peak, __m128 out) noexcept {
    return _mm_max_ps(_mm_andnot_ps(_mm_set1_ps(-0.0f), out), peak);
}

// The peak over lanes first, first + step, ... of a lane-wise peak: the same maximum as raising
// one value at a time, since each lane started from the same peak.
inline float FoldPeak(__m128 peak, int first, int step) noexcept {
    float folded = peak[first];
    for (int lane = first + step; lane < 4; lane += step) folded = peak[lane] > folded ? peak[lane] : folded;
    return folded;
}

// b at fraction r of the way from a: (b - a) * r + a, the one interpolation of the kernel.
template <class T>
inline T Lerp(T a, T b, T r) noexcept {
    return (b - a) * r + a;
}

// Advances the LFO phase by `step` (at most one table entry). The wrap is rare at audio rates, so
// it is a branch: the fraction's dependency chain per frame stays one addition long.
inline void AdvancePhase(float& fraction, uint32_t& index, float step, uint32_t lfoMask) noexcept {
    const float next = fraction + step;
    if (__builtin_expect(next >= 1.0f, 0)) {
        fraction = next - 1.0f;
        index = (index + 1) & lfoMask;
    } else {
        fraction = next;
    }
}

// Four float lanes without the aliasing attribute of __m128, so they can be template arguments.
using FloatLanes = float __attribute__((vector_size(16)));

inline FloatLanes LoadLanes(const float* p) noexcept { return _mm_loadu_ps(p); }

// One frame's kLanes floats, repeated across the four lanes.
template <int kLanes>
inline FloatLanes LoadFrameRepeated(const float* p) noexcept {
    if constexpr (kLanes == 1)
        return _mm_set1_ps(*p);
    else
        return _mm_castpd_ps(_mm_load1_pd(reinterpret_cast<const double*>(p)));
}

// The last eight inputs of a 9-tap symmetric wet filter, h1 the most recent.
template <class T>
struct FirHistory {
    T h1, h2, h3, h4, h5, h6, h7, h8;
};

template <class T>
struct FirTaps {
    T k0, k1, k2, k3, k4;
};

// The wet filter taps and the dry gain (the record holds them quartered), and whether the filter
// is on: k0 is not 0 (a NaN counts as not 0).
struct MixCoefs {
    FirTaps<FloatLanes> taps;
    FloatLanes dryGain;
    bool filterOn;
};

inline MixCoefs LoadMixCoefs(const uint8_t* coefs) noexcept {
    auto quadrupled = [coefs](int slot) { return 4.0f * SlotFloat(coefs, slot); };
    const float k0 = quadrupled(COEF_WET_TAP_0_8);
    return {{_mm_set1_ps(k0), _mm_set1_ps(quadrupled(COEF_WET_TAP_1_7)), _mm_set1_ps(quadrupled(COEF_WET_TAP_2_6)),
             _mm_set1_ps(quadrupled(COEF_WET_TAP_3_5)), _mm_set1_ps(quadrupled(COEF_WET_TAP_4))},
            _mm_set1_ps(quadrupled(COEF_DRY_GAIN)),
            k0 != 0.0f};
}

// The wet filter output for a new input, summed in exactly this grouping: reference
// k0(wet + h8) + (((k4 h4 + k3(h3 + h5)) + k2(h2 + h6)) + k1(h1 + h7)), or, with kK1First,
// k0(wet + h8) + (((k1(h1 + h7) + k2(h2 + h6)) + k3(h3 + h5)) + k4 h4).
template <bool kK1First, class T>
inline T WetFilter(const FirTaps<T>& k, T wet, const FirHistory<T>& h) noexcept {
    const T outer = k.k0 * (wet + h.h8);
    if constexpr (kK1First)
        return outer + (((k.k1 * (h.h1 + h.h7) + k.k2 * (h.h2 + h.h6)) + k.k3 * (h.h3 + h.h5)) + k.k4 * h.h4);
    else
        return outer + (((k.k4 * h.h4 + k.k3 * (h.h3 + h.h5)) + k.k2 * (h.h2 + h.h6)) + k.k1 * (h.h1 + h.h7));
}

// Frames are processed in chunks: the frame loop, which must run in order (phase, delay line,
// dry taps), leaves each frame's wet and dry values in a ChunkBuffer; MixChunk then runs the wet
// filter, the dry mix and the peaks four floats at a time. kLanes floats per frame (1 mono,
// 2 stereo); the wet values of a chunk follow the eight frames of filter history.
inline constexpr int32_t kChunkFrames = 64;

template <int kLanes>
struct ChunkBuffer {
    alignas(16) float wet[kLanes * (kFirHistoryLength + kChunkFrames)];
    alignas(16) float dry[kLanes * kChunkFrames];

    float* Wet(int32_t frame) noexcept { return wet + kLanes * (kFirHistoryLength + frame); }
    float* Dry(int32_t frame) noexcept { return dry + kLanes * frame; }
    // Lane `lane` of history value h_j (h1 the most recent), before the current chunk.
    float& History(int j, int lane) noexcept { return wet[kLanes * (kFirHistoryLength - j) + lane]; }
    // After a chunk of `count` frames: its last eight wet values become the history.
    void KeepHistory(int32_t count) noexcept {
        std::memmove(wet, wet + kLanes * count, sizeof(float) * kLanes * kFirHistoryLength);
    }
};

// Wet filter, dry mix (out = dry * gain + y) and peak raise for `count` frames of `buffer`;
// `emit(out, frames)` writes the outputs of `frames` frames from lane 0 of `out` on.
// The vectors hold whole frames, and a frame left over is computed alone with its lanes
// repeated, so every value is rounded exactly as frame by frame, and the peak of each channel is
// the same max over the same values.
template <int kLanes, bool kK1First, bool kFilterOn, class Emit>
inline void MixChunk(const MixCoefs& mix, ChunkBuffer<kLanes>& buffer, int32_t count, FloatLanes& peak,
                     Emit&& emit) noexcept {
    constexpr int32_t kFramesPerVector = 4 / kLanes;
    auto run = [&](FloatLanes (*load)(const float*), int32_t frame, int32_t frames) {
        const float* w = buffer.Wet(frame);
        FloatLanes y;
        if constexpr (kFilterOn) {
            const FirHistory<FloatLanes> h{load(w - kLanes),     load(w - 2 * kLanes), load(w - 3 * kLanes),
                                           load(w - 4 * kLanes), load(w - 5 * kLanes), load(w - 6 * kLanes),
                                           load(w - 7 * kLanes), load(w - 8 * kLanes)};
            y = WetFilter<kK1First>(mix.taps, load(w), h);
        } else {
            y = load(w) * mix.taps.k4;
        }
        const FloatLanes out = load(buffer.Dry(frame)) * mix.dryGain + y;
        peak = RaisePeak(peak, out);
        emit(out, frames);
    };
    int32_t frame = 0;
    for (; frame + kFramesPerVector <= count; frame += kFramesPerVector) run(LoadLanes, frame, kFramesPerVector);
    for (; frame < count; ++frame) run(LoadFrameRepeated<kLanes>, frame, 1);
}

// Sample access by format: reading gives the kernel's float, writing converts back.
struct FloatSamples {
    using Type = float;
    static float Read(const float* p) noexcept { return *p; }
    static void Write(float* p, float y) noexcept { *p = y; }
};
template <class Conversion>
struct Int16Samples {
    using Type = int16_t;
    static float Read(const int16_t* p) noexcept { return Conversion::ToFloat(*p); }
    static void Write(int16_t* p, float y) noexcept { *p = Conversion::FromFloat(y); }
};

// One channel of a block: where the next sample is and how far the one after lies.
template <class Samples>
struct Cursor {
    typename Samples::Type* at;
    ptrdiff_t stride;

    explicit Cursor(const NordeSoundBuf& channel) noexcept
        : at(static_cast<typename Samples::Type*>(channel.data)), stride(channel.stride) {}
    float Read() const noexcept { return Samples::Read(at); }
    void Write(float y) const noexcept { Samples::Write(at, y); }
    void Next() noexcept { at += stride; }
};
