#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

#include "TestAlgorithm.h"

namespace {

const ExternStruct* Table(cNspShell& shell) { return shell.GetExternStruct(); }

// A created algorithm with its process side laid out.
class Algorithm : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(alg.FinishCreate(), eNoErr);
        ASSERT_EQ(alg.InitProcessCode(&shell), eNoErr);
    }
    float Live(int32_t slot) { return SlotFloat(shell.GetCoefs(), slot); }

    TestShell shell;
    TestAlgorithm alg;
};

TEST(Creation, DescriptionPerComponentAndHostKind) {
    struct Case {
        const char* name;
        uint32_t type, code;
        int32_t coefs, states, delayWords;
        uint32_t delaySpace, tableSpace;
        bool native;
    };
    const uint32_t X = FourCC("XMEM"), L = FourCC("LMEM");
    const Case cases[] = {
        {"stereo native", FourCC("FLNS"), FourCC("pcDX"), 17, 22, 32768, L, X, true},
        {"m/s native", FourCC("FLNX"), FourCC("pcDX"), 17, 22, 32768, L, X, true},
        {"mono native", FourCC("FLNM"), FourCC("pcDX"), 15, 13, 32768, X, X, true},
        {"stereo host TDM", FourCC("FLNS"), FourCC("htDX"), 17, 22, 32768, L, X, true},
        {"mono native offline", FourCC("FLNM"), FourCC("ofDX"), 15, 13, 32768, X, X, true},
        {"stereo DSP", FourCC("FLNS"), FourCC("pcDS"), 17, 22, 4096, L, X, false},
        {"m/s DSP", FourCC("FLNX"), FourCC("pcDS"), 17, 22, 4096, L, X, false},
        {"mono DSP", FourCC("FLNM"), FourCC("pcDS"), 15, 13, 4096, X, X, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestAlgorithm alg(c.type, c.code);
        ASSERT_EQ(alg.FinishCreate(), eNoErr);
        EXPECT_EQ(alg.GetCoefsNum(), c.coefs);
        EXPECT_EQ(alg.GetStatesNum(), c.states);
        EXPECT_EQ(alg.IsNative(), c.native);
        EXPECT_EQ(alg.GetProcessCodeDescription().maxSampleRate, 192000);
        ASSERT_EQ(alg.GetExternalBuffersNum(), 2);
        EXPECT_EQ(alg.GetExternalBuffer(0)->size, c.delayWords);
        EXPECT_EQ(alg.GetExternalBuffer(0)->memSpace, c.delaySpace);
        EXPECT_EQ(alg.GetExternalBuffer(1)->size, 2048);
        EXPECT_EQ(alg.GetExternalBuffer(1)->memSpace, c.tableSpace);
        EXPECT_TRUE(alg.GetExternalBuffer(0)->cyclic);
        EXPECT_EQ(alg.GetExternalBuffer(0)->address, -1) << "not allocated before the process side";
        EXPECT_EQ(alg.GetExternalBuffer(2), nullptr);
    }
}

TEST(Creation, FailsWithoutResourcesOrForAnUnknownComponent) {
    EXPECT_EQ(TestAlgorithm(FourCC("FLNS"), FourCC("pcDX"), nullptr).FinishCreate(), eNoResource);
    EXPECT_EQ(TestAlgorithm(FourCC("XXXX")).FinishCreate(), eMalformed);

    TestAlgorithm uncreated;
    TestShell shell;
    EXPECT_EQ(uncreated.InitProcessCode(&shell), eNotReady);
    EXPECT_EQ(uncreated.InitAlg(true), eNotReady);
    EXPECT_EQ(uncreated.GetNumParams(), 0);
    EXPECT_EQ(uncreated.UpdateParam(0, 1), nullptr);
}

TEST_F(Algorithm, ProcessSideIsLaidOutZeroedAndBound) {
    EXPECT_EQ(alg.InitProcessCode(nullptr), eBadArgument);
    EXPECT_NE(shell.GetCoefs(), nullptr);
    EXPECT_NE(shell.GetStates(), nullptr);
    EXPECT_EQ(shell.GetSavedStatesSize(), 22 * 4);
    const ExternStruct* table = Table(shell);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table[0].words, 2 * 32768);
    EXPECT_EQ(table[0].memSpace, FourCC("LMEM"));
    EXPECT_EQ(table[1].words, 2048);
    // An 'LMEM' entry is a stereo pair: the delay line holds two words per entry.
    const int32_t words[] = {2 * 32768, 2048};
    for (int i = 0; i < 2; ++i) {
        const auto* first = static_cast<const uint32_t*>(table[i].data);
        EXPECT_TRUE(std::all_of(first, first + words[i], [](uint32_t w) { return w == 0; }));
        EXPECT_EQ(alg.GetExternalBuffer(i)->address, 0);
    }

    VelvaneProcessFn routine = [](const NordeSoundBuf*, int32_t, int32_t, const NordeSoundBuf*, int32_t, int32_t*,
                                  const uint8_t*, uint8_t*, const ExternStruct*, intptr_t) {};
    alg.BindRoutine(routine);
    ASSERT_EQ(alg.InitProcessCode(&shell), eNoErr);
    EXPECT_EQ(shell.GetProcess(), routine);
}

TEST_F(Algorithm, InitAlgSendsStatesClearingAndCoefficients) {
    std::memset(shell.GetStates(), 0xFF, 22 * 4);
    auto* delay = static_cast<uint32_t*>(Table(shell)[0].data);
    delay[0] = delay[2 * 32768 - 1] = 0xFFFFFFFF;
    ASSERT_EQ(alg.InitAlg(true), eNoErr);
    EXPECT_EQ(alg.initStates, 1);
    EXPECT_EQ(alg.allCoefs, 1);
    const uint8_t* states = shell.GetStates();
    EXPECT_TRUE(std::all_of(states, states + 22 * 4, [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(delay[0], 0u);
    EXPECT_EQ(delay[2 * 32768 - 1], 0u) << "the whole of the stereo pairs";
    EXPECT_EQ(Live(0), 1.0f) << "depth";
    EXPECT_EQ(Live(4), static_cast<float>(alg.GetParam(4))) << "delay";
    EXPECT_EQ(SlotFloat(static_cast<const uint8_t*>(Table(shell)[1].data), 0), 1.0f) << "setup A's table";

    BUFFER_HEADER* chain = nullptr;
    ASSERT_EQ(alg.InitAlg(false, &chain), eNoErr);
    ASSERT_NE(chain, nullptr);
    EXPECT_EQ(chain->kind, eBufferCoefs) << "without reset only coefficients";
    EXPECT_EQ(alg.initStates, 1);
    cALGORITHM::FreeBuffers(chain);
}

TEST_F(Algorithm, ChangeHandlerRunsOnlyForChangesUnlessAlwaysUpdate) {
    alg.SetProcessActive(true);
    BUFFER_HEADER* chain = alg.UpdateParam(5, 700);
    EXPECT_EQ(alg.handled[5], 1);
    EXPECT_EQ(alg.GetParamState(5), 700);
    EXPECT_DOUBLE_EQ(alg.GetParam(5), 0.7);
    ASSERT_NE(chain, nullptr);
    SendChain(alg, chain);
    EXPECT_EQ(Live(5), 0.7f) << "the chain reached the live record";

    EXPECT_EQ(alg.UpdateParam(5, 700), nullptr);
    EXPECT_EQ(alg.handled[5], 1) << "an unchanged state is not handled again";
    EXPECT_EQ(alg.UpdateParam(6, 4), nullptr) << "4 is off, as stored";
    EXPECT_EQ(alg.handled[6], 0);

    alg.Change(23, 1);
    alg.Change(23, 17);
    EXPECT_EQ(alg.handled[23], 2) << "AlwaysUpdate re-applies the same factor";
    EXPECT_EQ(alg.GetParamState(23), 1);

    cALGORITHM::FreeBuffers(alg.UpdateParam(12, 700));
    EXPECT_EQ(alg.handled[12], 1);
    EXPECT_EQ(shell.notified, (std::vector<int16_t>{5, 23, 23})) << "only savable changes are reported";
    EXPECT_EQ(alg.UpdateParam(25, 1), nullptr);
    EXPECT_EQ(alg.UpdateParam(-1, 1), nullptr);
}

TEST_F(Algorithm, ChainsReachTheLiveRecordOnlyUnderTheProcessLock) {
    alg.SetProcessActive(true);
    BUFFER_HEADER* chain = alg.UpdateParam(7, 250);
    ASSERT_NE(chain, nullptr);
    std::atomic<bool> sent = false;
    shell.cLock();  // as the streaming thread does around a kernel call
    std::thread sender([&] {
        alg.SendBuffers(chain);
        sent = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(sent);
    EXPECT_EQ(Live(7), 0.0f);
    shell.cUnlock();
    sender.join();
    EXPECT_EQ(Live(7), 0.25f);
    cALGORITHM::FreeBuffers(chain);
}

TEST_F(Algorithm, SetupsAreKeptApart) {
    alg.SetProcessActive(true);
    alg.InitAlg(true);
    ApplyChange(alg, 0, 300);
    EXPECT_EQ(alg.GetControlParam(0)->GetState(eSetupB), 1000);
    EXPECT_EQ(SlotFloat(alg.GetPointerToCoef(eSetupA, 0), 0), 0.3f);
    EXPECT_EQ(SlotFloat(alg.GetPointerToCoef(eSetupB, 0), 0), 0.0f);

    alg.GetControlParam(3)->refreshMark = eRefreshNone;
    alg.ToggleActiveSetup(-1);
    EXPECT_EQ(alg.GetActiveSetup(), eSetupB);
    EXPECT_EQ(alg.allCoefs, 2);
    EXPECT_EQ(Live(0), 1.0f) << "setup B's depth went live";
    EXPECT_EQ(SlotFloat(static_cast<const uint8_t*>(Table(shell)[1].data), 0), 2.0f);
    EXPECT_EQ(alg.GetControlParam(3)->refreshMark, eRefreshChanged);

    alg.ToggleActiveSetup(1);
    alg.ToggleActiveSetup(7);
    EXPECT_EQ(alg.allCoefs, 2) << "no change of setup, no update";
    EXPECT_EQ(alg.GetActiveSetup(), eSetupB);

    alg.CopySetup(eSetupA, eSetupB);
    EXPECT_EQ(alg.GetParamState(0), 300);
    EXPECT_EQ(Live(0), 0.3f);
    alg.ToggleActiveSetup(0);
    EXPECT_EQ(alg.GetActiveSetup(), eSetupA);
    EXPECT_EQ(alg.GetPointerToCoef(static_cast<EPluginSetup>(2), 0), nullptr);
    EXPECT_EQ(alg.GetPointerToCoef(eSetupA, 17), nullptr);
    EXPECT_EQ(alg.GetPointerToBypassCoef(eSetupB, -1), nullptr);
}

TEST_F(Algorithm, BuffersStayInsideTheirTargets) {
    struct Case {
        const char* name;
        int32_t kind, id, address, count;
        uint32_t space;
        bool made;
    };
    const uint32_t X = FourCC("XMEM"), L = FourCC("LMEM");
    const Case cases[] = {
        {"whole state record", eBufferStates, 0, 0, 22, 0, true},
        {"one state too many", eBufferStates, 0, 0, 23, 0, false},
        {"before the states", eBufferStates, 0, -1, 1, 0, false},
        {"last coefficient", eBufferCoefs, 0, 16, 1, 0, true},
        {"past the coefficients", eBufferCoefs, 0, 16, 2, 0, false},
        {"whole delay line", eBufferExternal, 0, 0, 32768, L, true},
        {"second table half", eBufferExternal, 1, 1024, 1024, X, true},
        {"past the tables", eBufferExternal, 1, 1025, 1024, X, false},
        {"wrong memory area", eBufferExternal, 0, 0, 1, X, false},
        {"no third buffer", eBufferExternal, 2, 0, 1, X, false},
        {"DSP kind", eBufferExternalDSP, 0, 0, 16, L, true},
        {"unknown kind", 7, 0, 0, 1, 0, false},
        {"no words", eBufferCoefs, 0, 0, 0, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BUFFER_HEADER* b = alg.NewBuffer(c.kind, c.id, 0, c.address, c.count, c.space);
        EXPECT_EQ(b != nullptr, c.made);
        if (b) {
            EXPECT_EQ(b->words.size(), static_cast<size_t>(c.count) * (c.space == L ? 2 : 1)) << "words per entry";
        }
        cALGORITHM::FreeBuffers(b);
    }

    BUFFER_HEADER* a = alg.NewBuffer(eBufferCoefs, 0, 0, 3, 1, 0);
    BUFFER_HEADER* b = alg.NewBuffer(eBufferCoefs, 0, 0, 4, 1, 0);
    BUFFER_HEADER* c = alg.NewBuffer(eBufferCoefs, 0, 0, 5, 1, 0);
    EXPECT_EQ(cALGORITHM::ChainBufs(nullptr, a), a);
    EXPECT_EQ(cALGORITHM::ChainBufs(a, nullptr), a);
    BUFFER_HEADER* chain = cALGORITHM::ChainBufs(cALGORITHM::ChainBufs(a, b), c);
    ASSERT_EQ(chain, a);
    EXPECT_EQ(a->next, b);
    EXPECT_EQ(b->next, c);
    for (BUFFER_HEADER* x : {a, b, c}) cALGORITHM::WriteReal(x->Data(), 0.5);
    b->address = 40;  // no longer inside the record: skipped, the rest still applied
    SendChain(alg, chain);
    EXPECT_EQ(Live(3), 0.5f);
    EXPECT_EQ(Live(4), 0.0f);
    EXPECT_EQ(Live(5), 0.5f);
}

TEST(Writers, RoundToSingleAndReportBytes) {
    uint32_t word = 0;
    auto* bytes = reinterpret_cast<uint8_t*>(&word);
    EXPECT_EQ(cALGORITHM::WriteReal(bytes, 0.1), 4);
    EXPECT_EQ(SlotFloat(bytes, 0), 0.1f);
    EXPECT_EQ(cALGORITHM::WriteInteger(bytes, -21845), 4);
    EXPECT_EQ(static_cast<int32_t>(word), -21845);
    EXPECT_EQ(cALGORITHM::WriteReal(nullptr, 1), 0);
    EXPECT_EQ(cALGORITHM::WriteInteger(nullptr, 1), 0);
}

TEST_F(Algorithm, IdleRefreshesMarkedParametersInOrder) {
    for (sCONTROL_PARAM* p : {alg.GetControlParam(12), alg.GetControlParam(3)}) p->refreshMark = eRefreshRedraw;
    alg.SetProcessActive(true);
    std::vector<int16_t> marked;
    alg.DoIdle(&marked);
    EXPECT_EQ(marked, (std::vector<int16_t>{3, 12}));
    alg.DoIdle();
    EXPECT_EQ(alg.readOuts, (std::vector<int16_t>{3, 12, 12})) << "a running meter marks itself again";
    alg.SetProcessActive(false);
    alg.DoIdle();
    alg.DoIdle();
    EXPECT_EQ(alg.readOuts.size(), 4u);
}

TEST_F(Algorithm, ReadVUReadsTheSavedCopyAndResetsBoth) {
    BUFFER_HEADER* peak = alg.NewBuffer(eBufferStates, 0, 0, 12, 1, 0);
    cALGORITHM::WriteReal(peak->Data(), 0.5);
    SendChain(alg, peak);
    EXPECT_EQ(alg.ReadVU(12, 0, 0), 0.0) << "the kernel's copy is not saved yet";
    shell.CopyStatesSaved();
    EXPECT_EQ(alg.ReadVU(12, 1, -1), 0.5);
    EXPECT_EQ(SlotFloat(shell.GetStates(), 12), -1.0f);
    EXPECT_EQ(alg.ReadVU(12, 0, 0), -1.0) << "nothing new since the reset";
    EXPECT_EQ(alg.ReadVU(22, 0, 0), -1.0);
    EXPECT_EQ(alg.ReadVU(-1, 0, 0), -1.0);
    TestAlgorithm detached;
    ASSERT_EQ(detached.FinishCreate(), eNoErr);
    EXPECT_EQ(detached.ReadVU(12, 1, 0), -1.0);
}

TEST_F(Algorithm, TempoReachesListenersAndTheDefaultCallbackSendsAndFrees) {
    alg.SetTempo(120);
    EXPECT_EQ(alg.tempi, (std::vector<double>{120}));
    EXPECT_EQ(Live(2), 120.0f) << "sent by the framework's callback; freeing it is checked by the sanitizers";
    for (const double bad : {-1.0, std::nan(""), HUGE_VAL}) alg.SetTempo(bad);
    alg.SetTempoListener(false);
    alg.SetTempo(90);
    EXPECT_EQ(alg.tempi.size(), 1u);

    struct Host {
        std::vector<int32_t> messages;
        static int32_t Call(int32_t message, intptr_t user, uint8_t* a, uint8_t*, uint8_t*) {
            reinterpret_cast<Host*>(user)->messages.push_back(message);
            if (message == kExecFreeBuffers) cALGORITHM::FreeBuffers(reinterpret_cast<BUFFER_HEADER*>(a));
            return 0;
        }
    } host;
    alg.SetTempoListener(true);
    alg.SetExecCallBack(Host::Call, reinterpret_cast<intptr_t>(&host));
    alg.SetTempo(60);
    EXPECT_EQ(host.messages, (std::vector<int32_t>{kExecSendBuffers, kExecFreeBuffers}));
    EXPECT_EQ(Live(2), 120.0f) << "the host's callback sent nothing";
    alg.SetExecCallBack(nullptr, 0);
    alg.SetTempo(100);
    EXPECT_EQ(Live(2), 100.0f) << "the framework's callback is back";
}

TEST_F(Algorithm, BypassSendsTheBypassRecord) {
    alg.SetProcessActive(true);
    alg.InitAlg(true);
    alg.SetBypass(1);
    EXPECT_TRUE(alg.IsBypassed());
    EXPECT_EQ(alg.bypassSets, 1);
    EXPECT_EQ(Live(9), 0.25f);
    EXPECT_EQ(alg.UpdateParam(0, 10), nullptr) << "handlers send nothing while bypassed";
    alg.SetBypass(0);
    EXPECT_EQ(Live(9), static_cast<float>(alg.GetParam(9)));
    EXPECT_EQ(Live(0), 0.01f) << "the change made under bypass is in the record";
}

TEST_F(Algorithm, SampleRateStaysWithinTheDescription) {
    EXPECT_EQ(alg.GetSampleRate(), 44100);
    EXPECT_EQ(alg.ChangeSampleRate(96000), eNoErr);
    EXPECT_EQ(alg.GetSampleRate(), 96000);
    EXPECT_EQ(alg.ChangeSampleRate(0), eBadArgument);
    EXPECT_EQ(alg.ChangeSampleRate(192001), eBadArgument);
    EXPECT_EQ(alg.GetSampleRate(), 96000);
}

TEST_F(Algorithm, HostFlags) {
    EXPECT_EQ(alg.GetDAEFlags(nullptr), eBadArgument);
    const nrXML* flags = nullptr;
    ASSERT_EQ(alg.GetDAEFlags(&flags), eNoErr);
    ASSERT_NE(flags, nullptr);
    EXPECT_EQ(flags->GetName(), "DAEFlags");
    const nrXML* any = flags->GetChild("SubComponent");
    ASSERT_NE(any, nullptr);
    EXPECT_STREQ(any->GetAttrib("Name"), "Any");
    EXPECT_EQ(any->GetChild("DAECategory")->GetValue(), "ePlugInCategory_Modulation");
    EXPECT_EQ(flags->GetChildren().size(), 4u);
}

}  // namespace
