#include <cmath>
#include <utility>

#include "algorithm_fixture.h"
#include "framework/Levels.h"

namespace {

constexpr uint32_t kStereo = FourCC("FLNS");
constexpr uint32_t kMono = FourCC("FLNM");
constexpr uint32_t kDsp = FourCC("pcDS");

TEST(DelayGroup, CentreDelayDepthAndDryOffsetsAtTheWorkedValues) {
    for (const ComponentCase& c : kComponents) {
        SCOPED_TRACE(c.name);
        Instance x(c.type);  // depth 1, delay 2.236 ms, tape off
        EXPECT_EQ(x.LiveInt(COEF_DELAY_CENTER), 98);
        EXPECT_EQ(x.LiveFloat(COEF_DEPTH), 0.95f);
        EXPECT_EQ(x.LiveInt(COEF_DELAY_MASK), 32767);
        EXPECT_EQ(x.LiveInt(COEF_DRY_WRITE_OFFSET), 21845);
        EXPECT_EQ(x.LiveInt(COEF_DRY_READ_OFFSET), 21845);
        if (c.outputs == 2) {
            EXPECT_EQ(x.LiveInt(COEF_DELAY_CENTER_R), 98);
            // 512 table entries per 180 degrees, truncated.
            for (const auto& [state, entries] : {std::pair{0, 0}, {1, 0}, {500, 256}, {1000, 512}}) {
                x.Set(PARAM_LR_PHASE, state);
                EXPECT_EQ(x.LiveInt(COEF_LFO_PHASE_OFFSET_R), entries) << state;
            }
        }
    }
}

TEST(DelayGroup, TapeModeDelaysTheDryTapByTheCentreDelay) {
    Instance x(kStereo);
    x.Set(PARAM_TAPE_DELAY, 1);
    x.Set(PARAM_DEPTH, 500);
    x.SetValue(PARAM_DELAY, 10.0);
    EXPECT_EQ(x.LiveInt(COEF_DELAY_CENTER), 220);  // half of 10 ms
    EXPECT_EQ(x.LiveFloat(COEF_DEPTH), static_cast<float>(1 - 1.0 / 220));
    EXPECT_EQ(x.LiveInt(COEF_DRY_WRITE_OFFSET), 21845);
    EXPECT_EQ(x.LiveInt(COEF_DRY_READ_OFFSET), 21845 + 220);
}

// A short DSP delay line (4096 entries, limit 2730 frames) makes both depth write-backs reachable.
TEST(DelayGroup, DepthGivesWayToTheDelayLineAndIsWrittenBack) {
    struct Case {
        const char* name;
        bool tape;
        int32_t centre, dryRead;
        double depth;  // the depth parameter written back
        float coefDepth;
    };
    const Case cases[] = {
        {"tape", true, 1365, 2730 + 1365, 1365 / 2205.0, static_cast<float>(1 - 1.0 / 1365)},
        {"no tape", false, 2205, 2730, 2730.0 / 2205 - 1, static_cast<float>(2730.0 / 2205 - 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Instance x(kStereo, kDsp);
        x.Set(PARAM_TAPE_DELAY, c.tape ? 1 : 0);
        x.alg.GetControlParam(PARAM_DEPTH)->refreshMark = eRefreshNone;
        x.SetValue(PARAM_DELAY, 50.0);
        EXPECT_EQ(x.LiveInt(COEF_DELAY_MASK), 4095);
        EXPECT_EQ(x.LiveInt(COEF_DELAY_CENTER), c.centre);
        EXPECT_EQ(x.LiveInt(COEF_DRY_READ_OFFSET), c.dryRead);
        EXPECT_EQ(x.LiveFloat(COEF_DEPTH), c.coefDepth);
        const sCONTROL_PARAM* depth = x.alg.GetControlParam(PARAM_DEPTH);
        EXPECT_DOUBLE_EQ(depth->GetRealWorld(eSetupA), c.depth);
        EXPECT_EQ(depth->GetState(eSetupA), depth->RealWorldToState(c.depth));
        EXPECT_EQ(depth->refreshMark, eRefreshChanged);
    }
}

TEST(DelayGroup, TheShortestDelayIsOneFrame) {
    Instance x(kMono, FourCC("pcDX"), 8000);
    x.Set(PARAM_DELAY, 0);  // 0.1 ms: 0.8 frames
    EXPECT_EQ(x.LiveInt(COEF_DELAY_CENTER), 1);
    EXPECT_EQ(x.LiveFloat(COEF_DEPTH), 0.0f) << "depth at most 1 - 1 / D";
}

// Every factory preset, at every supported kind of rate, gives a record inside the kernel's
// invariants: the modulated delay within 1 … dry write offset, the dry taps inside the line, the
// LFO at most one entry a frame and its table inside the buffer.
TEST(Coefficients, EveryPresetKeepsTheKernelInvariants) {
    for (const ComponentCase& c : kComponents) {
        for (const int32_t rate : {8000, 44100, 96000, 192000}) {
            Instance x(c.type, FourCC("pcDX"), rate);
            for (int32_t preset = 0; preset < x.alg.GetPresetsManager().GetFactoryPresetCount(); ++preset) {
                SCOPED_TRACE(testing::Message() << c.name << " at " << rate << " Hz, "
                                                << x.alg.GetPresetsManager().GetFactoryPresetName(preset));
                ASSERT_TRUE(LoadPreset(x.alg, preset));
                const float centre = static_cast<float>(x.LiveInt(COEF_DELAY_CENTER));
                const float depth = x.LiveFloat(COEF_DEPTH);
                const int32_t dryWrite = x.LiveInt(COEF_DRY_WRITE_OFFSET);
                EXPECT_GE(centre - centre * depth, 1.0f - 1e-4f);
                EXPECT_LE(centre + centre * depth, static_cast<float>(dryWrite));
                EXPECT_LE(dryWrite, x.LiveInt(COEF_DRY_READ_OFFSET));
                EXPECT_LE(x.LiveInt(COEF_DRY_READ_OFFSET), x.LiveInt(COEF_DELAY_MASK));
                EXPECT_EQ(x.LiveInt(COEF_DELAY_MASK), 32767);
                EXPECT_GE(x.LiveFloat(COEF_LFO_HALF_STEP), 0.0f);
                EXPECT_LE(2 * x.LiveFloat(COEF_LFO_HALF_STEP), 1.0f);
                EXPECT_EQ(x.LiveInt(COEF_LFO_INDEX_MASK), 1023);
                EXPECT_LE(x.LiveInt(COEF_LFO_TABLE_OFFSET) + 1024, 2048);
            }
        }
    }
}

float Tap(Instance& x, int slot) { return x.LiveFloat(slot) / 0.25f; }  // the wet gain is 1/4 here

TEST(WetGroup, NineTapFilterAtOneKilohertz) {
    Instance x(kMono);
    x.Set(PARAM_FEEDBACK, 0);  // wet gain: 1/4 at mix 1, 0 dB, no feedback
    x.Set(PARAM_MIX, 1000);
    x.Set(PARAM_FILTER_ON_OFF, 1);
    x.Set(PARAM_FILTER_TYPE, 0);
    x.SetValue(PARAM_FILTER_FREQ, 1.0);
    const int kOuterFirst[] = {COEF_WET_TAP_4, COEF_WET_TAP_3_5, COEF_WET_TAP_2_6, COEF_WET_TAP_1_7, COEF_WET_TAP_0_8};
    const double lowPass[] = {0.2068, 0.1847, 0.1292, 0.0653, 0.0173};
    for (int i = 0; i < 5; ++i) EXPECT_NEAR(Tap(x, kOuterFirst[i]), lowPass[i], 5e-5) << "c" << i;

    auto gainAt = [&](double sign) {  // the taps' response at 0 Hz (+1) or half the rate (-1)
        double sum = Tap(x, COEF_WET_TAP_4);
        for (int i = 1; i < 5; ++i) sum += 2 * std::pow(sign, i) * Tap(x, kOuterFirst[i]);
        return sum;
    };
    EXPECT_NEAR(gainAt(1), 1.0, 1e-6) << "low-pass: unity at 0 Hz";
    x.Set(PARAM_FILTER_TYPE, 1);
    EXPECT_NEAR(gainAt(-1), 1.0, 1e-6) << "high-pass: unity at half the rate";
    EXPECT_LT(x.LiveFloat(COEF_WET_TAP_3_5), 0.0f);

    x.Set(PARAM_FILTER_ON_OFF, 0);
    for (int slot = COEF_WET_TAP_0_8; slot <= COEF_WET_TAP_3_5; ++slot) EXPECT_EQ(x.LiveFloat(slot), 0.0f);
    EXPECT_EQ(x.LiveFloat(COEF_WET_TAP_4), 0.25f) << "the plain wet gain";
}

TEST(WetGroup, HighPassAtHalfTheRateStaysFinite) {
    Instance x(kMono, FourCC("pcDX"), 40000);
    x.Set(PARAM_FILTER_ON_OFF, 1);
    x.Set(PARAM_FILTER_TYPE, 1);
    x.SetValue(PARAM_FILTER_FREQ, 20.0);
    for (int slot = COEF_WET_TAP_0_8; slot <= COEF_WET_TAP_4; ++slot) EXPECT_TRUE(std::isfinite(x.LiveFloat(slot)));
}

TEST(Gains, MixFeedbackAndTheShortDelayCompensation) {
    Instance x(kMono);
    x.Set(PARAM_FEEDBACK, 1000);
    EXPECT_EQ(x.LiveFloat(COEF_FEEDBACK), 0.999f);
    x.Set(PARAM_INV_FEEDBACK, 1);
    EXPECT_EQ(x.LiveFloat(COEF_FEEDBACK), -0.999f);

    // Feedback 1 halves the wet gain at any delay; feedback 0 leaves it.
    const float halved = x.LiveFloat(COEF_WET_TAP_4);
    x.Set(PARAM_FEEDBACK, 0);
    EXPECT_EQ(x.LiveFloat(COEF_WET_TAP_4), 2 * halved);
    EXPECT_NEAR(x.LiveFloat(COEF_WET_TAP_4), 0.25 * std::sqrt(0.5), 1e-7);
    x.Set(PARAM_INV_PHASE, 1);
    EXPECT_EQ(x.LiveFloat(COEF_WET_TAP_4), -2 * halved);

    x.Set(PARAM_IN_GAIN, 1000);  // +12 dB
    x.Set(PARAM_MIX, 0);
    EXPECT_EQ(x.LiveFloat(COEF_DRY_GAIN), static_cast<float>(DBToAmplitude(12) / 4));
    EXPECT_EQ(x.LiveFloat(COEF_WET_TAP_4), -0.0f);
    x.Set(PARAM_MIX, 1000);
    EXPECT_EQ(x.LiveFloat(COEF_DRY_GAIN), 0.0f);
}

TEST(Bypass, DryAtUnityWhileTheLfoKeepsItsSpeed) {
    Instance x(kStereo);
    x.alg.SetBypass(1);
    for (int slot = 0; slot < kStereoCoefSlots; ++slot) {
        const float expected = slot == COEF_DRY_GAIN                                ? 0.25f
                               : slot >= COEF_WET_TAP_0_8 && slot <= COEF_WET_TAP_4 ? 0.0f
                                                                                    : x.Float(slot);
        EXPECT_EQ(x.LiveInt(slot), SlotInt(reinterpret_cast<const uint8_t*>(&expected), 0)) << slot;
    }
    x.Set(PARAM_RATE, 800);
    EXPECT_EQ(x.LiveFloat(COEF_LFO_HALF_STEP), x.Float(COEF_LFO_HALF_STEP)) << "rate changes pass";
    const float depth = x.LiveFloat(COEF_DEPTH);
    x.Set(PARAM_DEPTH, 300);
    EXPECT_EQ(x.LiveFloat(COEF_DEPTH), depth) << "other changes wait";
    x.alg.SetBypass(0);
    EXPECT_EQ(x.LiveFloat(COEF_DEPTH), x.Float(COEF_DEPTH));
    EXPECT_EQ(x.LiveFloat(COEF_LFO_HALF_STEP), x.Float(COEF_LFO_HALF_STEP));
}

TEST(Link, DepthChangesMoveTheRateWithinItsLimit) {
    Instance x(kMono);
    x.Set(PARAM_LINK_DEPTH, 1);
    x.SetValue(PARAM_RATE, 10.0);
    x.Set(PARAM_DEPTH, 500);  // halved: the rate doubles
    EXPECT_EQ(x.alg.GetParam(PARAM_RATE), 20.0);
    EXPECT_EQ(x.alg.GetParamState(PARAM_RATE), 1000);
    EXPECT_EQ(x.alg.GetControlParam(PARAM_RATE)->refreshMark, eRefreshChanged);
    EXPECT_EQ(x.LiveFloat(COEF_LFO_HALF_STEP), static_cast<float>(20.0 * 1024 / 44100 / 2));
    x.Set(PARAM_DEPTH, 250);  // the rate would be 40: it stays at 20 and the depth moves back
    EXPECT_EQ(x.alg.GetParam(PARAM_RATE), 20.0);
    EXPECT_EQ(x.alg.GetParam(PARAM_DEPTH), 0.5);
    EXPECT_EQ(x.alg.GetParamState(PARAM_DEPTH), 500);
    EXPECT_EQ(x.LiveFloat(COEF_DEPTH), static_cast<float>(0.5 * 0.95));
}

TEST(Link, RateChangesMoveTheDepthWithinItsLimit) {
    Instance x(kMono);  // depth 1
    const double before = x.alg.GetParam(PARAM_RATE);
    x.Set(PARAM_LINK_DEPTH, 1);
    x.Set(PARAM_RATE, 612);  // about four times faster: the depth falls to a quarter
    const double depth = before / x.alg.GetParam(PARAM_RATE);
    EXPECT_EQ(x.alg.GetParam(PARAM_DEPTH), depth);
    EXPECT_EQ(x.alg.GetControlParam(PARAM_DEPTH)->refreshMark, eRefreshChanged);
    EXPECT_EQ(x.LiveFloat(COEF_DEPTH), static_cast<float>(depth * 0.95));
    x.Set(PARAM_RATE, 300);  // slower than where the depth was 1: the rate moves back
    EXPECT_EQ(x.alg.GetParam(PARAM_DEPTH), 1.0);
    EXPECT_NEAR(x.alg.GetParam(PARAM_RATE), before, 1e-12);
}

struct ExecLog {
    cALGORITHM* alg;
    std::vector<std::pair<int32_t, uint8_t*>> calls;
};

int32_t RecordExec(int32_t message, intptr_t user, uint8_t* a, uint8_t*, uint8_t*) {
    auto* log = reinterpret_cast<ExecLog*>(user);
    log->calls.push_back({message, a});
    if (message == kExecSendBuffers) log->alg->SendBuffers(reinterpret_cast<BUFFER_HEADER*>(a));
    if (message == kExecFreeBuffers) cALGORITHM::FreeBuffers(reinterpret_cast<BUFFER_HEADER*>(a));
    return 0;
}

float HalfStep(double hz, int32_t rate = 44100) { return static_cast<float>(std::min(hz * 1024 / rate, 1.0) / 2); }

TEST(Tempo, FactorsCountCyclesPerBeatOfTheHostTempo) {
    Instance x(kStereo);
    ExecLog log{&x.alg, {}};
    x.alg.SetExecCallBack(RecordExec, reinterpret_cast<intptr_t>(&log));

    x.Set(PARAM_SYNC_ON_OFF, 1);
    EXPECT_EQ(x.alg.GetParam(PARAM_RATE_CAPTION), 1.0);
    EXPECT_EQ(x.alg.GetControlParam(PARAM_RATE_CAPTION)->refreshMark, eRefreshChanged);
    EXPECT_EQ(x.alg.GetControlParam(PARAM_RATE)->refreshMark, eRefreshChanged);
    x.Set(PARAM_xFACTOR, 4);
    EXPECT_EQ(x.LiveFloat(COEF_LFO_HALF_STEP), HalfStep(1.0)) << "no tempo yet: the rate is Hz";

    x.alg.SetTempo(120);
    EXPECT_EQ(x.LiveFloat(COEF_LFO_HALF_STEP), HalfStep(2.0));
    ASSERT_EQ(log.calls.size(), 2u);
    EXPECT_EQ(log.calls[0].first, kExecSendBuffers);
    EXPECT_EQ(log.calls[1].first, kExecFreeBuffers);
    EXPECT_EQ(log.calls[0].second, log.calls[1].second);

    x.Set(PARAM_xFACTOR, 1);
    EXPECT_EQ(x.alg.GetParam(PARAM_RATE), 0.333) << "the decimal, kept exact";
    EXPECT_EQ(x.alg.GetParamState(PARAM_RATE), x.alg.GetControlParam(PARAM_RATE)->RealWorldToState(0.333));
    EXPECT_EQ(x.LiveFloat(COEF_LFO_HALF_STEP), HalfStep(2 * 0.333));
    x.Set(PARAM_xFACTOR, 1);  // the same factor again re-applies it
    EXPECT_EQ(x.alg.GetControlParam(PARAM_RATE)->refreshMark, eRefreshChanged);

    x.alg.SetTempo(0);
    EXPECT_EQ(x.alg.GetTempo(), 0);
    EXPECT_EQ(log.calls.size(), 2u) << "tempo 0 changes nothing else";
    x.Set(PARAM_SYNC_ON_OFF, 0);
    EXPECT_EQ(x.alg.GetParam(PARAM_RATE_CAPTION), 0.0);
}

TEST(Tempo, FastSyncIsHeldAtOneTableEntryAFrame) {
    Instance x(kStereo);
    x.Set(PARAM_SYNC_ON_OFF, 1);
    x.Set(PARAM_xFACTOR, 15);  // 16 cycles a beat
    x.alg.SetTempo(300);       // 80 Hz: 1.86 entries a frame
    EXPECT_EQ(x.LiveFloat(COEF_LFO_HALF_STEP), 0.5f);
}

TEST(LfoRate, StandsStillBelowOneHundredthOfAHertzOrWhenPaused) {
    struct Case {
        const char* name;
        void (*apply)(Instance&);
    };
    const Case cases[] = {
        {"rate state 83", [](Instance& x) { x.Set(PARAM_RATE, 83); }},
        {"pause", [](Instance& x) { x.Set(PARAM_PAUSE, 1); }},
        {"Queenguitar", [](Instance& x) { ASSERT_TRUE(LoadPreset(x.alg, 14)); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Instance x(kMono);
        ASSERT_GT(x.LiveFloat(COEF_LFO_HALF_STEP), 0.0f);
        c.apply(x);
        EXPECT_EQ(x.LiveFloat(COEF_LFO_HALF_STEP), 0.0f);
    }
}

TEST(LfoTables, OnePerSetupInItsHalfOfTheBuffer) {
    Instance x(kStereo);
    const float* tables = x.Table(kExternLfoTables);
    EXPECT_EQ(x.LiveInt(COEF_LFO_TABLE_OFFSET), 0);
    EXPECT_NEAR(tables[128], std::sqrt(0.5), 1e-4) << "sine, an eighth of a cycle in";
    x.alg.ToggleActiveSetup(eSetupB);
    EXPECT_EQ(x.LiveInt(COEF_LFO_TABLE_OFFSET), 1024);
    EXPECT_NEAR(tables[1024 + 128], std::sqrt(0.5), 1e-4);
    x.Set(PARAM_WAVE_FORM, 1);
    EXPECT_EQ(tables[1024 + 128], 0.5f) << "triangle";
    EXPECT_EQ(tables[1024 + 512], 0.0f);
    EXPECT_EQ(tables[1024 + 768], -1.0f);
    EXPECT_NEAR(tables[128], std::sqrt(0.5), 1e-4) << "setup A's table untouched";
}

// What each parameter change sends, in order, and that everything the handlers write is sent.
TEST(ChangeHandler, EachParameterSendsItsGroups) {
    const std::vector<BufferShape> delayStereo = {{eBufferCoefs, 3, 4}, {eBufferCoefs, 15, 2}, {eBufferCoefs, 7, 2}};
    const std::vector<BufferShape> delayMono = {{eBufferCoefs, 3, 4}, {eBufferCoefs, 7, 2}};
    const std::vector<BufferShape> rate = {{eBufferCoefs, 1, 2}};
    const std::vector<BufferShape> wet = {{eBufferCoefs, 10, 5}};
    const std::vector<BufferShape> feedback = {{eBufferCoefs, 6, 1}, {eBufferCoefs, 10, 5}};
    const std::vector<BufferShape> dry = {{eBufferCoefs, 9, 1}, {eBufferCoefs, 10, 5}};
    const std::vector<BufferShape> table = {{eBufferExternal, 0, 1024}, {eBufferCoefs, 0, 1}};
    const std::vector<BufferShape> none;
    struct Case {
        int16_t index;
        int32_t state;
        const std::vector<BufferShape>* sent;  // null: the delay group of the component
        bool marked;
    };
    const Case cases[] = {
        {PARAM_DEPTH, 500, nullptr, true},        {PARAM_RATE, 600, &rate, true},
        {PARAM_LINK_DEPTH, 1, &none, true},       {PARAM_WAVE_FORM, 1, &table, true},
        {PARAM_DELAY, 600, nullptr, true},        {PARAM_FEEDBACK, 700, &feedback, true},
        {PARAM_INV_FEEDBACK, 1, &feedback, true}, {PARAM_MIX, 300, &dry, true},
        {PARAM_INV_PHASE, 1, &dry, true},         {PARAM_FILTER_FREQ, 500, &wet, true},
        {PARAM_FILTER_TYPE, 0, &wet, true},       {PARAM_IN_GAIN, 600, &dry, true},
        {PARAM_VU_L, 500, &none, true},           {PARAM_VU_R, 500, &none, true},
        {PARAM_LR_PHASE, 500, nullptr, true},     {PARAM_DUMMY, 500, &none, false},
        {PARAM_OSCILATOR_VU, 100, &none, false},  {PARAM_CLIP_R, 1, &none, true},
        {PARAM_CLIP_L, 1, &none, true},           {PARAM_FILTER_ON_OFF, 1, &wet, true},
        {PARAM_TAPE_DELAY, 1, nullptr, true},     {PARAM_PAUSE, 1, &rate, true},
        {PARAM_SYNC_ON_OFF, 1, &rate, true},      {PARAM_xFACTOR, 5, &rate, true},
        {PARAM_RATE_CAPTION, 1, &none, false},
    };
    for (const uint32_t type : {kStereo, kMono}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << (type == kStereo ? "stereo " : "mono ") << c.index);
            Instance x(type);
            x.alg.GetControlParam(c.index)->refreshMark = eRefreshNone;
            BUFFER_HEADER* chain = x.alg.UpdateParam(c.index, c.state);
            EXPECT_EQ(Shapes(chain), c.sent ? *c.sent : type == kStereo ? delayStereo : delayMono);
            x.Send(chain);
            EXPECT_EQ(x.alg.GetControlParam(c.index)->refreshMark, c.marked ? eRefreshChanged : eRefreshNone);
            for (int slot = 0; slot < x.alg.GetCoefsNum(); ++slot) EXPECT_EQ(x.LiveInt(slot), x.Int(slot)) << slot;
        }
    }
}

}  // namespace
