#pragma once
// A small algorithm over the framework, standing in for the plug-in's: parameter i drives
// coefficient slot i (for the slots there are), a change handler sends the touched slot, a full
// update sends the record and marks the second external buffer with the setup, and every hook
// counts its calls.
#include <cstring>
#include <vector>

#include "Code/Native/VelvaneFunctions.h"
#include "framework/FourCC.h"
#include "framework/cALGORITHM.h"
#include "tests/support/host_calls.h"
#include "tests/support/test_module.h"

// A process description that counts the changes it hears.
struct TestShell : cNspShell {
    std::vector<int16_t> notified;
    int32_t NotifyParamChange(int16_t index, int32_t) override {
        notified.push_back(index);
        return 1;
    }
};

class TestAlgorithm : public cALGORITHM {
public:
    static constexpr int16_t kMeterL = 12;  // a read-out that keeps refreshing while active

    explicit TestAlgorithm(uint32_t type = FourCC("FLNS"), uint32_t processCode = FourCC("pcDX"),
                           HMODULE module = TestModule())
        : cALGORITHM(MakeInfo(type, processCode, module)) {
        numInputs_ = type == FourCC("FLNS") ? 2 : 1;
        numOutputs_ = type == FourCC("FLNM") ? 1 : 2;
        genericType_ = FourCC("FLNG");
        tempoListener_ = true;
        algName_ = plugInName_ = "Velvane";
    }

    void BindRoutine(VelvaneProcessFn routine) { processFunc_ = routine; }
    void Change(int16_t index, int32_t state) { ApplyChange(*this, index, state); }
    void SetTempoListener(bool listens) { tempoListener_ = listens; }
    using cALGORITHM::GetProcessCodeDescription;

    std::vector<int> handled = std::vector<int>(32);
    int allCoefs = 0;
    int initStates = 0;
    int bypassSets = 0;
    std::vector<double> tempi;
    std::vector<int16_t> readOuts;

protected:
    BUFFER_HEADER* UpdateParamCoefsSelf(int16_t index, int32_t) override {
        ++handled[static_cast<size_t>(index)];
        if (index >= GetCoefsNum()) return nullptr;
        WriteReal(GetPointerToCoef(GetActiveSetup(), index), GetParam(index));
        if (!IsProcessActive() || IsBypassed()) return nullptr;
        BUFFER_HEADER* buffer = NewBuffer(eBufferCoefs, 0, 0, index, 1, 0);
        if (buffer) std::memcpy(buffer->Data(), GetPointerToCoef(GetActiveSetup(), index), 4);
        return buffer;
    }

    BUFFER_HEADER* UpdateAllCoefsSelf() override {
        ++allCoefs;
        const EPluginSetup setup = GetActiveSetup();
        for (int16_t slot = 0; slot < GetCoefsNum(); ++slot) WriteReal(GetPointerToCoef(setup, slot), GetParam(slot));
        BUFFER_HEADER* record = NewBuffer(eBufferCoefs, 0, 0, 0, GetCoefsNum(), 0);
        if (record)
            std::memcpy(record->Data(), IsBypassed() ? GetPointerToBypassCoef(setup, 0) : GetPointerToCoef(setup, 0),
                        record->words.size() * 4);
        const sEXT_BUFF* table = GetExternalBuffer(1);
        BUFFER_HEADER* mark = table ? NewBuffer(eBufferExternal, 1, 0, table->address, 1, table->memSpace) : nullptr;
        if (mark) WriteReal(mark->Data(), setup == eSetupA ? 1.0 : 2.0);
        return ChainBufs(record, mark);
    }

    BUFFER_HEADER* InitStatesSelf() override {
        ++initStates;
        const sEXT_BUFF* delay = GetExternalBuffer(0);
        if (!delay || delay->address == -1) return nullptr;
        BUFFER_HEADER* states = NewBuffer(eBufferStates, 0, 0, 0, GetStatesNum(), 0);
        if (states) FillInitialStatesSelf(states->Data());
        BUFFER_HEADER* clear = NewBuffer(eBufferExternal, 0, 0, delay->address, delay->size, delay->memSpace);
        return ChainBufs(states, clear);
    }

    int32_t UpdateReadOutSelf(int16_t index) override {
        readOuts.push_back(index);
        sCONTROL_PARAM* p = GetControlParam(index);
        p->refreshMark = index == kMeterL && IsProcessActive() ? eRefreshRedraw : eRefreshNone;
        return 0;
    }

    int32_t FillInitialStatesSelf(uint8_t* states) override {
        for (int32_t slot = 0; slot < GetStatesNum(); ++slot) WriteInteger(states + 4 * slot, 0);
        return 1;
    }

    // The plug-in's own display names, here all showing the same text.
    int32_t PrepareDisplayFunctionsMapSelf(DisplayFunctionMap& map) override {
        for (const char* name :
             {"DisplayFilterType", "DisplayFreq", "DisplayRate", "DisplayWaveType", "Display_0_to_100"})
            map[name] = PluginDisplay;
        return 0;
    }

    void SetBypassCoefsSelf() override {
        ++bypassSets;
        const EPluginSetup setup = GetActiveSetup();
        std::memcpy(GetPointerToBypassCoef(setup, 0), GetPointerToCoef(setup, 0), 4 * GetCoefsNum());
        WriteReal(GetPointerToBypassCoef(setup, 9), 0.25);
    }

    void SetTempoSelf(double bpm) override {
        tempi.push_back(bpm);
        BUFFER_HEADER* chain = NewBuffer(eBufferCoefs, 0, 0, 2, 1, 0);
        if (chain) WriteReal(chain->Data(), bpm);
        CallExecCallBack(kExecSendBuffers, reinterpret_cast<uint8_t*>(chain), nullptr, nullptr);
        CallExecCallBack(kExecFreeBuffers, reinterpret_cast<uint8_t*>(chain), nullptr, nullptr);
    }

public:
    static void PluginDisplay(int32_t, double, std::string& text) { text = "plug-in"; }

private:
    static NordeComponentInfo MakeInfo(uint32_t type, uint32_t processCode, HMODULE module) {
        NordeComponentInfo info;
        MakeComponentInfo(&info, type, processCode, module);
        return info;
    }
};
