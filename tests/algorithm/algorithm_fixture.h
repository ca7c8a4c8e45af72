#pragma once
// The algorithm as the host shell runs it: created from the resources of this test program (which
// links the plug-in's), its process side laid out, streaming, and the real kernel module bound by
// name (found beside the program, or named by VELVANE_KERNEL, set in kernel_module.cpp).
#include <gtest/gtest.h>

#include <vector>

#include "Code/Native/VelvaneFunctions.h"
#include "framework/FourCC.h"
#include "plugin/algorithm/VelvaneParams.h"
#include "plugin/algorithm/cVelvane_ALG.h"
#include "tests/support/host_calls.h"
#include "tests/support/test_module.h"

inline NordeComponentInfo Component(uint32_t type, uint32_t processCode = FourCC("pcDX")) {
    NordeComponentInfo info;
    MakeComponentInfo(&info, type, processCode, TestModule());
    return info;
}

struct ComponentCase {
    const char* name;
    uint32_t type;
    int16_t inputs, outputs;
};
inline const ComponentCase kComponents[] = {
    {"stereo", FourCC("FLNS"), 2, 2}, {"m/s", FourCC("FLNX"), 1, 2}, {"mono", FourCC("FLNM"), 1, 1}};

// One buffer of a chain, as the tests compare them.
struct BufferShape {
    int32_t kind, address, count;
    bool operator==(const BufferShape&) const = default;
};
inline std::vector<BufferShape> Shapes(const BUFFER_HEADER* chain) {
    std::vector<BufferShape> shapes;
    for (; chain; chain = chain->next) shapes.push_back({chain->kind, chain->address, chain->count});
    return shapes;
}

// Runs interleaved frames through the kernel bound in `shell` as the shell does: under the process
// lock, the states saved afterwards. Samples are float or int16_t by `format`.
template <class Sample>
void RunKernel(cALGORITHM& alg, cNspShell& shell, const std::vector<Sample>& in, std::vector<Sample>& out) {
    const int32_t inputs = alg.GetNumInputs(), outputs = alg.GetNumOutputs();
    const int32_t frames = static_cast<int32_t>(in.size() / inputs);
    out.assign(static_cast<size_t>(frames * outputs), Sample{});
    const int32_t format = sizeof(Sample) == 2 ? kSampleInt16 : kSampleFloat32;
    NordeSoundBuf inRecords[2], outRecords[2];
    for (int c = 0; c < inputs; ++c) inRecords[c] = {const_cast<Sample*>(in.data()) + c, inputs, format, 0, 0};
    for (int c = 0; c < outputs; ++c) outRecords[c] = {out.data() + c, outputs, format, 0, 0};
    ASSERT_NE(shell.GetProcess(), nullptr) << "no kernel module";
    int32_t produced = -1;
    shell.cLock();
    shell.GetProcess()(inRecords, inputs, frames, outRecords, outputs, &produced, shell.GetCoefs(), shell.GetStates(),
                       shell.GetExternStruct(), 0);
    shell.CopyStatesSaved();
    shell.cUnlock();
    EXPECT_EQ(produced, frames);
}

// A factory preset loaded and all coefficients sent, as a host selects one.
inline ::testing::AssertionResult LoadPreset(cALGORITHM& alg, int32_t index) {
    if (const int32_t status = alg.LoadFactoryPreset(index); status != eNoErr)
        return ::testing::AssertionFailure() << "loading preset " << index << " gave " << status;
    if (const int32_t status = alg.UpdateDSPCoefs(true); status != eNoErr)
        return ::testing::AssertionFailure() << "sending preset " << index << " gave " << status;
    return ::testing::AssertionSuccess();
}

// An instance streaming at `rate`, initialised as at the start of streaming.
class Instance {
public:
    explicit Instance(uint32_t type, uint32_t processCode = FourCC("pcDX"), int32_t rate = 44100)
        : alg(Component(type, processCode)) {
        EXPECT_EQ(alg.FinishCreate(), eNoErr);
        EXPECT_EQ(alg.ChangeSampleRate(rate), eNoErr);
        EXPECT_EQ(alg.InitProcessCode(&shell), eNoErr);
        alg.SetProcessActive(true);
        EXPECT_EQ(alg.InitAlg(true), eNoErr);
    }

    void Set(int16_t index, int32_t state) { ApplyChange(alg, index, state); }
    // A real-world value set directly in the active setup, then all coefficients sent.
    void SetValue(int16_t index, double value) {
        alg.GetControlParam(index)->SetRealWorld(alg.GetActiveSetup(), value);
        alg.UpdateDSPCoefs(true);
    }
    void Send(BUFFER_HEADER* chain) { SendChain(alg, chain); }

    // The active setup's record, and the live record the kernel reads.
    int32_t Int(int slot) { return SlotInt(alg.GetPointerToCoef(alg.GetActiveSetup(), 0), slot); }
    float Float(int slot) { return SlotFloat(alg.GetPointerToCoef(alg.GetActiveSetup(), 0), slot); }
    int32_t LiveInt(int slot) { return SlotInt(shell.GetCoefs(), slot); }
    float LiveFloat(int slot) { return SlotFloat(shell.GetCoefs(), slot); }
    float State(int slot) { return SlotFloat(shell.GetSavedStates(), slot); }
    int32_t StateInt(int slot) { return SlotInt(shell.GetSavedStates(), slot); }
    const float* Table(int32_t buffer) { return static_cast<const float*>(shell.GetExternStruct()[buffer].data); }

    // Runs interleaved frames through the kernel as the shell does.
    template <class Sample>
    void Run(const std::vector<Sample>& in, std::vector<Sample>& out) {
        RunKernel(alg, shell, in, out);
    }

    cNspShell shell;  // declared first: the algorithm keeps a pointer to it
    cVelvane_ALG alg;
};
