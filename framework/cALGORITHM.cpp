#include "framework/cALGORITHM.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <utility>

#include "framework/FourCC.h"
#include "framework/TextNumbers.h"
#include "platform/ascii.h"
#include "platform/resources.h"

namespace {

bool IsSetup(int32_t setup) noexcept { return setup == eSetupA || setup == eSetupB; }

std::unique_ptr<nrXML> ReadResource(HMODULE module, const char* kind, uint16_t id, int16_t& status) {
    const auto bytes = platform::FindResourceBytes(module, kind, id);
    if (bytes.empty()) {
        status = eNoResource;
        return nullptr;
    }
    auto tree = nrXML::Parse({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
    status = tree ? eNoErr : eMalformed;
    return tree;
}

std::optional<double> FiniteNumber(const nrXML* element) noexcept {
    return element ? ParseFiniteDouble(element->GetValue()) : std::nullopt;
}

// One row of the parameter table; nullopt when it does not read.
std::optional<sCONTROL_PARAM> ReadParameter(const nrXML& row, const DisplayFunctionMap& display) {
    sCONTROL_PARAM p;
    const char* name = row.GetAttrib("Name");
    const nrXML* scale = row.GetChild("Scale");
    const nrXML* initial = row.GetChild("InitialValue");
    const nrXML* label = row.GetChild("Label");
    if (row.GetName() != "Parameter" || !name || !scale || !initial || !label) return std::nullopt;
    p.name = name;
    p.label = label->GetValue();
    if (const nrXML* units = row.GetChild("Units")) p.units = units->GetValue();

    const auto minimum = FiniteNumber(scale->GetChild("Minimum"));
    const auto maximum = FiniteNumber(scale->GetChild("Maximum"));
    const auto resolution = FiniteNumber(scale->GetChild("Resolution"));
    const nrXML* type = scale->GetChild("ScaleType");
    if (!minimum || !maximum || !resolution || !type || *minimum == *maximum || *resolution <= 0) return std::nullopt;
    p.minimum = *minimum;
    p.maximum = *maximum;
    p.resolution = *resolution;
    const std::string_view typeName = TrimBlanks(type->GetValue());
    if (typeName == "Linear") {
        p.scaleType = eScaleLinear;
    } else if (typeName == "Logarithmic") {
        if (p.minimum <= 0 || p.maximum <= 0) return std::nullopt;
        p.scaleType = eScaleLogarithmic;
    } else if (typeName == "Toggle") {
        // A toggle has `resolution` states.
        if (p.resolution != std::floor(p.resolution) || p.resolution < 2 || p.resolution > 65536) return std::nullopt;
        p.scaleType = eScaleToggle;
    } else {
        return std::nullopt;
    }

    if (const nrXML* flags = row.GetChild("Flags")) {
        for (const nrXML& flag : flags->GetChildren()) {
            const std::string& f = flag.GetName();
            if (f == "RealWorldResolution")
                p.flags |= eFlagRealWorldResolution;
            else if (f == "NotSavable")
                p.flags |= eFlagNotSavable;
            else if (f == "AlwaysUpdate")
                p.flags |= eFlagAlwaysUpdate;
            else
                return std::nullopt;
        }
    }

    const char* initialType = initial->GetAttrib("Type");
    const auto initialState = ParseInt32(initial->GetValue());
    if (!initialType || std::string_view(initialType) != "state" || !initialState) return std::nullopt;
    p.initialState = p.NormalizeState(*initialState);

    p.resetIsState = true;
    p.resetValue = p.initialState;
    if (const nrXML* reset = row.GetChild("ResetValue")) {
        const char* resetType = reset->GetAttrib("Type");
        const std::string_view kind = resetType ? resetType : "";
        if (kind == "RealWorld") {
            const auto value = FiniteNumber(reset);
            if (!value) return std::nullopt;
            p.resetIsState = false;
            p.resetValue = *value;
        } else if (kind == "state") {
            const auto value = ParseInt32(reset->GetValue());
            if (!value) return std::nullopt;
            p.resetValue = *value;
        } else {
            return std::nullopt;
        }
    }

    if (const nrXML* function = row.GetChild("DisplayFunction")) {
        const auto found = display.find(TrimBlanks(function->GetValue()));
        if (found == display.end()) return std::nullopt;
        p.display = found->second;
    }

    for (const nrXML& child : row.GetChildren()) {
        static constexpr std::string_view kKnown[] = {"Scale", "Flags", "ResetValue",     "InitialValue",
                                                      "Label", "Units", "DisplayFunction"};
        if (std::find(std::begin(kKnown), std::end(kKnown), child.GetName()) == std::end(kKnown)) return std::nullopt;
    }
    for (const EPluginSetup setup : {eSetupA, eSetupB}) {
        p.SetState(setup, p.initialState);
        p.SetRealWorld(setup, p.StateToRealWorld(p.initialState));
    }
    return p;
}

}  // namespace

cALGORITHM::cALGORITHM(const NordeComponentInfo& info)
    : info_(info), loader_(info.module), exec_(DefaultExec), execUser_(reinterpret_cast<intptr_t>(this)) {}

cALGORITHM::~cALGORITHM() = default;

int16_t cALGORITHM::FinishCreate() noexcept {
    try {
        int16_t status = eNoErr;
        const auto parameters = ReadResource(info_.module, "XPRM", 1000, status);
        if (!parameters) return status;
        const auto definitions = ReadResource(info_.module, "XCLI", 1001, status);
        if (!definitions) return status;
        const auto presets = ReadResource(info_.module, "XPST", 1000, status);
        if (!presets) return status;
        auto flags = ReadResource(info_.module, "XDAE", 1000, status);
        if (!flags) return status;

        DisplayFunctionMap display;
        AddFrameworkDisplayFunctions(display);
        PrepareDisplayFunctionsMapSelf(display);
        if (const int16_t read = ReadParameters(*parameters, display); read != eNoErr) return read;

        auto description = ReadProcessCodeDescription(*definitions, info_.componentType, info_.processCode);
        if (!description || description->coefs <= 0 || description->states < 0) return eMalformed;
        description_ = std::move(*description);
        AdjustProcessCodeDescriptionsSelf();
        externals_ = description_.externals;
        for (const EPluginSetup setup : {eSetupA, eSetupB}) {
            coefs_[setup].assign(static_cast<size_t>(description_.coefs), 0);
            bypassCoefs_[setup].assign(static_cast<size_t>(description_.coefs), 0);
        }

        if (!presets_.ReadFactoryPresets(*presets, genericType_, info_.componentType)) return eMalformed;
        daeFlags_ = std::move(flags);
        created_ = true;
        return eNoErr;
    } catch (const std::bad_alloc&) {
        return eNoMemory;
    } catch (...) {
        return eMalformed;
    }
}

int16_t cALGORITHM::ReadParameters(const nrXML& root, const DisplayFunctionMap& display) {
    const char* version = root.GetAttrib("version");
    if (root.GetName() != "Parameter_List" || !version || std::string_view(version) != "1") return eMalformed;
    std::vector<sCONTROL_PARAM> params;
    for (const nrXML& row : root.GetChildren()) {
        auto param = ReadParameter(row, display);
        if (!param) return eMalformed;
        params.push_back(std::move(*param));
    }
    // Parameter indices are 16-bit.
    if (params.empty() || params.size() > 32767) return eMalformed;
    params_ = std::move(params);
    return eNoErr;
}

sCONTROL_PARAM* cALGORITHM::GetControlParam(int16_t index) noexcept {
    return index >= 0 && index < GetNumParams() ? &params_[static_cast<size_t>(index)] : nullptr;
}

const sCONTROL_PARAM* cALGORITHM::GetControlParam(int16_t index) const noexcept {
    return index >= 0 && index < GetNumParams() ? &params_[static_cast<size_t>(index)] : nullptr;
}

double cALGORITHM::GetParam(int16_t index) const noexcept {
    const sCONTROL_PARAM* p = GetControlParam(index);
    return p ? p->GetRealWorld(activeSetup_) : 0;
}

int32_t cALGORITHM::GetParamState(int16_t index) const noexcept {
    const sCONTROL_PARAM* p = GetControlParam(index);
    return p ? p->GetState(activeSetup_) : 0;
}

int32_t cALGORITHM::GetParamNumStates(int16_t index) const noexcept {
    const sCONTROL_PARAM* p = GetControlParam(index);
    return p ? p->GetNumStates() : 0;
}

EScaleType cALGORITHM::GetParamScaleType(int16_t index) const noexcept {
    const sCONTROL_PARAM* p = GetControlParam(index);
    return p ? p->scaleType : eScaleLinear;
}

BUFFER_HEADER* cALGORITHM::UpdateParam(int16_t index, int32_t state) {
    sCONTROL_PARAM* p = GetControlParam(index);
    if (!p) return nullptr;
    const int32_t stored = p->NormalizeState(state);
    if (stored == p->GetState(activeSetup_) && !p->HasFlag(eFlagAlwaysUpdate)) return nullptr;
    p->SetState(activeSetup_, stored);
    p->UpdateRealWorldFromState(activeSetup_);
    Notify(index);
    return UpdateParamCoefsSelf(index, stored);
}

void cALGORITHM::Notify(int16_t index) {
    const sCONTROL_PARAM* p = GetControlParam(index);
    if (shell_ && p && !p->HasFlag(eFlagNotSavable)) shell_->NotifyParamChange(index, p->GetState(activeSetup_));
}

void cALGORITHM::TranslateParam(int16_t index, int32_t state, std::string& text) const {
    const sCONTROL_PARAM* p = GetControlParam(index);
    if (p && p->display)
        p->display(state, p->StateToRealWorld(state), text);
    else
        text.clear();
}

int32_t cALGORITHM::StateFromText(int16_t index, const char* text) {
    const sCONTROL_PARAM* p = GetControlParam(index);
    if (!p || !text) return -1;
    const std::string_view typed = TrimBlanks(text);
    if (p->scaleType != eScaleToggle) {
        const auto value = ParseLeadingDouble(typed);
        return value && std::isfinite(*value) ? TypedState(*p, *value) : -1;
    }
    std::string shown;
    for (int32_t state = 0; state < p->GetNumStates(); ++state) {
        TranslateParam(index, state, shown);
        if (!shown.empty() && platform::SameIgnoringAsciiCase(shown, typed)) return state;
    }
    const auto number = ParseInt32(typed);
    return number && *number >= 0 && *number < p->GetNumStates() ? *number : -1;
}

int32_t cALGORITHM::TypedState(const sCONTROL_PARAM& p, double value) noexcept {
    const int32_t state = p.RealWorldToState(value);
    return state >= 0 && state <= 1000 ? state : -1;
}

void cALGORITHM::MarkAllChanged() noexcept {
    for (sCONTROL_PARAM& p : params_) p.refreshMark = eRefreshChanged;
}

void cALGORITHM::ToggleActiveSetup(int32_t setup) {
    const EPluginSetup next = setup == -1      ? (activeSetup_ == eSetupA ? eSetupB : eSetupA)
                              : IsSetup(setup) ? static_cast<EPluginSetup>(setup)
                                               : activeSetup_;
    if (next == activeSetup_) return;
    activeSetup_ = next;
    MarkAllChanged();
    UpdateDSPCoefs(true);
}

void cALGORITHM::CopySetup(EPluginSetup from, EPluginSetup to) {
    if (!IsSetup(from) || !IsSetup(to) || from == to) return;
    for (size_t i = 0; i < params_.size(); ++i) {
        params_[i].SetState(to, params_[i].GetState(from));
        params_[i].SetRealWorld(to, params_[i].GetRealWorld(from));
        Notify(static_cast<int16_t>(i));
    }
    if (to != activeSetup_) return;
    MarkAllChanged();
    UpdateDSPCoefs(true);
}

uint8_t* cALGORITHM::GetPointerToCoef(EPluginSetup setup, int32_t slot) noexcept {
    if (!IsSetup(setup) || slot < 0 || slot >= static_cast<int32_t>(coefs_[setup].size())) return nullptr;
    return reinterpret_cast<uint8_t*>(&coefs_[setup][static_cast<size_t>(slot)]);
}

uint8_t* cALGORITHM::GetPointerToBypassCoef(EPluginSetup setup, int32_t slot) noexcept {
    if (!IsSetup(setup) || slot < 0 || slot >= static_cast<int32_t>(bypassCoefs_[setup].size())) return nullptr;
    return reinterpret_cast<uint8_t*>(&bypassCoefs_[setup][static_cast<size_t>(slot)]);
}

const sEXT_BUFF* cALGORITHM::GetExternalBuffer(int32_t index) const noexcept {
    return index >= 0 && index < GetExternalBuffersNum() ? &externals_[static_cast<size_t>(index)] : nullptr;
}

int32_t cALGORITHM::WriteReal(uint8_t* word, double value) noexcept {
    if (!word) return 0;
    const float single = static_cast<float>(value);
    std::memcpy(word, &single, sizeof single);
    return sizeof single;
}

int32_t cALGORITHM::WriteInteger(uint8_t* word, int32_t value) noexcept {
    if (!word) return 0;
    std::memcpy(word, &value, sizeof value);
    return sizeof value;
}

BUFFER_HEADER* cALGORITHM::NewBuffer(int32_t kind, int32_t id, int32_t /*flag*/, int32_t address, int32_t count,
                                     uint32_t memSpace) noexcept {
    int64_t first = address;
    int64_t words = 0;
    int64_t wordsPerEntry = 1;
    switch (kind) {
        case eBufferStates:
            words = description_.states;
            break;
        case eBufferCoefs:
            words = description_.coefs;
            break;
        case eBufferExternal:
        case eBufferExternalDSP: {
            const sEXT_BUFF* external = GetExternalBuffer(id);
            if (!external || external->address < 0 || external->memSpace != memSpace) return nullptr;
            first -= external->address;
            words = external->size;
            wordsPerEntry = external->WordsPerEntry();
            break;
        }
        default:
            return nullptr;
    }
    if (count <= 0 || first < 0 || first + count > words) return nullptr;
    try {
        auto buffer = std::make_unique<BUFFER_HEADER>();
        buffer->kind = kind;
        buffer->id = id;
        buffer->address = address;
        buffer->count = count;
        buffer->memSpace = memSpace;
        buffer->words.assign(static_cast<size_t>(count * wordsPerEntry), 0);
        return buffer.release();
    } catch (...) {
        return nullptr;
    }
}

BUFFER_HEADER* cALGORITHM::ChainBufs(BUFFER_HEADER* first, BUFFER_HEADER* second) noexcept {
    if (!first) return second;
    BUFFER_HEADER* last = first;
    while (last->next) last = last->next;
    last->next = second;
    return first;
}

void cALGORITHM::SendBuffers(BUFFER_HEADER* chain) noexcept {
    if (!shell_ || !chain) return;
    CAutoLock hold(shell_->GetCritSecObj());
    for (const BUFFER_HEADER* b = chain; b; b = b->next) {
        std::vector<uint32_t>* target = nullptr;
        int64_t first = b->address;
        if (b->kind == eBufferStates) {
            target = &shell_->states_;
        } else if (b->kind == eBufferCoefs) {
            target = &shell_->coefs_;
        } else if ((b->kind == eBufferExternal || b->kind == eBufferExternalDSP) && b->id >= 0 &&
                   static_cast<size_t>(b->id) < shell_->externals_.size() && b->id < GetExternalBuffersNum() &&
                   externals_[static_cast<size_t>(b->id)].memSpace == b->memSpace) {
            const sEXT_BUFF& external = externals_[static_cast<size_t>(b->id)];
            target = &shell_->externals_[static_cast<size_t>(b->id)];
            first = (first - external.address) * external.WordsPerEntry();
        }
        // A buffer made for another layout (the process side was laid out again) is dropped.
        if (!target || first < 0 ||
            first + static_cast<int64_t>(b->words.size()) > static_cast<int64_t>(target->size()))
            continue;
        std::copy(b->words.begin(), b->words.end(), target->begin() + first);
    }
}

void cALGORITHM::FreeBuffers(BUFFER_HEADER* chain) noexcept {
    while (chain) delete std::exchange(chain, chain->next);
}

int16_t cALGORITHM::InitProcessCode(cNspShell* shell) noexcept {
    if (!shell) return eBadArgument;
    if (!created_) return eNotReady;
    try {
        std::vector<sEXT_BUFF> placed = description_.externals;
        // Natively every buffer is its own block, addressed from 0.
        for (sEXT_BUFF& e : placed) e.address = 0;
        shell->Layout(description_.coefs, description_.states, placed);
        externals_ = std::move(placed);
    } catch (...) {
        return eNoMemory;
    }
    CAutoLock hold(shell->GetCritSecObj());
    shell->SetProcess(processFunc_);
    shell_ = shell;
    return eNoErr;
}

BUFFER_HEADER* cALGORITHM::RecordBuffer(bool bypass) {
    BUFFER_HEADER* buffer = NewBuffer(eBufferCoefs, 0, 0, 0, description_.coefs, 0);
    if (buffer) {
        const auto& record = bypass ? bypassCoefs_[activeSetup_] : coefs_[activeSetup_];
        std::copy(record.begin(), record.end(), buffer->words.begin());
    }
    return buffer;
}

int16_t cALGORITHM::Deliver(BUFFER_HEADER* made, BUFFER_HEADER** chain) {
    if (chain) {
        *chain = made;
    } else {
        SendBuffers(made);
        FreeBuffers(made);
    }
    return eNoErr;
}

int16_t cALGORITHM::UpdateDSPCoefs(bool all, BUFFER_HEADER** chain) {
    if (chain) *chain = nullptr;
    if (!created_) return eNotReady;
    return Deliver(all ? UpdateAllCoefsSelf() : RecordBuffer(bypassed_), chain);
}

int16_t cALGORITHM::InitAlg(bool reset, BUFFER_HEADER** chain) {
    if (chain) *chain = nullptr;
    if (!created_) return eNotReady;
    BUFFER_HEADER* made = reset ? InitStatesSelf() : nullptr;
    return Deliver(ChainBufs(made, UpdateAllCoefsSelf()), chain);
}

void cALGORITHM::SetBypass(int16_t bypass) {
    bypassed_ = bypass != 0;
    if (!created_) return;
    if (bypassed_) SetBypassCoefsSelf();
    UpdateDSPCoefs(false);
}

bool cALGORITHM::CheckInputType(const void* format, size_t bytes) const noexcept {
    // The wave format's fields: tag at 0, channels 2, rate 4, bits per sample 14, extra size 16;
    // an extensible format's sub-format GUID at 24.
    constexpr size_t kPlainBytes = 16, kExtensibleBytes = 40;
    constexpr uint16_t kPcm = 1, kIeeeFloat = 3, kExtensible = 0xFFFE;
    if (!format || bytes < kPlainBytes) return false;
    const auto* b = static_cast<const uint8_t*>(format);
    auto word = [b](size_t at) {
        uint16_t v;
        std::memcpy(&v, b + at, sizeof v);
        return v;
    };
    uint32_t rate;
    std::memcpy(&rate, b + 4, sizeof rate);
    uint32_t tag = word(0);
    if (tag == kExtensible) {
        if (bytes < kExtensibleBytes || word(16) < kExtensibleBytes - 18) return false;
        // The sub-formats are the plain tags in the first field of the audio base GUID.
        constexpr uint8_t kAudioBase[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        if (std::memcmp(b + 28, kAudioBase, sizeof kAudioBase) != 0) return false;
        std::memcpy(&tag, b + 24, sizeof tag);
    }
    const uint16_t channels = word(2), bits = word(14);
    const bool sampleFormat = (tag == kPcm && bits == 16) || (tag == kIeeeFloat && bits == 32);
    const int32_t maxRate = description_.maxSampleRate;
    return sampleFormat && channels >= 1 && channels <= numInputs_ && rate >= 1 &&
           (maxRate <= 0 || rate <= static_cast<uint32_t>(maxRate));
}

int16_t cALGORITHM::ChangeSampleRate(int32_t rate) noexcept {
    if (rate < 1 || (description_.maxSampleRate > 0 && rate > description_.maxSampleRate)) return eBadArgument;
    sampleRate_ = rate;
    try {
        AdjustProcessCodeDescriptionsSelf();
    } catch (...) {
        return eNoMemory;
    }
    const bool resized =
        !std::equal(externals_.begin(), externals_.end(), description_.externals.begin(), description_.externals.end(),
                    [](const sEXT_BUFF& placed, const sEXT_BUFF& described) { return placed.size == described.size; });
    if (!resized) return eNoErr;
    if (shell_) return InitProcessCode(shell_);
    externals_ = description_.externals;  // not placed yet
    return eNoErr;
}

void cALGORITHM::SetTempo(double bpm) {
    if (tempoListener_ && std::isfinite(bpm) && bpm >= 0) SetTempoSelf(bpm);
}

void cALGORITHM::SetExecCallBack(ExecCallBack callback, intptr_t user) noexcept {
    exec_ = callback ? callback : DefaultExec;
    execUser_ = callback ? user : reinterpret_cast<intptr_t>(this);
}

int32_t cALGORITHM::CallExecCallBack(int32_t message, uint8_t* a, uint8_t* b, uint8_t* c) {
    return exec_(message, execUser_, a, b, c);
}

int32_t cALGORITHM::DefaultExec(int32_t message, intptr_t user, uint8_t* a, uint8_t*, uint8_t*) {
    auto* self = reinterpret_cast<cALGORITHM*>(user);
    auto* chain = reinterpret_cast<BUFFER_HEADER*>(a);
    if (message == kExecSendBuffers) self->SendBuffers(chain);
    if (message == kExecFreeBuffers) FreeBuffers(chain);
    return 0;
}

void cALGORITHM::DoIdle(std::vector<int16_t>* marked) {
    for (int16_t i = 0; i < GetNumParams(); ++i) {
        if (params_[static_cast<size_t>(i)].refreshMark == eRefreshNone) continue;
        UpdateReadOutSelf(i);
        if (marked) marked->push_back(i);
    }
}

double cALGORITHM::ReadVU(int32_t slot, int16_t reset, double value) noexcept {
    if (!shell_ || slot < 0) return -1;
    CAutoLock hold(shell_->GetCritSecObj());
    if (static_cast<size_t>(slot) >= shell_->saved_.size()) return -1;
    float level;
    std::memcpy(&level, &shell_->saved_[static_cast<size_t>(slot)], sizeof level);
    if (reset) {
        WriteReal(reinterpret_cast<uint8_t*>(&shell_->states_[static_cast<size_t>(slot)]), value);
        WriteReal(reinterpret_cast<uint8_t*>(&shell_->saved_[static_cast<size_t>(slot)]), value);
    }
    return level;
}

void cALGORITHM::StoreStates(EPluginSetup setup, const int32_t* states, int32_t count) {
    for (int16_t i = 0; i < count; ++i) {
        sCONTROL_PARAM& p = params_[static_cast<size_t>(i)];
        if (states[i] == -1 || p.HasFlag(eFlagNotSavable)) continue;
        // A loaded state brings its own value: an exact value kept by eFlagRealWorldResolution
        // belongs to the settings being replaced.
        p.SetState(setup, states[i]);
        p.SetRealWorld(setup, p.StateToRealWorld(p.GetState(setup)));
        p.refreshMark = eRefreshChanged;
        Notify(i);
    }
}

int16_t cALGORITHM::LoadStatesFromBuffer(const int32_t* states, int32_t count, int32_t setup) noexcept {
    if (!created_) return eNotReady;
    if (count < 0 || count > GetNumParams() || (count > 0 && !states) || !(setup == -1 || IsSetup(setup)))
        return eBadArgument;
    try {
        StoreStates(setup == -1 ? activeSetup_ : static_cast<EPluginSetup>(setup), states, count);
    } catch (...) {
        return eNoMemory;  // the host shell's change notification threw; what was stored stays
    }
    return eNoErr;
}

int16_t cALGORITHM::LoadFactoryPreset(int32_t index) noexcept {
    const sPRESET* preset = presets_.GetFactoryPreset(index);
    if (!preset) return eBadArgument;
    return ApplyPreset(*preset);
}

int16_t cALGORITHM::ApplyPreset(const sPRESET& preset) noexcept {
    if (!created_) return eNotReady;
    try {
        // Everything is checked against the states the preset leaves before anything changes.
        std::vector<int32_t> after[2];
        for (const EPluginSetup setup : {eSetupA, eSetupB})
            for (const sCONTROL_PARAM& p : params_) after[setup].push_back(p.GetState(setup));
        for (const sPRESET::States& list : preset.states) {
            if (list.values.size() > params_.size() || !(list.setup == sPRESET::kActiveSetup || IsSetup(list.setup)))
                return eMalformed;
            const EPluginSetup setup =
                list.setup == sPRESET::kActiveSetup ? activeSetup_ : static_cast<EPluginSetup>(list.setup);
            for (size_t i = 0; i < list.values.size(); ++i)
                if (list.values[i] != -1 && !params_[i].HasFlag(eFlagNotSavable))
                    after[setup][i] = params_[i].NormalizeState(list.values[i]);
        }
        for (const sPRESET::RealWorld& exact : preset.realWorld) {
            if (!IsSetup(exact.setup) || exact.index < 0 || exact.index >= GetNumParams()) return eMalformed;
            const sCONTROL_PARAM& p = params_[static_cast<size_t>(exact.index)];
            if (p.HasFlag(eFlagNotSavable) ||
                p.RealWorldToState(exact.value) != after[exact.setup][static_cast<size_t>(exact.index)])
                return eMalformed;
        }

        for (const sPRESET::States& list : preset.states)
            StoreStates(list.setup == sPRESET::kActiveSetup ? activeSetup_ : static_cast<EPluginSetup>(list.setup),
                        list.values.data(), static_cast<int32_t>(list.values.size()));
        for (const sPRESET::RealWorld& exact : preset.realWorld) {
            sCONTROL_PARAM& p = params_[static_cast<size_t>(exact.index)];
            p.SetRealWorld(static_cast<EPluginSetup>(exact.setup), exact.value);
            p.refreshMark = eRefreshChanged;
        }
        return eNoErr;
    } catch (...) {
        return eNoMemory;
    }
}

int16_t cALGORITHM::PreparePresetChunk(std::string& chunk) const noexcept {
    if (!created_) return eNotReady;
    try {
        sPRESET preset;
        preset.genericType = genericType_;
        preset.name = algName_;
        for (const EPluginSetup setup : {eSetupA, eSetupB}) {
            sPRESET::States& list = preset.states.emplace_back();
            list.setup = setup;
            for (int16_t i = 0; i < GetNumParams(); ++i) {
                const sCONTROL_PARAM& p = params_[static_cast<size_t>(i)];
                const int32_t state = p.GetState(setup);
                const double value = p.GetRealWorld(setup);
                if (p.HasFlag(eFlagNotSavable)) {
                    list.values.push_back(-1);
                    continue;
                }
                list.values.push_back(state);
                // Values set directly (tempo-factor rates, limited depths) would not come back
                // from the state alone.
                if (value != p.StateToRealWorld(state) && p.RealWorldToState(value) == state)
                    preset.realWorld.push_back({setup, i, value});
            }
        }
        chunk = WritePreset(preset, plugInName_);
        return eNoErr;
    } catch (...) {
        return eNoMemory;
    }
}

int16_t cALGORITHM::SetPresetChunk(const char* chunk, int32_t length) noexcept {
    if (!chunk || length < 0) return eBadArgument;
    if (!created_) return eNotReady;
    try {
        const auto tree = nrXML::Parse({chunk, static_cast<size_t>(length)});
        auto preset = tree ? ReadPreset(*tree) : std::nullopt;
        if (!preset || preset->genericType != genericType_) return eMalformed;
        return ApplyPreset(*preset);
    } catch (...) {
        return eNoMemory;
    }
}

int16_t cALGORITHM::GetDAEFlags(const nrXML** out) const noexcept {
    if (!out) return eBadArgument;
    *out = daeFlags_.get();
    return daeFlags_ ? eNoErr : eNotReady;
}
