// Parameter values of the active setup to the kernel's coefficient record and LFO tables. Every
// expression keeps the order it is written in, in double precision, and a slot is rounded to
// single precision once, when it is written: an independent model reproduces the records.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "framework/Levels.h"
#include "plugin/algorithm/VelvaneParams.h"
#include "plugin/algorithm/cVelvane_ALG.h"

namespace {

constexpr int32_t kLfoTableLength = 1024;

// LFO cycles per beat of the tempo factors. The decimals are the values (0.333, not a third).
constexpr double kTempoFactors[] = {0.25, 0.333, 0.5, 0.666, 1, 1.25, 1.333, 2, 2.666, 3, 4, 5.333, 6, 8, 10.666, 16};

// The right channel reads the LFO table 512 entries (half a cycle) ahead per 180 degrees.
constexpr double kTableEntriesPerDegree = 2.8444444444444446;

float FloatFromBits(uint32_t bits) noexcept {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

struct FilterTaps {
    double c[5];  // c[0] the centre tap, c[4] the outermost
};

// A 9-tap linear-phase windowed sinc, normalised by the low-pass prototype's tap sum: unity gain
// at 0 Hz for the low-pass, at half the sample rate for the high-pass. 6.2832 and 3.1416 are
// the constants of the design, not 2 pi and pi.
FilterTaps DesignFilter(float cornerHz, int32_t sampleRate, bool highPass) noexcept {
    static const double kWindow[5] = {FloatFromBits(0x3F800000), FloatFromBits(0x3F657ABF), FloatFromBits(0x3F222896),
                                      FloatFromBits(0x3EA6CD0F), FloatFromBits(0x3DB53547)};
    double w = cornerHz * 6.2832 / sampleRate;
    if (highPass) w = 3.1416 - w;
    FilterTaps taps;
    double sum = 0;
    for (int i = 0; i < 5; ++i) {
        const double x = i * w;
        // At x = 0 (a high-pass corner at exactly half the rate) the sinc is its limit, 1.
        double c = i == 0 || x == 0 ? 1.0 : std::sin(x) / x;
        c *= kWindow[i];
        sum += i == 0 ? c : 2 * c;
        if (highPass && i % 2 == 1) c = -c;
        taps.c[i] = c;
    }
    for (double& c : taps.c) c /= sum;
    return taps;
}

void FillLfoTable(bool triangle, float* table) noexcept {
    for (int32_t i = 0; i < kLfoTableLength; ++i) {
        double v;
        if (!triangle)
            v = std::sin(i * 0.0061359375);  // 6.2832 / 1024
        else if (i < 256)
            v = i / 256.0;
        else if (i < 768)
            v = 2 - i / 256.0;
        else
            v = i / 256.0 - 4;
        table[i] = static_cast<float>(v);
    }
}

// The tables never change: each is built once, on first use.
const float* LfoTable(bool triangle) noexcept {
    using Table = std::array<float, kLfoTableLength>;
    auto build = [](bool kind) {
        Table table;
        FillLfoTable(kind, table.data());
        return table;
    };
    if (triangle) {
        static const Table kTriangle = build(true);
        return kTriangle.data();
    }
    static const Table kSine = build(false);
    return kSine.data();
}

}  // namespace

BUFFER_HEADER* cVelvane_ALG::CoefBuffer(int32_t first, int32_t count) noexcept {
    BUFFER_HEADER* buffer = NewBuffer(eBufferCoefs, 0, 0, first, count, 0);
    if (buffer) std::memcpy(buffer->Data(), GetPointerToCoef(GetActiveSetup(), first), 4 * static_cast<size_t>(count));
    return buffer;
}

BUFFER_HEADER* cVelvane_ALG::DelayGroup(bool send) {
    const sEXT_BUFF* line = GetExternalBuffer(kExternDelayLine);
    if (!line) return nullptr;
    const EPluginSetup s = GetActiveSetup();
    const int32_t sampleRate = GetSampleRate();
    const int32_t n = line->size;
    const int32_t m = 2 * n / 3;  // the modulated delay's limit; the dry copies lie beyond it

    double delay = GetParam(PARAM_DELAY);
    double depth = GetParam(PARAM_DEPTH);
    const bool tape = GetParam(PARAM_TAPE_DELAY) != 0;
    const double phase = GetParam(PARAM_LR_PHASE);
    savedDepth_[s] = depth;

    if (tape) {
        delay = delay * depth;
        depth = 1;
    } else {
        depth = depth * 0.95;
    }
    int32_t d = static_cast<int32_t>(sampleRate * delay / 1000);
    if (tape && d > m / 2) {
        // The dry tap sits the centre delay behind the dry copies: the depth gives way.
        d = m / 2;
        SetParamValue(PARAM_DEPTH, static_cast<double>(m / 2) / (sampleRate * GetParam(PARAM_DELAY) / 1000));
        SetRefresh(PARAM_DEPTH, eRefreshChanged);
        depth = 1;
    } else if (d * (1 + depth) > m) {
        depth = static_cast<double>(m) / d - 1;
        SetParamValue(PARAM_DEPTH, depth);
        SetRefresh(PARAM_DEPTH, eRefreshChanged);
    }
    d = std::max(d, 1);
    if (GetNumOutputs() > 1) {
        SetCoef(COEF_LFO_PHASE_OFFSET_R, static_cast<int32_t>(phase * kTableEntriesPerDegree));
        SetCoef(COEF_DELAY_CENTER_R, d);
    }
    // The shortest delay stays at least one frame.
    depth = std::min(depth, 1 - 1.0 / d);
    SetCoef(COEF_DELAY_CENTER, d);
    SetCoef(COEF_DELAY_MASK, n - 1);
    SetCoef(COEF_DEPTH, depth);
    SetCoef(COEF_DRY_WRITE_OFFSET, m);
    SetCoef(COEF_DRY_READ_OFFSET, tape ? m + d : m);

    if (!Sends(send)) return nullptr;
    BUFFER_HEADER* chain = CoefBuffer(COEF_DELAY_CENTER, 4);
    if (GetNumOutputs() > 1) chain = ChainBufs(chain, CoefBuffer(COEF_LFO_PHASE_OFFSET_R, 2));
    return ChainBufs(chain, CoefBuffer(COEF_DRY_WRITE_OFFSET, 2));
}

BUFFER_HEADER* cVelvane_ALG::LfoRateGroup(bool send) {
    const EPluginSetup s = GetActiveSetup();
    double rate = GetParam(PARAM_RATE);
    if (tempo_ != 0 && GetParam(PARAM_SYNC_ON_OFF) != 0) rate = tempo_ / 60 * rate;  // cycles per beat
    savedRate_[s] = GetParam(PARAM_RATE);
    double step = rate * kLfoTableLength / GetSampleRate();
    if (GetParam(PARAM_RATE) < 0.01 || GetParam(PARAM_PAUSE) == 1) step = 0;
    // The kernel advances the phase by at most one table entry a frame: fast synchronised rates
    // (and high rates at low sample rates) are held there rather than breaking the phase.
    step = std::min(step, 1.0);
    SetCoef(COEF_LFO_INDEX_MASK, kLfoTableLength - 1);
    SetCoef(COEF_LFO_HALF_STEP, step / 2);

    // The LFO keeps its speed under bypass.
    if (!send || !IsProcessActive()) return nullptr;
    uint8_t* bypass = GetPointerToBypassCoef(s, COEF_LFO_INDEX_MASK);
    if (IsBypassed() && bypass) std::memcpy(bypass, GetPointerToCoef(s, COEF_LFO_INDEX_MASK), 2 * 4);
    return CoefBuffer(COEF_LFO_INDEX_MASK, 2);
}

BUFFER_HEADER* cVelvane_ALG::LfoTableGroup(bool send) {
    const sEXT_BUFF* tables = GetExternalBuffer(kExternLfoTables);
    if (!tables || tables->address == -1) return nullptr;
    // One table per setup: A in the first half of the buffer, B in the second.
    const int32_t half = tables->size / 2;
    const int32_t first = half * GetActiveSetup();
    SetCoef(COEF_LFO_TABLE_OFFSET, first);
    BUFFER_HEADER* chain =
        NewBuffer(eBufferExternal, kExternLfoTables, 0, tables->address + first, half, tables->memSpace);
    if (chain)
        std::memcpy(chain->Data(), LfoTable(GetParam(PARAM_WAVE_FORM) == 1),
                    4 * static_cast<size_t>(std::min(half, kLfoTableLength)));
    if (Sends(send)) chain = ChainBufs(chain, CoefBuffer(COEF_LFO_TABLE_OFFSET, 1));
    return chain;
}

BUFFER_HEADER* cVelvane_ALG::DryGainGroup(bool send) {
    // Quartered: the kernel multiplies by 4.
    SetCoef(COEF_DRY_GAIN, std::sqrt(1 - GetParam(PARAM_MIX)) * DBToAmplitude(GetParam(PARAM_IN_GAIN)) / 4);
    return Sends(send) ? CoefBuffer(COEF_DRY_GAIN, 1) : nullptr;
}

BUFFER_HEADER* cVelvane_ALG::FeedbackGroup(bool send) {
    double f = std::min(GetParam(PARAM_FEEDBACK), 0.999);
    if (GetParam(PARAM_INV_FEEDBACK) == 1) f = -f;
    SetCoef(COEF_FEEDBACK, f);
    return Sends(send) ? CoefBuffer(COEF_FEEDBACK, 1) : nullptr;
}

BUFFER_HEADER* cVelvane_ALG::WetGroup(bool send) {
    const int mode = GetParam(PARAM_FILTER_ON_OFF) == 1 ? static_cast<int>(GetParam(PARAM_FILTER_TYPE)) + 1 : 0;
    double g = DBToAmplitude(GetParam(PARAM_IN_GAIN)) / 4 * std::sqrt(GetParam(PARAM_MIX)) *
               (GetParam(PARAM_INV_PHASE) == 1 ? -1 : 1);
    // Short delays with strong feedback would ring louder than the dry signal.
    g = g * (1 - 0.5 * std::pow(GetParam(PARAM_FEEDBACK), GetParam(PARAM_DELAY) / 0.05));
    if (mode == 0) {
        // A zero outer tap switches the kernel's filter off.
        for (int32_t slot = COEF_WET_TAP_0_8; slot <= COEF_WET_TAP_3_5; ++slot) SetCoef(slot, 0.0);
        SetCoef(COEF_WET_TAP_4, g);
    } else {
        const float cornerHz = static_cast<float>(GetParam(PARAM_FILTER_FREQ) * 1000);
        const FilterTaps taps = DesignFilter(cornerHz, GetSampleRate(), mode != 1);
        SetCoef(COEF_WET_TAP_0_8, g * taps.c[4]);
        SetCoef(COEF_WET_TAP_1_7, g * taps.c[3]);
        SetCoef(COEF_WET_TAP_2_6, g * taps.c[2]);
        SetCoef(COEF_WET_TAP_3_5, g * taps.c[1]);
        SetCoef(COEF_WET_TAP_4, g * taps.c[0]);
    }
    return Sends(send) ? CoefBuffer(COEF_WET_TAP_0_8, 5) : nullptr;
}

void cVelvane_ALG::SetBypassCoefsSelf() {
    const EPluginSetup s = GetActiveSetup();
    uint8_t* bypass = GetPointerToBypassCoef(s, 0);
    if (!bypass) return;
    std::memcpy(bypass, GetPointerToCoef(s, 0), 4 * static_cast<size_t>(GetCoefsNum()));
    // The dry path at unity gain and no wet signal; the LFO and the delay line keep running.
    WriteReal(GetPointerToBypassCoef(s, COEF_DRY_GAIN), 0.25);
    for (int32_t slot = COEF_WET_TAP_0_8; slot <= COEF_WET_TAP_4; ++slot) WriteReal(GetPointerToBypassCoef(s, slot), 0);
}

BUFFER_HEADER* cVelvane_ALG::Link(int16_t changed, int16_t moved, double movedMax) {
    const EPluginSetup s = GetActiveSetup();
    double* savedChanged = changed == PARAM_DEPTH ? savedDepth_ : savedRate_;
    double* savedMoved = moved == PARAM_DEPTH ? savedDepth_ : savedRate_;
    double value = GetParam(changed);
    if (value == 0) {
        value = 0.01;
        SetParamValue(changed, value);
    }
    double other = savedChanged[s] / value * savedMoved[s];
    if (other > movedMax) {
        value = value * other / movedMax;
        other = movedMax;
        SetParamValue(changed, value);
    } else if (other < 0.01) {
        value = value * other * 100;
        other = 0.01;
        SetParamValue(changed, value);
    }
    savedMoved[s] = other;
    SetParamValue(moved, other);
    SetRefresh(moved, eRefreshChanged);
    return moved == PARAM_RATE ? LfoRateGroup(true) : DelayGroup(true);
}

BUFFER_HEADER* cVelvane_ALG::ApplyTempoFactor() {
    const int32_t n = std::clamp(static_cast<int32_t>(GetParam(PARAM_xFACTOR)), 0, 15);
    // The rate parameter keeps this exact value (its real-world resolution flag).
    SetParamValue(PARAM_RATE, kTempoFactors[n]);
    SetRefresh(PARAM_RATE, eRefreshChanged);
    return LfoRateGroup(true);
}

void cVelvane_ALG::SetTempoSelf(double bpm) {
    tempo_ = bpm;
    if (bpm == 0) return;
    // A chain comes only while the process side is active; the host's callback sends it, then
    // frees it.
    BUFFER_HEADER* chain = LfoRateGroup(true);
    if (!chain) return;
    CallExecCallBack(kExecSendBuffers, reinterpret_cast<uint8_t*>(chain), nullptr, nullptr);
    CallExecCallBack(kExecFreeBuffers, reinterpret_cast<uint8_t*>(chain), nullptr, nullptr);
}

void cVelvane_ALG::ClearMeters() {
    for (int channel = 0; channel < 2; ++channel) meterLevel_[channel] = meterRelease_[channel] = 0;
    for (const int16_t vu : {PARAM_VU_L, PARAM_VU_R})
        if (sCONTROL_PARAM* p = GetControlParam(vu)) p->SetRealWorld(GetActiveSetup(), -144);
}

void cVelvane_ALG::ResetMeters() {
    ClearMeters();
    SetParamValue(PARAM_CLIP_L, 0);
    SetParamValue(PARAM_CLIP_R, 0);
    for (const int16_t index : {PARAM_CLIP_L, PARAM_CLIP_R, PARAM_VU_L, PARAM_VU_R}) SetRefresh(index, eRefreshChanged);
}

BUFFER_HEADER* cVelvane_ALG::UpdateParamCoefsSelf(int16_t index, int32_t) {
    if (index < 0 || index >= PARAM_RATE_CAPTION || index == PARAM_DUMMY || index == PARAM_OSCILATOR_VU) return nullptr;
    SetRefresh(index, eRefreshChanged);
    const bool linked = GetParam(PARAM_LINK_DEPTH) != 0;
    // The link first: it moves the other parameter and reads the values the groups saved last.
    switch (index) {
        case PARAM_DEPTH: {
            BUFFER_HEADER* link = linked ? Link(PARAM_DEPTH, PARAM_RATE, 20) : nullptr;
            return ChainBufs(link, DelayGroup(true));
        }
        case PARAM_RATE: {
            BUFFER_HEADER* link = linked ? Link(PARAM_RATE, PARAM_DEPTH, 1) : nullptr;
            return ChainBufs(link, LfoRateGroup(true));
        }
        case PARAM_WAVE_FORM:
            return LfoTableGroup(true);
        case PARAM_DELAY:
        case PARAM_LR_PHASE:
        case PARAM_TAPE_DELAY:
            return DelayGroup(true);
        case PARAM_FEEDBACK:
        case PARAM_INV_FEEDBACK: {
            BUFFER_HEADER* wet = WetGroup(true);
            return ChainBufs(FeedbackGroup(true), wet);
        }
        case PARAM_MIX:
        case PARAM_INV_PHASE:
        case PARAM_IN_GAIN: {
            BUFFER_HEADER* dry = DryGainGroup(true);
            return ChainBufs(dry, WetGroup(true));
        }
        case PARAM_FILTER_FREQ:
        case PARAM_FILTER_TYPE:
        case PARAM_FILTER_ON_OFF:
            return WetGroup(true);
        case PARAM_VU_L:
        case PARAM_VU_R:
        case PARAM_CLIP_R:
        case PARAM_CLIP_L:
            ResetMeters();
            return nullptr;
        case PARAM_PAUSE:
            return LfoRateGroup(true);
        case PARAM_SYNC_ON_OFF: {
            SetParamValue(PARAM_RATE_CAPTION, GetParam(PARAM_SYNC_ON_OFF) != 0 ? 1 : 0);
            BUFFER_HEADER* chain = LfoRateGroup(true);
            SetRefresh(PARAM_RATE, eRefreshChanged);
            SetRefresh(PARAM_RATE_CAPTION, eRefreshChanged);
            return chain;
        }
        case PARAM_xFACTOR:
            return ApplyTempoFactor();
        default:  // the link switch: the mark only
            return nullptr;
    }
}

BUFFER_HEADER* cVelvane_ALG::UpdateAllCoefsSelf() {
    DelayGroup(false);
    DryGainGroup(false);
    FeedbackGroup(false);
    LfoRateGroup(false);
    BUFFER_HEADER* table = LfoTableGroup(false);
    WetGroup(false);
    SetBypassCoefsSelf();

    SetRefresh(PARAM_CLIP_L, eRefreshRedraw);
    SetRefresh(PARAM_CLIP_R, eRefreshRedraw);
    ClearMeters();

    return ChainBufs(RecordBuffer(IsBypassed()), table);
}
