#include "plugin/algorithm/cVelvane_ALG.h"

#include <cmath>
#include <iterator>

#include "framework/FourCC.h"
#include "framework/TextNumbers.h"
#include "plugin/algorithm/VelvaneDisplay.h"
#include "plugin/algorithm/VelvaneParams.h"

namespace {

struct sBitmapSequence {
    uint16_t firstID;
    int32_t frames;
};

// Bitmap resources, one per frame, numbered upward from the first.
constexpr sBitmapSequence kSequences[] = {
    {205, 2},   // inversions, filter on, tape
    {144, 2},   // wave form
    {202, 2},   // filter type
    {213, 2},   // depth/rate link
    {161, 2},   // clip lights
    {165, 20},  // stereo phase
    {216, 2},   // LFO pause
    {229, 2},   // tempo sync
    {231, 2},   // rate caption
};

}  // namespace

cVelvane_ALG::cVelvane_ALG(const NordeComponentInfo& info) : cALGORITHM(info) {
    static_assert(std::size(kSequences) == kSequenceCount);
    iconGroupID_ = 280;
    displayNameID_ = 30000;
    tempoListener_ = true;

    const uint32_t type = GetComponentType();
    if (type == FourCC("FLNM")) {
        numInputs_ = 1;
        numOutputs_ = 1;
        editorDialogID_ = 102;
        processName_ = "VelvaneProcMono";
    } else {
        numInputs_ = type == FourCC("FLNX") ? 1 : 2;
        numOutputs_ = 2;
        meterSlot_[1] = STATE_PEAK_R;
        editorDialogID_ = 101;
        processName_ = "VelvaneProc";
        channelMode_ = type == FourCC("FLNX") ? ChannelMode::MonoToStereo : ChannelMode::SameAsInput;
    }
    processFunc_ = GetDLLLoader().GetProcessFunc(processName_.c_str());

    algName_ = "Velvane";
    plugInName_ = "Velvane";

    const HMODULE module = GetPlugInInstance();
    for (size_t i = 0; i < pictures_.size(); ++i) {
        pictures_[i].assign(static_cast<size_t>(kSequences[i].frames), nullptr);
        LoadBitmapSequence(module, kSequences[i].firstID, kSequences[i].frames, pictures_[i].data());
    }

    genericType_ = FourCC("FLNG");
}

cVelvane_ALG::~cVelvane_ALG() {
    for (auto& sequence : pictures_)
        for (CIcon*& frame : sequence) SafeDisposeCIcon(frame);
}

int32_t cVelvane_ALG::FillInitialStatesSelf(uint8_t* states) {
    const int32_t count = GetStatesNum();
    for (int32_t slot = 0; slot < count; ++slot) WriteInteger(states + 4 * slot, 0);

    // The writers skip a null word: a slot beyond the record.
    auto word = [&](int32_t slot) { return slot < count ? states + 4 * slot : nullptr; };
    auto baseAddress = [this](int32_t buffer) {
        const sEXT_BUFF* external = GetExternalBuffer(buffer);
        return external ? external->address : 0;
    };
    // A native process side reports base address 0 for both buffers: the record is all zero.
    WriteInteger(word(STATE_LFO_FRACTION), baseAddress(kExternLfoTables));
    WriteInteger(word(STATE_WRITE_INDEX), baseAddress(kExternDelayLine));
    return 1;
}

BUFFER_HEADER* cVelvane_ALG::InitStatesSelf() {
    SetRefresh(PARAM_VU_L, eRefreshRedraw);
    SetRefresh(PARAM_VU_R, eRefreshRedraw);
    SetParamValue(PARAM_CLIP_R, 0);
    SetParamValue(PARAM_CLIP_L, 0);
    SetRefresh(PARAM_OSCILATOR_VU, eRefreshRedraw);
    for (const EPluginSetup setup : {eSetupA, eSetupB}) {
        const sCONTROL_PARAM* depth = GetControlParam(PARAM_DEPTH);
        const sCONTROL_PARAM* rate = GetControlParam(PARAM_RATE);
        savedDepth_[setup] = depth ? depth->GetRealWorld(setup) : 0;
        savedRate_[setup] = rate ? rate->GetRealWorld(setup) : 0;
    }

    const sEXT_BUFF* delay = GetExternalBuffer(kExternDelayLine);
    if (!delay || delay->address == -1) return nullptr;
    BUFFER_HEADER* states = NewBuffer(eBufferStates, 0, 0, 0, GetStatesNum(), 0);
    if (!states) return nullptr;
    FillInitialStatesSelf(states->Data());

    BUFFER_HEADER* chain = states;
    auto clear = [&](int32_t kind) {
        BUFFER_HEADER* line = NewBuffer(kind, kExternDelayLine, 0, delay->address, delay->size, delay->memSpace);
        if (line) chain = ChainBufs(chain, line);
    };
    clear(eBufferExternal);
    // A DSP target keeps the stereo delay line in a second bank as well.
    if (GetNumOutputs() > 1 && !IsNative()) clear(eBufferExternalDSP);
    return chain;
}

void cVelvane_ALG::AdjustProcessCodeDescriptionsSelf() {
    const int32_t rate = GetSampleRate();
    if (IsNative() || rate <= 48000) return;
    sPROCESS_CODE_DESCRIPTION& description = GetProcessCodeDescription();
    if (description.externals.empty()) return;
    // A DSP delay line of 4096 words at 44.1 kHz, grown in proportion to the rate.
    description.externals.front().size = static_cast<int32_t>(std::floor(rate * 4096.0 / 44100.0 + 0.5));
}

int32_t cVelvane_ALG::PrepareDisplayFunctionsMapSelf(DisplayFunctionMap& map) {
    map["DisplayFilterType"] = DisplayFilterType;
    map["DisplayFreq"] = DisplayFreq;
    map["DisplayRate"] = DisplayRate;
    map["DisplayWaveType"] = DisplayWaveType;
    map["Display_0_to_100"] = Display_0_to_100;
    return 0;
}

int32_t cVelvane_ALG::StateFromText(int16_t index, const char* text) {
    if (index != PARAM_DEPTH && index != PARAM_FEEDBACK && index != PARAM_MIX && index != PARAM_RATE)
        return cALGORITHM::StateFromText(index, text);
    const sCONTROL_PARAM* p = GetControlParam(index);
    if (!p || !text) return -1;
    // A text without a leading number reads as 0; the sign is ignored.
    double value = std::fabs(ParseLeadingDouble(text).value_or(0.0));
    if (index == PARAM_RATE)
        value = value < 0.01 ? 0.005 : value;
    else
        value *= 0.01;  // a percentage
    return TypedState(*p, value);
}

void cVelvane_ALG::SetCoef(int32_t slot, double value) noexcept {
    WriteReal(GetPointerToCoef(GetActiveSetup(), slot), value);
}

void cVelvane_ALG::SetCoef(int32_t slot, int32_t value) noexcept {
    WriteInteger(GetPointerToCoef(GetActiveSetup(), slot), value);
}

void cVelvane_ALG::SetParamValue(int16_t index, double value) noexcept {
    if (sCONTROL_PARAM* p = GetControlParam(index)) {
        p->SetRealWorld(GetActiveSetup(), value);
        p->UpdateStateFromRealWorld(GetActiveSetup());
    }
}

void cVelvane_ALG::SetRefresh(int16_t index, ERefreshMark mark) noexcept {
    if (sCONTROL_PARAM* p = GetControlParam(index)) p->refreshMark = mark;
}
