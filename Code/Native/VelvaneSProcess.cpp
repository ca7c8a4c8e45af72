// VelvaneProc: the flanger on two lanes that share one LFO phase, one write position and one
// delay line interleaved by frame (channel 0 in the even elements, channel 1 in the odd ones).
// The two lanes of a frame are computed side by side in one SSE register, lane 0 for channel 0
// and lane 1 for channel 1; the upper two lanes carry zeros.
#include "Code/Native/VelvaneModule.h"
#include "platform/export.h"

namespace kernel {
namespace {

enum class StereoPath {
    Stereo,             // inputs 0 and 1 to outputs 0 and 1
    MonoToStereo,       // input 0 into both lanes, outputs 0 and 1
    MonoThroughStereo,  // input 0 into both lanes, output 0 only
};

// Everything constant during a call, loaded once before the frame loop.
struct StereoSetup {
    const float* table;
    uint32_t lfoMask;
    uint32_t phaseOffset;  // table entries channel 1 reads ahead
    float step;
    __m128 centre, amplitude, feedback;
    MixCoefs mix;
    float* line;
    uint32_t floatMask;  // 2N - 1: delay-line indices count floats, two per frame
    uint32_t dryWrite;   // float index offsets
    uint32_t dryRead;
};

struct StereoState {
    uint32_t lfoIndex;
    float fraction;
    float lfoValue;
    uint32_t write;
    float history[2][kFirHistoryLength];  // per channel, h1 first
    float peak[2];
};

__m128 Pair(float left, float right) noexcept { return _mm_setr_ps(left, right, 0.0f, 0.0f); }

StereoSetup LoadSetup(const uint8_t* coefs, const ExternStruct* externs) noexcept {
    StereoSetup c;
    c.table = static_cast<const float*>(externs[kExternLfoTables].data) + SlotInt(coefs, COEF_LFO_TABLE_OFFSET);
    c.lfoMask = static_cast<uint32_t>(SlotInt(coefs, COEF_LFO_INDEX_MASK));
    c.phaseOffset = static_cast<uint32_t>(SlotInt(coefs, COEF_LFO_PHASE_OFFSET_R));
    c.step = 2.0f * SlotFloat(coefs, COEF_LFO_HALF_STEP);
    const float centre = static_cast<float>(SlotInt(coefs, COEF_DELAY_CENTER));
    c.centre = _mm_set1_ps(centre);
    c.amplitude = _mm_set1_ps(SlotFloat(coefs, COEF_DEPTH) * centre);
    c.feedback = _mm_set1_ps(SlotFloat(coefs, COEF_FEEDBACK));
    c.mix = LoadMixCoefs(coefs);
    c.line = static_cast<float*>(externs[kExternDelayLine].data);
    c.floatMask = 2u * static_cast<uint32_t>(SlotInt(coefs, COEF_DELAY_MASK)) + 1u;
    c.dryWrite = 2u * static_cast<uint32_t>(SlotInt(coefs, COEF_DRY_WRITE_OFFSET));
    c.dryRead = 2u * static_cast<uint32_t>(SlotInt(coefs, COEF_DRY_READ_OFFSET));
    return c;
}

StereoState LoadState(const uint8_t* state) noexcept {
    StereoState s;
    s.lfoIndex = static_cast<uint32_t>(SlotInt(state, STATE_LFO_INDEX));
    s.fraction = SlotFloat(state, STATE_LFO_FRACTION);
    s.lfoValue = SlotFloat(state, STATE_LFO_VALUE);
    s.write = static_cast<uint32_t>(SlotInt(state, STATE_WRITE_INDEX));
    std::memcpy(s.history[0], state + 4 * STATE_FIR_HISTORY_L_1, sizeof s.history[0]);
    std::memcpy(s.history[1], state + 4 * STATE_FIR_HISTORY_R_1, sizeof s.history[1]);
    s.peak[0] = SlotFloat(state, STATE_PEAK_L);
    s.peak[1] = SlotFloat(state, STATE_PEAK_R);
    return s;
}

void StoreState(const StereoState& s, uint8_t* state) noexcept {
    SetSlot(state, STATE_LFO_INDEX, static_cast<int32_t>(s.lfoIndex));
    SetSlot(state, STATE_LFO_FRACTION, s.fraction);
    SetSlot(state, STATE_LFO_VALUE, s.lfoValue);
    SetSlot(state, STATE_WRITE_INDEX, static_cast<int32_t>(s.write));
    std::memcpy(state + 4 * STATE_FIR_HISTORY_L_1, s.history[0], sizeof s.history[0]);
    std::memcpy(state + 4 * STATE_FIR_HISTORY_R_1, s.history[1], sizeof s.history[1]);
    SetSlot(state, STATE_PEAK_L, s.peak[0]);
    SetSlot(state, STATE_PEAK_R, s.peak[1]);
}

template <class Samples, StereoPath kPath, bool kFilterOn>
void RunFrames(const StereoSetup& c, const NordeSoundBuf* in, const NordeSoundBuf* out, int32_t frames,
               StereoState& s) noexcept {
    constexpr bool kTwoInputs = kPath == StereoPath::Stereo;
    constexpr bool kTwoOutputs = kPath != StereoPath::MonoThroughStereo;
    Cursor<Samples> in0(in[0]), in1(in[kTwoInputs ? 1 : 0]);
    Cursor<Samples> out0(out[0]), out1(out[kTwoOutputs ? 1 : 0]);
    const float* const table = c.table;
    float* const line = c.line;
    const uint32_t lfoMask = c.lfoMask, floatMask = c.floatMask;
    uint32_t lfoIndex = s.lfoIndex, write = s.write;
    float fraction = s.fraction;
    FloatLanes v = _mm_setzero_ps();
    FloatLanes peak = _mm_setr_ps(s.peak[0], s.peak[1], s.peak[0], s.peak[1]);
    ChunkBuffer<2> buffer;
    for (int j = 1; j <= kFirHistoryLength; ++j)
        for (int lane = 0; lane < 2; ++lane) buffer.History(j, lane) = s.history[lane][j - 1];

    for (int32_t done = 0; done < frames; done += kChunkFrames) {
        const int32_t count = frames - done < kChunkFrames ? frames - done : kChunkFrames;
        for (int32_t frame = 0; frame < count; ++frame) {
            const float x0 = in0.Read();
            const __m128 x = Pair(x0, kTwoInputs ? in1.Read() : x0);
            in0.Next();
            if constexpr (kTwoInputs) in1.Next();

            // Channel 1 reads the table phaseOffset entries ahead, at the same fraction.
            const uint32_t i = lfoIndex, j = (i + c.phaseOffset) & lfoMask;
            const __m128 t0 = _mm_unpacklo_ps(_mm_load_ss(table + i), _mm_load_ss(table + j));
            const __m128 t1 =
                _mm_unpacklo_ps(_mm_load_ss(table + ((i + 1) & lfoMask)), _mm_load_ss(table + ((j + 1) & lfoMask)));
            v = Lerp<FloatLanes>(t0, t1, _mm_set1_ps(fraction));
            AdvancePhase(fraction, lfoIndex, c.step, lfoMask);

            __m128i whole;
            __m128 r;
            SplitDelay(v * c.amplitude + c.centre, whole, r);
            const uint32_t n0 = 2u * static_cast<uint32_t>(_mm_cvtsi128_si32(whole));
            const uint32_t n1 = 2u * static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_shuffle_epi32(whole, 1)));
            // The lanes never read what the other writes in the same frame: even elements are
            // channel 0's, odd ones channel 1's.
            const __m128 a = _mm_unpacklo_ps(_mm_load_ss(line + ((write + n0) & floatMask)),
                                             _mm_load_ss(line + ((write + n1) & floatMask) + 1));
            const __m128 b = _mm_unpacklo_ps(_mm_load_ss(line + ((write + n0 + 2) & floatMask)),
                                             _mm_load_ss(line + ((write + n1 + 2) & floatMask) + 1));
            const FloatLanes wet = Lerp<FloatLanes>(a, b, r);
            _mm_storel_pi(reinterpret_cast<__m64*>(line + write), x + c.feedback * wet);
            _mm_storel_pi(reinterpret_cast<__m64*>(line + ((write + c.dryWrite) & floatMask)), x);
            const __m128 dry = _mm_loadl_pi(_mm_setzero_ps(),
                                            reinterpret_cast<const __m64*>(line + ((write + c.dryRead) & floatMask)));
            write = (write + 2u * floatMask) & floatMask;
            _mm_storel_pi(reinterpret_cast<__m64*>(buffer.Wet(frame)), wet);
            _mm_storel_pi(reinterpret_cast<__m64*>(buffer.Dry(frame)), dry);
        }
        MixChunk<2, false, kFilterOn>(c.mix, buffer, count, peak, [&](FloatLanes o, int32_t outFrames) {
            for (int32_t f = 0; f < outFrames; ++f) {
                out0.Write(o[2 * f]);
                out0.Next();
                if constexpr (kTwoOutputs) {
                    out1.Write(o[2 * f + 1]);
                    out1.Next();
                }
            }
        });
        if constexpr (kFilterOn) buffer.KeepHistory(count);
    }
    s.lfoIndex = lfoIndex;
    s.fraction = fraction;
    s.lfoValue = v[0];
    s.write = write;
    for (int j = 1; j <= kFirHistoryLength; ++j)
        for (int lane = 0; lane < 2; ++lane) s.history[lane][j - 1] = buffer.History(j, lane);
    s.peak[0] = FoldPeak(peak, 0, 2);
    s.peak[1] = FoldPeak(peak, 1, 2);
}

template <class Samples>
void RunFormat(const StereoSetup& c, const NordeSoundBuf* in, int32_t inChannels, const NordeSoundBuf* out,
               int32_t outChannels, int32_t frames, StereoState& s) noexcept {
    const bool monoIn = inChannels == 1;
    if (monoIn && outChannels == 1) {
        c.mix.filterOn ? RunFrames<Samples, StereoPath::MonoThroughStereo, true>(c, in, out, frames, s)
                       : RunFrames<Samples, StereoPath::MonoThroughStereo, false>(c, in, out, frames, s);
    } else if (monoIn && outChannels == 2) {
        c.mix.filterOn ? RunFrames<Samples, StereoPath::MonoToStereo, true>(c, in, out, frames, s)
                       : RunFrames<Samples, StereoPath::MonoToStereo, false>(c, in, out, frames, s);
    } else {
        c.mix.filterOn ? RunFrames<Samples, StereoPath::Stereo, true>(c, in, out, frames, s)
                       : RunFrames<Samples, StereoPath::Stereo, false>(c, in, out, frames, s);
    }
}

// Out of line so that no arithmetic moves across the mode changes around it.
[[gnu::noinline]] void Process(const NordeSoundBuf* in, int32_t inChannels, int32_t frames, const NordeSoundBuf* out,
                               int32_t outChannels, const uint8_t* coefs, uint8_t* state,
                               const ExternStruct* externs) noexcept {
    const int32_t format = in[0].format;
    if (frames <= 0 || (format != kSampleFloat32 && format != kSampleInt16)) return;
    const StereoSetup c = LoadSetup(coefs, externs);
    StereoState s = LoadState(state);
    if (format == kSampleFloat32)
        RunFormat<FloatSamples>(c, in, inChannels, out, outChannels, frames, s);
    else
        RunFormat<Pcm16Samples>(c, in, inChannels, out, outChannels, frames, s);
    StoreState(s, state);
}

}  // namespace
}  // namespace kernel

extern "C" VELVANE_EXPORT void VelvaneProc(const NordeSoundBuf* in, int32_t inChannels, int32_t frames,
                                           const NordeSoundBuf* out, int32_t outChannels, int32_t* outCount,
                                           const uint8_t* coefs, uint8_t* state, const ExternStruct* externs,
                                           intptr_t /*unused*/) noexcept {
    *outCount = frames;
    const kernel::ModeScope mode;
    kernel::Process(in, inChannels, frames, out, outChannels, coefs, state, externs);
}
