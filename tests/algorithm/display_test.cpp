#include "algorithm_fixture.h"
#include "plugin/algorithm/VelvaneDisplay.h"

namespace {

TEST(Display, PluginTexts) {
    struct Case {
        DisplayFunction function;
        double value;
        const char* text;
    };
    const Case cases[] = {
        {Display_0_to_100, 0.5, "50"},     {Display_0_to_100, 0.004, "0"},   {DisplayRate, 10.5, "10.5"},
        {DisplayRate, 10, "10.00"},        {DisplayRate, 0.01, "0.01"},      {DisplayRate, 0.007, "0.00"},
        {DisplayFreq, 9.9, "9.9k"},        {DisplayFreq, 10, "10k"},         {DisplayFreq, 0.1, "0.1k"},
        {DisplayWaveType, 0, "Sine"},      {DisplayWaveType, 1, "Triangle"}, {DisplayFilterType, 0, "Low-Pass"},
        {DisplayFilterType, 1, "Hi-Pass"},
    };
    for (const Case& c : cases) {
        std::string text = "old";
        c.function(0, c.value, text);
        EXPECT_EQ(text, c.text) << c.value;
    }
}

TEST(Display, RegisteredUnderTheNamesTheTableUses) {
    cVelvane_ALG alg(Component(FourCC("FLNS")));
    ASSERT_EQ(alg.FinishCreate(), eNoErr);
    struct Case {
        int16_t index;
        int32_t state;
        const char* text;
    };
    const Case cases[] = {{PARAM_MIX, 500, "50"},
                          {PARAM_RATE, 1000, "20.0"},
                          {PARAM_FILTER_FREQ, 435, "1.0k"},
                          {PARAM_WAVE_FORM, 1, "Triangle"},
                          {PARAM_FILTER_TYPE, 0, "Low-Pass"}};
    for (const Case& c : cases) {
        std::string text;
        alg.TranslateParam(c.index, c.state, text);
        EXPECT_EQ(text, c.text) << c.index;
    }
}

TEST(TextEntry, PercentagesAndRates) {
    cVelvane_ALG alg(Component(FourCC("FLNS")));
    ASSERT_EQ(alg.FinishCreate(), eNoErr);
    struct Case {
        int16_t index;
        const char* text;
        int32_t state;
    };
    const Case cases[] = {
        {PARAM_MIX, "-50", 500},    {PARAM_MIX, " 50 %", 500}, {PARAM_FEEDBACK, "abc", 0}, {PARAM_DEPTH, "150", -1},
        {PARAM_DEPTH, "100", 1000}, {PARAM_RATE, "0", 0},      {PARAM_RATE, "0.001", 0},   {PARAM_RATE, "-0.2 Hz", 445},
        {PARAM_RATE, "25", -1},     {PARAM_RATE, "nan", -1},   {PARAM_INV_PHASE, "On", 1}, {PARAM_IN_GAIN, "13", -1},
    };
    for (const Case& c : cases) EXPECT_EQ(alg.StateFromText(c.index, c.text), c.state) << c.index << " " << c.text;
    EXPECT_EQ(alg.StateFromText(PARAM_MIX, nullptr), -1);
}

}  // namespace
