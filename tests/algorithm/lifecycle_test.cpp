#include <algorithm>
#include <memory>

#include "algorithm_fixture.h"

namespace {

TEST(Lifecycle, EachComponentConfiguresItselfAndBindsItsRoutine) {
    // All three alive at once: each keeps its own configuration.
    std::vector<std::unique_ptr<cVelvane_ALG>> algs;
    for (const ComponentCase& c : kComponents) algs.push_back(std::make_unique<cVelvane_ALG>(Component(c.type)));
    for (size_t i = 0; i < algs.size(); ++i) {
        const ComponentCase& c = kComponents[i];
        cVelvane_ALG& alg = *algs[i];
        SCOPED_TRACE(c.name);
        ASSERT_EQ(alg.FinishCreate(), eNoErr);
        EXPECT_EQ(alg.GetNumInputs(), c.inputs);
        EXPECT_EQ(alg.GetNumOutputs(), c.outputs);
        EXPECT_EQ(alg.GetChannelMode(),
                  c.type == FourCC("FLNX") ? ChannelMode::MonoToStereo : ChannelMode::SameAsInput);
        EXPECT_TRUE(alg.IsTempoListener());
        EXPECT_EQ(alg.GetTempo(), 0);
        EXPECT_EQ(alg.GetActiveSetup(), eSetupA);
        EXPECT_NE(alg.GetProcessFunc(), nullptr) << "kernel routine bound";
        EXPECT_EQ(alg.GetPresetsManager().GetFactoryPresetCount(), c.outputs == 1 ? 20 : 21);
    }
    // Stereo and m/s run the stereo code, mono its own.
    EXPECT_EQ(algs[0]->GetProcessFunc(), algs[1]->GetProcessFunc());
    EXPECT_NE(algs[0]->GetProcessFunc(), algs[2]->GetProcessFunc());
}

TEST(Lifecycle, InitialStatesAreZeroAndTheWholeDelayLineIsCleared) {
    for (const ComponentCase& c : kComponents) {
        SCOPED_TRACE(c.name);
        Instance x(c.type);
        const int32_t states = c.outputs == 2 ? 22 : 13;
        const int32_t delayWords = c.outputs == 2 ? 2 * 32768 : 32768;  // stereo pairs in 'LMEM'
        // Dirty the process side as a previous run would leave it.
        std::fill_n(x.shell.GetStates(), 4 * states, uint8_t{0x7F});
        auto* line = static_cast<float*>(x.shell.GetExternStruct()[kExternDelayLine].data);
        line[0] = line[delayWords - 1] = 0.5f;

        BUFFER_HEADER* chain = nullptr;
        ASSERT_EQ(x.alg.InitAlg(true, &chain), eNoErr);
        const std::vector<BufferShape> expected = {{eBufferStates, 0, states},
                                                   {eBufferExternal, 0, 32768},
                                                   {eBufferCoefs, 0, c.outputs == 2 ? 17 : 15},
                                                   {eBufferExternal, 0, 1024}};
        EXPECT_EQ(Shapes(chain), expected);
        ASSERT_NE(chain, nullptr);
        EXPECT_TRUE(std::all_of(chain->words.begin(), chain->words.end(), [](uint32_t w) { return w == 0; }));
        x.Send(chain);
        EXPECT_TRUE(
            std::all_of(x.shell.GetStates(), x.shell.GetStates() + 4 * states, [](uint8_t b) { return b == 0; }));
        EXPECT_EQ(line[0], 0.0f);
        EXPECT_EQ(line[delayWords - 1], 0.0f);
    }
}

TEST(Lifecycle, DspTargetsClearBothBanksAndGrowTheDelayLineAboveFortyEightKilohertz) {
    cVelvane_ALG dsp(Component(FourCC("FLNS"), FourCC("pcDS")));
    ASSERT_EQ(dsp.FinishCreate(), eNoErr);
    cNspShell shell;
    ASSERT_EQ(dsp.InitProcessCode(&shell), eNoErr);
    BUFFER_HEADER* chain = nullptr;
    ASSERT_EQ(dsp.InitAlg(true, &chain), eNoErr);
    const auto shapes = Shapes(chain);
    ASSERT_GE(shapes.size(), 3u);
    EXPECT_EQ(shapes[1], (BufferShape{eBufferExternal, 0, 4096}));
    EXPECT_EQ(shapes[2], (BufferShape{eBufferExternalDSP, 0, 4096}));
    cALGORITHM::FreeBuffers(chain);

    struct RateCase {
        int32_t rate, dspWords;
    };
    for (const RateCase r : {RateCase{48000, 4096}, {88200, 8192}, {96000, 8916}, {192000, 17833}}) {
        SCOPED_TRACE(r.rate);
        cVelvane_ALG grown(Component(FourCC("FLNM"), FourCC("pcDS")));
        cVelvane_ALG native(Component(FourCC("FLNM")));
        for (cVelvane_ALG* alg : {&grown, &native}) {
            ASSERT_EQ(alg->FinishCreate(), eNoErr);
            ASSERT_EQ(alg->ChangeSampleRate(r.rate), eNoErr);
        }
        EXPECT_EQ(grown.GetExternalBuffer(kExternDelayLine)->size, r.dspWords);
        EXPECT_EQ(native.GetExternalBuffer(kExternDelayLine)->size, 32768);
    }
}

TEST(Lifecycle, PicturesOfEverySequenceAreLoaded) {
    Instance x(FourCC("FLNS"));
    // Each switch's first and last frame, through the read-outs that show them.
    struct Case {
        int16_t index;
        double value;
        uint16_t bitmap;
    };
    const Case cases[] = {{PARAM_INV_FEEDBACK, 0, 205}, {PARAM_TAPE_DELAY, 1, 206},   {PARAM_WAVE_FORM, 0, 144},
                          {PARAM_WAVE_FORM, 1, 145},    {PARAM_FILTER_TYPE, 0, 202},  {PARAM_FILTER_TYPE, 1, 203},
                          {PARAM_LINK_DEPTH, 0, 213},   {PARAM_LINK_DEPTH, 1, 214},   {PARAM_CLIP_L, 0, 161},
                          {PARAM_CLIP_R, 1, 162},       {PARAM_LR_PHASE, 0, 165},     {PARAM_LR_PHASE, 180, 184},
                          {PARAM_PAUSE, 0, 216},        {PARAM_PAUSE, 1, 217},        {PARAM_SYNC_ON_OFF, 0, 229},
                          {PARAM_SYNC_ON_OFF, 1, 230},  {PARAM_RATE_CAPTION, 0, 231}, {PARAM_RATE_CAPTION, 1, 232}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bitmap);
        sCONTROL_PARAM* p = x.alg.GetControlParam(c.index);
        p->SetRealWorld(eSetupA, c.value);
        p->refreshMark = eRefreshChanged;
        x.alg.DoIdle();
        ASSERT_NE(p->icon, nullptr);
        EXPECT_EQ(p->icon->resourceID, c.bitmap);
        EXPECT_GT(p->icon->width, 0);
    }
}

TEST(Lifecycle, EditorBackgroundsAreThePageSize) {
    for (const uint16_t id : {13950, 13951}) {
        CIcon* background = nullptr;
        ASSERT_EQ(LoadBitmapSequence(TestModule(), id, 1, &background), 1);
        EXPECT_EQ(background->width, 515);
        EXPECT_EQ(background->height, 181);
        SafeDisposeCIcon(background);
        EXPECT_EQ(background, nullptr);
    }
}

}  // namespace
