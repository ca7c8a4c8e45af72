#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "TestAlgorithm.h"

namespace {

const char* const kNames[] = {"Velvane Full Reset",
                              "Classic phaser",
                              "Thru the null",
                              "Mutron Biphase",
                              "MXR grey stomp",
                              "Slow Rotor",
                              "Fast Rotor",
                              "Itchycute Perk",
                              "Chorus light",
                              "Chorus medium",
                              "Reflective Room 1",
                              "Reflective Room 2",
                              "Blurrr",
                              "Up and Down phaser",
                              "Queenguitar",
                              "Soft spread",
                              "Doubler",
                              "Underwater",
                              "Ampex 440",
                              "Creeping ambiant",
                              "Stereohh"};

// Every state and value of both setups, to see that a refused load changes nothing.
struct Snapshot {
    std::vector<int32_t> states;
    std::vector<double> values;
    bool operator==(const Snapshot&) const = default;
};

Snapshot Take(const cALGORITHM& alg) {
    Snapshot s;
    for (const EPluginSetup setup : {eSetupA, eSetupB})
        for (int16_t i = 0; i < alg.GetNumParams(); ++i) {
            s.states.push_back(alg.GetControlParam(i)->GetState(setup));
            s.values.push_back(alg.GetControlParam(i)->GetRealWorld(setup));
        }
    return s;
}

TestAlgorithm& Created(TestAlgorithm& alg) {
    EXPECT_EQ(alg.FinishCreate(), eNoErr);
    return alg;
}

TEST(FactoryPresets, MenusPerComponent) {
    for (const uint32_t type : {FourCC("FLNS"), FourCC("FLNX"), FourCC("FLNM")}) {
        SCOPED_TRACE(type);
        TestAlgorithm alg(type);
        const CPresetsManager& presets = Created(alg).GetPresetsManager();
        const bool mono = type == FourCC("FLNM");
        ASSERT_EQ(presets.GetFactoryPresetCount(), mono ? 20 : 21) << "Stereohh is for the stereo outputs only";
        for (int32_t i = 0; i < presets.GetFactoryPresetCount(); ++i)
            EXPECT_STREQ(presets.GetFactoryPresetName(i), kNames[i]);
        EXPECT_STREQ(presets.GetFactoryPresetName(-1), "");
        EXPECT_EQ(presets.GetFactoryPreset(presets.GetFactoryPresetCount()), nullptr);
        EXPECT_EQ(alg.LoadFactoryPreset(presets.GetFactoryPresetCount()), eBadArgument);
    }
}

TEST(FactoryPresets, RealWorldValuesOfTheContinuousParameters) {
    // Depth, feedback and mix in percent, rate Hz, delay ms, frequency kHz, gain dB, phase degrees,
    // to three significant digits.
    const double table[21][8] = {
        {100, 0.2, 2.24, 50, 50, 1, 0, 0},       {100, 0.2, 0.773, 0, 40, 1, 0, 0},
        {70, 0.0401, 4.98, 0, 50, 4.1, -6, 0},   {12, 0.0998, 9, 80, 100, 1.2, 0, 180},
        {100, 0.0699, 9, 88, 45, 4.1, -6, 0},    {100, 0.64, 0.599, 50, 64, 16, 0, 18},
        {4, 7.58, 6.01, 18, 72, 14, 0, 81},      {2, 0.02, 50, 38, 50, 18, 0, 0},
        {62, 0.801, 2.31, 0, 50, 4.91, 0, 0},    {100, 0.499, 3.31, 0, 50, 4.91, 0, 0},
        {2, 1.48, 50, 57, 18, 11, 0, 100},       {1, 1.48, 50, 41, 8, 11, 0, 100},
        {100, 0.18, 14, 30, 50, 0.2, 0, 79.9},   {100, 0.301, 0.599, 70, 80, 0.798, 0, 0},
        {0, 0.005, 1.53, 50, 70, 0.798, 0, 0},   {4, 0.251, 15, 8, 63, 2, 0, 156},
        {9, 0.441, 30, 0, 10, 0.401, 0, 0},      {48, 5.17, 2.19, 45, 25, 4.1, 0, 0},
        {25, 0.0699, 11, 30, 40, 0.401, 0, 0},   {6, 0.0998, 31, 30, 30, 11, 0, 100},
        {100, 0.651, 2.99, 0, 30, 4.1, -6, 180},
    };
    const int16_t index[8] = {0, 1, 4, 5, 7, 9, 11, 14};
    const double scale[8] = {100, 1, 1, 100, 100, 1, 1, 1};
    TestAlgorithm alg;
    Created(alg);
    for (int32_t preset = 0; preset < 21; ++preset) {
        SCOPED_TRACE(kNames[preset]);
        ASSERT_EQ(alg.LoadFactoryPreset(preset), eNoErr);
        for (int k = 0; k < 8; ++k) {
            const double expected = table[preset][k];
            const double unit =
                expected == 0 ? 1e-9 : 0.5 * std::pow(10.0, std::floor(std::log10(std::fabs(expected))) - 2);
            EXPECT_NEAR(alg.GetParam(index[k]) * scale[k], expected, unit * 1.0001) << "parameter " << index[k];
        }
    }
}

TEST(FactoryPresets, LoadingLeavesUnlistedParametersAlone) {
    TestAlgorithm fresh;
    const Snapshot initial = Take(Created(fresh));
    TestAlgorithm alg;
    Created(alg);
    alg.GetControlParam(15)->SetState(eSetupA, 700);  // LR Delay: -1 in every preset but Ampex 440
    alg.Change(22, 1);
    alg.Change(23, 5);

    ASSERT_EQ(alg.LoadFactoryPreset(1), eNoErr);  // Classic phaser
    EXPECT_EQ(alg.GetParamState(4), 329);
    EXPECT_EQ(alg.GetParamState(2), 0) << "state 20 of a switch is off";
    EXPECT_EQ(alg.GetParamState(19), 1) << "23 is on";
    EXPECT_EQ(alg.GetParamState(15), 700);
    EXPECT_EQ(alg.GetParamState(22), 1);
    EXPECT_EQ(alg.GetParamState(23), 5);
    EXPECT_EQ(alg.GetControlParam(4)->refreshMark, eRefreshChanged);
    EXPECT_EQ(alg.GetControlParam(4)->GetState(eSetupB), 500) << "only the active setup";

    ASSERT_EQ(alg.LoadFactoryPreset(18), eNoErr);  // Ampex 440
    EXPECT_EQ(alg.GetParamState(15), 340);

    alg.GetControlParam(15)->SetState(eSetupA, 340);
    alg.GetControlParam(1)->SetRealWorld(eSetupA, 0.2);  // an exact rate of the same state
    ASSERT_EQ(alg.LoadFactoryPreset(0), eNoErr);         // Full Reset
    alg.Change(22, 4);
    alg.Change(23, 1);
    EXPECT_EQ(Take(alg), initial) << "a fresh object's values, the loaded rate included";
}

TEST(StatesFromBuffer, SetupsMinusOneAndLimits) {
    TestAlgorithm alg;
    Created(alg);
    const int32_t states[] = {100, -1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 700};
    ASSERT_EQ(alg.LoadStatesFromBuffer(states, 13, eSetupB), eNoErr);
    const sCONTROL_PARAM& depth = *alg.GetControlParam(0);
    EXPECT_EQ(depth.GetState(eSetupB), 100);
    EXPECT_DOUBLE_EQ(depth.GetRealWorld(eSetupB), 0.1);
    EXPECT_EQ(depth.GetState(eSetupA), 1000);
    EXPECT_EQ(alg.GetControlParam(1)->GetState(eSetupB), 445) << "-1 leaves it";
    EXPECT_EQ(alg.GetControlParam(12)->GetState(eSetupB), 0) << "a meter is not loaded";

    const Snapshot before = Take(alg);
    std::vector<int32_t> many(26, 0);
    EXPECT_EQ(alg.LoadStatesFromBuffer(many.data(), 26, -1), eBadArgument);
    EXPECT_EQ(alg.LoadStatesFromBuffer(nullptr, 1, -1), eBadArgument);
    EXPECT_EQ(alg.LoadStatesFromBuffer(states, -1, -1), eBadArgument);
    EXPECT_EQ(alg.LoadStatesFromBuffer(states, 1, 2), eBadArgument);
    EXPECT_EQ(alg.LoadStatesFromBuffer(nullptr, 0, -1), eNoErr);
    EXPECT_EQ(Take(alg), before);
}

// Both setups set apart, with values that do not come back from their states alone.
void Configure(TestAlgorithm& alg) {
    alg.Change(0, 250);
    alg.Change(20, 1);
    sCONTROL_PARAM& rate = *alg.GetControlParam(1);
    rate.SetRealWorld(eSetupB, 0.333);  // a tempo factor, kept exact
    rate.UpdateStateFromRealWorld(eSetupB);
    sCONTROL_PARAM& depth = *alg.GetControlParam(0);
    depth.SetRealWorld(eSetupB, 0.73721);  // a depth limited by the delay
    depth.UpdateStateFromRealWorld(eSetupB);
    alg.GetControlParam(14)->SetState(eSetupB, 333);
    alg.GetControlParam(14)->UpdateRealWorldFromState(eSetupB);
    alg.GetControlParam(12)->SetState(eSetupA, 900);  // a meter: not saved
}

TEST(PresetChunk, RoundTripOfBothSetups) {
    TestAlgorithm source;
    Configure(Created(source));
    std::string chunk;
    ASSERT_EQ(source.PreparePresetChunk(chunk), eNoErr);
    EXPECT_NE(chunk.find("0.333"), std::string::npos);

    TestShell shell;
    TestAlgorithm target;
    Created(target);
    target.InitProcessCode(&shell);
    ASSERT_EQ(target.SetPresetChunk(chunk.data(), static_cast<int32_t>(chunk.size())), eNoErr);
    Snapshot expected = Take(source);
    const Snapshot loaded = Take(target);
    const size_t meter = 12;
    expected.states[meter] = loaded.states[meter];
    expected.values[meter] = loaded.values[meter];
    EXPECT_EQ(loaded, expected);
    EXPECT_EQ(loaded.states[meter], 0) << "not savable, so not loaded";
    EXPECT_EQ(target.GetActiveSetup(), eSetupA);
    EXPECT_FALSE(shell.notified.empty()) << "loading makes the settings dirty";
}

TEST(PresetChunk, MalformedOrTruncatedTextIsRefusedWithNothingChanged) {
    TestAlgorithm source;
    Configure(Created(source));
    std::string chunk;
    ASSERT_EQ(source.PreparePresetChunk(chunk), eNoErr);
    TestAlgorithm target;
    const Snapshot before = Take(Created(target));

    const std::string trimmed = chunk.substr(0, chunk.find_last_not_of("\n") + 1);
    for (size_t length = 0; length < trimmed.size(); ++length)
        ASSERT_NE(target.SetPresetChunk(trimmed.data(), static_cast<int32_t>(length)), eNoErr) << length;

    auto edited = [&](const std::string& from, const std::string& to) {
        std::string text = chunk;
        const size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return at == std::string::npos ? text : text.replace(at, from.size(), to);
    };
    const std::string listA = "<Parameters Type=\"States\" Setup=\"A\">";
    const std::string cases[] = {
        edited("GenericType=\"FLNG\"", "GenericType=\"FLNX\""),
        edited(listA, listA + "x "),
        edited(listA, listA + "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24 25 "),
        edited(listA, listA + "99999999999 "),
        edited("Setup=\"A\"", "Setup=\"C\""),
        edited("Type=\"States\"", "Type=\"Values\""),
        edited("Index=\"1\"", "Index=\"99\""),
        edited("Index=\"1\"", "Index=\"12\""),
        edited(">0.333<", ">0.5<"),
        edited(">0.333<", ">nan<"),
        edited("</PresetData>", "<Extra/></PresetData>"),
        edited("<Preset ", "<Other "),
        "<Preset GenericType=\"FLNG\" Name=\"x\"></Preset>",
        "not xml at all",
    };
    for (const std::string& text : cases) {
        SCOPED_TRACE(text.substr(0, 200));
        EXPECT_EQ(target.SetPresetChunk(text.data(), static_cast<int32_t>(text.size())), eMalformed);
    }
    EXPECT_EQ(target.SetPresetChunk(nullptr, 5), eBadArgument);
    EXPECT_EQ(target.SetPresetChunk(chunk.data(), -1), eBadArgument);
    EXPECT_EQ(Take(target), before);
}

TEST(PresetChunk, ListWithoutSetupLoadsIntoTheActiveOne) {
    TestAlgorithm alg;
    Created(alg);
    alg.ToggleActiveSetup(1);
    const std::string text =
        "<Preset GenericType=\"FLNG\" Name=\"file\"><PresetData><Parameters Type=\"States\">10 "
        "100</Parameters></PresetData></Preset>";
    ASSERT_EQ(alg.SetPresetChunk(text.data(), static_cast<int32_t>(text.size())), eNoErr);
    EXPECT_EQ(alg.GetControlParam(0)->GetState(eSetupB), 10);
    EXPECT_EQ(alg.GetControlParam(1)->GetState(eSetupB), 100);
    EXPECT_EQ(alg.GetControlParam(0)->GetState(eSetupA), 1000);
}

}  // namespace
