// VelvaneProcMono: the flanger on one channel. Per frame: the LFO value from the table, a
// feedback delay line read at the modulated delay with linear interpolation, the optional 9-tap
// wet filter, a separately delayed dry tap, and the output peak for the meters.
#include "Code/Native/VelvaneModule.h"
#include "platform/export.h"

namespace kernel {
namespace {

enum class MonoPath {
    Normal,  // input 0 to output 0
    Silent,  // any other input count: the delay line runs on, outputs 0 and 1 receive zeros
};

// Everything constant during a call, loaded once before the frame loop.
struct MonoSetup {
    const float* table;
    uint32_t lfoMask;
    float step;
    float centre, amplitude, feedback, inputGain;
    MixCoefs mix;
    float* line;
    uint32_t delayMask;
    uint32_t dryWrite;
    uint32_t dryRead;
};

struct MonoState {
    uint32_t lfoIndex;
    float fraction;
    float lfoValue;
    uint32_t write;
    float history[kFirHistoryLength];  // h1 first
    float peak;
};

MonoSetup LoadSetup(const uint8_t* coefs, const ExternStruct* externs) noexcept {
    MonoSetup c;
    c.table = static_cast<const float*>(externs[kExternLfoTables].data) + SlotInt(coefs, COEF_LFO_TABLE_OFFSET);
    c.lfoMask = static_cast<uint32_t>(SlotInt(coefs, COEF_LFO_INDEX_MASK));
    c.step = 2.0f * SlotFloat(coefs, COEF_LFO_HALF_STEP);
    c.centre = static_cast<float>(SlotInt(coefs, COEF_DELAY_CENTER));
    c.amplitude = SlotFloat(coefs, COEF_DEPTH) * c.centre;
    c.feedback = SlotFloat(coefs, COEF_FEEDBACK);
    c.inputGain = __builtin_fabsf(c.feedback) + 1.0f;
    c.mix = LoadMixCoefs(coefs);
    c.line = static_cast<float*>(externs[kExternDelayLine].data);
    c.delayMask = static_cast<uint32_t>(SlotInt(coefs, COEF_DELAY_MASK));
    c.dryWrite = static_cast<uint32_t>(SlotInt(coefs, COEF_DRY_WRITE_OFFSET));
    c.dryRead = static_cast<uint32_t>(SlotInt(coefs, COEF_DRY_READ_OFFSET));
    return c;
}

MonoState LoadState(const uint8_t* state) noexcept {
    MonoState s;
    s.lfoIndex = static_cast<uint32_t>(SlotInt(state, STATE_LFO_INDEX));
    s.fraction = SlotFloat(state, STATE_LFO_FRACTION);
    s.lfoValue = SlotFloat(state, STATE_LFO_VALUE);
    s.write = static_cast<uint32_t>(SlotInt(state, STATE_WRITE_INDEX));
    std::memcpy(s.history, state + 4 * STATE_FIR_HISTORY_L_1, sizeof s.history);
    s.peak = SlotFloat(state, STATE_PEAK_L);
    return s;
}

void StoreState(const MonoState& s, uint8_t* state) noexcept {
    SetSlot(state, STATE_LFO_INDEX, static_cast<int32_t>(s.lfoIndex));
    SetSlot(state, STATE_LFO_FRACTION, s.fraction);
    SetSlot(state, STATE_LFO_VALUE, s.lfoValue);
    SetSlot(state, STATE_WRITE_INDEX, static_cast<int32_t>(s.write));
    std::memcpy(state + 4 * STATE_FIR_HISTORY_L_1, s.history, sizeof s.history);
    SetSlot(state, STATE_PEAK_L, s.peak);
}

template <class Samples, MonoPath kPath, bool kFilterOn>
void RunFrames(const MonoSetup& c, const NordeSoundBuf* in, const NordeSoundBuf* out, int32_t frames,
               MonoState& s) noexcept {
    constexpr bool kSilent = kPath == MonoPath::Silent;
    // The silent path reads no float input; it feeds back the previous frame's dry tap instead.
    constexpr bool kReadsInput = !kSilent || !std::is_same_v<Samples, FloatSamples>;
    Cursor<Samples> in0(in[0]), out0(out[0]), out1(out[kSilent ? 1 : 0]);
    const float* const table = c.table;
    float* const line = c.line;
    const uint32_t lfoMask = c.lfoMask, delayMask = c.delayMask;
    uint32_t lfoIndex = s.lfoIndex, write = s.write;
    float fraction = s.fraction, v = 0.0f, previousDry = 0.0f;
    FloatLanes peak = _mm_set1_ps(s.peak);
    ChunkBuffer<1> buffer;
    for (int j = 1; j <= kFirHistoryLength; ++j) buffer.History(j, 0) = s.history[j - 1];

    for (int32_t done = 0; done < frames; done += kChunkFrames) {
        const int32_t count = frames - done < kChunkFrames ? frames - done : kChunkFrames;
        for (int32_t frame = 0; frame < count; ++frame) {
            const float x = kReadsInput ? in0.Read() : previousDry;
            if constexpr (kReadsInput) in0.Next();

            v = Lerp(table[lfoIndex], table[(lfoIndex + 1) & lfoMask], fraction);
            AdvancePhase(fraction, lfoIndex, c.step, lfoMask);

            float r;
            const uint32_t n = SplitDelay(v * c.amplitude + c.centre, r);
            const float wet = Lerp(line[(write + n) & delayMask], line[(write + n + 1) & delayMask], r);
            line[write] = c.inputGain * x + c.feedback * wet;
            line[(write + c.dryWrite) & delayMask] = x;
            const float dry = line[(write + c.dryRead) & delayMask];
            write = (write + delayMask) & delayMask;
            *buffer.Wet(frame) = wet;
            *buffer.Dry(frame) = dry;
            previousDry = dry;
        }
        MixChunk<1, kMonoK1First, kFilterOn>(c.mix, buffer, count, peak, [&](FloatLanes o, int32_t outFrames) {
            for (int32_t f = 0; f < outFrames; ++f) {
                if constexpr (kSilent) {
                    out0.Write(0.0f);
                    out1.Write(0.0f);
                    out1.Next();
                } else {
                    out0.Write(o[f]);
                }
                out0.Next();
            }
        });
        if constexpr (kFilterOn) buffer.KeepHistory(count);
    }
    s.lfoIndex = lfoIndex;
    s.fraction = fraction;
    s.lfoValue = v;
    s.write = write;
    for (int j = 1; j <= kFirHistoryLength; ++j) s.history[j - 1] = buffer.History(j, 0);
    s.peak = FoldPeak(peak, 0, 1);
}

template <class Samples>
void RunFormat(const MonoSetup& c, const NordeSoundBuf* in, int32_t inChannels, const NordeSoundBuf* out,
               int32_t frames, MonoState& s) noexcept {
    if (inChannels == 1) {
        c.mix.filterOn ? RunFrames<Samples, MonoPath::Normal, true>(c, in, out, frames, s)
                       : RunFrames<Samples, MonoPath::Normal, false>(c, in, out, frames, s);
    } else {
        c.mix.filterOn ? RunFrames<Samples, MonoPath::Silent, true>(c, in, out, frames, s)
                       : RunFrames<Samples, MonoPath::Silent, false>(c, in, out, frames, s);
    }
}

// Out of line so that no arithmetic moves across the mode changes around it.
[[gnu::noinline]] void Process(const NordeSoundBuf* in, int32_t inChannels, int32_t frames, const NordeSoundBuf* out,
                               const uint8_t* coefs, uint8_t* state, const ExternStruct* externs) noexcept {
    const int32_t format = in[0].format;
    if (frames <= 0 || (format != kSampleFloat32 && format != kSampleInt16)) return;
    const MonoSetup c = LoadSetup(coefs, externs);
    MonoState s = LoadState(state);
    if (format == kSampleFloat32)
        RunFormat<FloatSamples>(c, in, inChannels, out, frames, s);
    else
        RunFormat<Pcm16Samples>(c, in, inChannels, out, frames, s);
    StoreState(s, state);
}

}  // namespace
}  // namespace kernel

extern "C" VELVANE_EXPORT void VelvaneProcMono(const NordeSoundBuf* in, int32_t inChannels, int32_t frames,
                                               const NordeSoundBuf* out, int32_t /*outChannels*/, int32_t* outCount,
                                               const uint8_t* coefs, uint8_t* state, const ExternStruct* externs,
                                               intptr_t /*unused*/) noexcept {
    *outCount = frames;
    const kernel::ModeScope mode;
    kernel::Process(in, inChannels, frames, out, coefs, state, externs);
}
