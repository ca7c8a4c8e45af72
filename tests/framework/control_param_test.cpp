#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "TestAlgorithm.h"

namespace {

class Params : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(alg.FinishCreate(), eNoErr); }
    const sCONTROL_PARAM& P(int16_t index) { return *alg.GetControlParam(index); }
    TestAlgorithm alg;
};

TEST_F(Params, TableMatchesTheParameterList) {
    DisplayFunctionMap display;
    AddFrameworkDisplayFunctions(display);
    struct Row {
        const char* name;
        const char* label;
        const char* units;
        EScaleType scale;
        double min, max, resolution;
        int32_t initial;
        const char* display;
        uint32_t flags;
    };
    constexpr EScaleType L = eScaleLinear, G = eScaleLogarithmic, T = eScaleToggle;
    const Row rows[] = {
        {"PARAM_DEPTH", "Depth", "%", L, 0, 1, 0.01, 1000, "Display_0_to_100", 0},
        {"PARAM_RATE", "Rate", "Hz", G, 0.005, 20, 0.005, 445, "DisplayRate", eFlagRealWorldResolution},
        {"PARAM_LINK_DEPTH", "Link", "", T, 0, 1, 2, 0, "DisplayOnOff", 0},
        {"PARAM_WAVE_FORM", "WaveForm", "", T, 0, 1, 2, 0, "DisplayWaveType", 0},
        {"PARAM_DELAY", "Delay", "ms", G, 0.1, 50, 0.1, 500, "DisplayFloat1", 0},
        {"PARAM_FEEDBACK", "FeedBack", "%", L, 0, 1, 0.01, 500, "Display_0_to_100", 0},
        {"PARAM_INV_FEEDBACK", "Inv Feed", "", T, 0, 1, 2, 4, "DisplayOnOff", 0},
        {"PARAM_MIX", "Mix", "%", L, 0, 1, 0.01, 500, "Display_0_to_100", 0},
        {"PARAM_INV_PHASE", "Phase", "", T, 0, 1, 2, 4, "DisplayOnOff", 0},
        {"PARAM_FILTER_FREQ", "Freq", "", G, 0.1, 20, 0.1, 435, "DisplayFreq", 0},
        {"PARAM_FILTER_TYPE", "Filter On/Off", "", T, 0, 1, 2, 1, "DisplayFilterType", 0},
        {"PARAM_IN_GAIN", "Gain", "dB", L, -12, 12, 0.1, 500, "DisplayFloat1", 0},
        {"PARAM_VU_L", "Out VU left", "dB", L, -30, 0, 0.1, 0, "DisplayVuHold", eFlagNotSavable},
        {"PARAM_VU_R", "Out VU right", "dB", L, -30, 0, 0.1, 0, "DisplayVuHold", eFlagNotSavable},
        {"PARAM_LR_PHASE", "Stereo", "", L, 0, 180, 1, 0, "DisplayFloat0", 0},
        {"PARAM_DUMMY", "LR Delay", "", L, -50, 100, 10, 340, "DisplayFloat0", 0},
        {"PARAM_OSCILATOR_VU", "Ocilations", "??", L, -1, 0, 0.1, 500, "DisplayVuHold", eFlagNotSavable},
        {"PARAM_CLIP_R", "clip", "", T, 0, 1, 2, 0, "DisplayFloat0", eFlagNotSavable},
        {"PARAM_CLIP_L", "clip", "", T, 0, 1, 2, 0, "DisplayFloat0", eFlagNotSavable},
        {"PARAM_FILTER_ON_OFF", "Filter on/off", "", T, 0, 1, 2, 4, "DisplayOnOff", 0},
        {"PARAM_TAPE_DELAY", "Tape", "", T, 0, 1, 2, 6, "DisplayOnOff", 0},
        {"PARAM_PAUSE", "Tape", "", T, 0, 1, 2, 0, "DisplayOnOff", 0},
        {"PARAM_SYNC_ON_OFF", "Sync on/off", "", T, 0, 1, 2, 4, "DisplayOnOff", 0},
        {"PARAM_xFACTOR", "x ", "", T, 0, 15, 16, 1, "DisplayNothing", eFlagAlwaysUpdate},
        {"PARAM_RATE_CAPTION", "\tEdit Mode", "", T, 0, 1, 2, 0, nullptr, eFlagNotSavable},
    };
    ASSERT_EQ(alg.GetNumParams(), 25);
    for (int16_t i = 0; i < 25; ++i) {
        const Row& r = rows[i];
        const sCONTROL_PARAM& p = P(i);
        SCOPED_TRACE(r.name);
        EXPECT_EQ(p.name, r.name);
        EXPECT_EQ(p.label, r.label);
        EXPECT_EQ(p.units, r.units);
        EXPECT_EQ(p.scaleType, r.scale);
        EXPECT_EQ(p.minimum, r.min);
        EXPECT_EQ(p.maximum, r.max);
        EXPECT_EQ(p.resolution, r.resolution);
        EXPECT_EQ(p.flags, r.flags);
        // Toggle states 4 and 6 mean off.
        EXPECT_EQ(p.GetState(eSetupA), p.NormalizeState(r.initial));
        EXPECT_EQ(p.GetState(eSetupB), p.NormalizeState(r.initial));
        EXPECT_EQ(p.GetRealWorld(eSetupA), p.StateToRealWorld(p.GetState(eSetupA)));
        if (!r.display)
            EXPECT_EQ(p.display, nullptr);
        else if (display.count(r.display))
            EXPECT_EQ(p.display, display[r.display]);
        else
            EXPECT_EQ(p.display, TestAlgorithm::PluginDisplay);
    }
}

TEST_F(Params, ConversionsAtTheWorkedValues) {
    struct Case {
        int16_t index;
        int32_t state;
        double value;
        double tolerance;
    };
    const Case cases[] = {
        {0, 500, 0.5, 0},     {1, 445, 0.2004, 5e-5}, {4, 500, 2.236, 5e-4}, {9, 435, 1.002, 5e-4},
        {11, 500, 0, 0},      {12, 500, -15, 0},      {12, 0, -30, 0},       {1, 167, 0.02, 5e-3},
        {1, 361, 0.10, 5e-3}, {1, 432, 0.18, 5e-3},   {1, 555, 0.50, 5e-3},  {1, 585, 0.64, 5e-3},
        {1, 612, 0.80, 5e-3}, {1, 0, 0.005, 1e-15},   {4, 1000, 50, 1e-12},  {23, 15, 15, 0},
        {23, 1, 1, 0},        {2, 1, 1, 0},           {14, 1000, 180, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << P(c.index).name << " state " << c.state);
        EXPECT_NEAR(P(c.index).StateToRealWorld(c.state), c.value, c.tolerance);
    }
}

TEST_F(Params, EveryStateConvertsBackToItself) {
    for (int16_t i = 0; i < alg.GetNumParams(); ++i) {
        const sCONTROL_PARAM& p = P(i);
        for (int32_t s = 0; s < p.GetNumStates(); ++s)
            ASSERT_EQ(p.RealWorldToState(p.StateToRealWorld(s)), s) << p.name;
    }
}

TEST_F(Params, RealWorldToStateDoesNotClamp) {
    EXPECT_EQ(P(0).RealWorldToState(1.5), 1500);
    EXPECT_EQ(P(7).RealWorldToState(-0.5), -500);
    EXPECT_GT(P(1).RealWorldToState(25), 1000);
    EXPECT_LT(P(1).RealWorldToState(0.001), 0);
    EXPECT_EQ(P(1).RealWorldToState(0), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(P(0).RealWorldToState(std::nan("")), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(P(0).RealWorldToState(1e300), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(P(0).RealWorldToState(0.0005), 1) << "halves round away from zero";
    EXPECT_EQ(P(0).RealWorldToState(-0.0005), -1);
}

TEST_F(Params, StoredStatesAreBroughtIntoRange) {
    struct Case {
        int16_t index;
        int32_t state;
        int32_t stored;
    };
    const Case cases[] = {{6, 4, 0},
                          {20, 6, 0},
                          {2, 11, 1},
                          {19, 23, 1},
                          {2, -1, 1},
                          {2, -2, 0},
                          {23, 17, 1},
                          {23, -1, 15},
                          {23, 15, 15},
                          {0, -5, 0},
                          {0, 2000, 1000},
                          {1, 500, 500},
                          {11, std::numeric_limits<int32_t>::min(), 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << P(c.index).name << " state " << c.state);
        sCONTROL_PARAM p = P(c.index);
        p.SetState(eSetupB, c.state);
        EXPECT_EQ(p.GetState(eSetupB), c.stored);
    }
}

TEST_F(Params, RealWorldResolutionKeepsAnExactValueOfTheSameState) {
    sCONTROL_PARAM rate = P(1);
    rate.SetRealWorld(eSetupA, 0.333);
    rate.UpdateStateFromRealWorld(eSetupA);
    const int32_t state = rate.GetState(eSetupA);
    rate.UpdateRealWorldFromState(eSetupA);
    EXPECT_EQ(rate.GetRealWorld(eSetupA), 0.333);
    rate.SetState(eSetupA, state + 1);
    rate.UpdateRealWorldFromState(eSetupA);
    EXPECT_EQ(rate.GetRealWorld(eSetupA), rate.StateToRealWorld(state + 1));

    sCONTROL_PARAM depth = P(0);  // without the flag the value always follows the state
    depth.SetRealWorld(eSetupA, 0.5004);
    depth.UpdateStateFromRealWorld(eSetupA);
    EXPECT_EQ(depth.GetState(eSetupA), 500);
    depth.UpdateRealWorldFromState(eSetupA);
    EXPECT_EQ(depth.GetRealWorld(eSetupA), 0.5);
}

TEST_F(Params, ResetStates) {
    EXPECT_EQ(P(0).GetResetState(), 1000);
    EXPECT_EQ(P(1).GetResetState(), 445);
    EXPECT_EQ(P(10).GetResetState(), 1);
    EXPECT_EQ(P(23).GetResetState(), 1);
    EXPECT_EQ(P(24).GetResetState(), 0);
    EXPECT_EQ(P(6).GetResetState(), 0) << "no reset value: the initial state";
    EXPECT_EQ(P(16).GetDefaultState(), 500);
}

TEST(DisplayFunctions, FrameworkTexts) {
    struct Case {
        DisplayFunction display;
        double value;
        const char* text;
    };
    const Case cases[] = {
        {DisplayFloat0, 49.6, "50"},   {DisplayFloat0, 0, "0"},         {DisplayFloat1, 2.236, "2.2"},
        {DisplayFloat1, -12, "-12.0"}, {DisplayFloat2, 0.2004, "0.20"}, {DisplayFloat2, 10, "10.00"},
        {DisplayOnOff, 1, "On"},       {DisplayOnOff, 0, "Off"},        {DisplayVuHold, -3.04, "-3.0"},
        {DisplayVuHold, -144, "-inf"}, {DisplayVuHold, -200, "-inf"},   {DisplayNothing, 5, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string text = "previous";
        c.display(0, c.value, text);
        EXPECT_EQ(text, c.text);
    }
}

TEST_F(Params, BaseStateFromText) {
    struct Case {
        int16_t index;
        const char* text;
        int32_t state;
    };
    const Case cases[] = {
        {4, "2.236", 500}, {4, " 2.236 ms", 500}, {4, "0.1", 0},     {4, "60", -1},   {4, "0.05", -1},  {4, "ms", -1},
        {4, "", -1},       {11, "-12", 0},        {11, "+12", 1000}, {11, "nan", -1}, {11, "inf", -1},  {2, "on", 1},
        {2, "OFF", 0},     {2, " On ", 1},        {2, "1", 1},       {2, "2", -1},    {2, "maybe", -1}, {23, "15", 15},
        {23, "16", -1},    {23, "", -1},          {25, "1", -1},     {-1, "1", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "index " << c.index << " text '" << c.text << "'");
        EXPECT_EQ(alg.StateFromText(c.index, c.text), c.state);
    }
    EXPECT_EQ(alg.StateFromText(4, nullptr), -1);
}

}  // namespace
