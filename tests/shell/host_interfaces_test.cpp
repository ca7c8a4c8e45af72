// The factory-preset interface and our parameter access, as a host reaches them through the
// component, and on an algorithm whose process side streams.
#include "plugin/shell/interfaces/host_interfaces.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "plugin/shell/parameter_access.h"
#include "plugin/shell/static_filter_preset.h"
#include "tests/algorithm/algorithm_fixture.h"
#include "tests/dshow/testkit.h"
#include "tests/shell/shell_fixture.h"

namespace {

using platform::Ref;

std::u16string PresetName(IStaticFilterPreset* presets, LONG index) {
    WCHAR name[64] = {};
    EXPECT_EQ(presets->GetPresetName(index, name, 64), S_OK) << index;
    return std::u16string(name, name + std::char_traits<WCHAR>::length(name));
}

TEST_F(Shell, EveryNativeComponentAnswersBothInterfacesAsOneObject) {
    ASSERT_EQ(DllRegisterServer(), S_OK);
    struct Case {
        const char* name;
        const CLSID* clsid;
        LONG presets;
    } cases[] = {{"stereo", &CLSID_VelvaneStereo, 21}, {"m/s", &CLSID_VelvaneMs, 21}, {"mono", &CLSID_VelvaneMono, 20}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Ref<IUnknown> object;
        ASSERT_EQ(Factory(*c.clsid)->CreateInstance(nullptr, IID_IUnknown, object.put_void()), S_OK);
        auto presets = platform::QueryAs<IStaticFilterPreset>(object.get(), IID_IStaticFilterPreset);
        auto parameters = platform::QueryAs<IVelvaneParameters>(object.get(), IID_IVelvaneParameters);
        ASSERT_TRUE(presets && parameters);
        EXPECT_EQ(platform::QueryAs<IUnknown>(presets.get(), IID_IUnknown).get(), object.get());
        EXPECT_EQ(platform::QueryAs<IUnknown>(parameters.get(), IID_IUnknown).get(), object.get());
        LONG count = 0;
        ASSERT_EQ(presets->GetPresetCount(&count), S_OK);
        EXPECT_EQ(count, c.presets);
        EXPECT_EQ(PresetName(presets.get(), 0), u"Velvane Full Reset");
        EXPECT_EQ(PresetName(presets.get(), 19), u"Creeping ambiant");
        if (count == 21) {
            EXPECT_EQ(PresetName(presets.get(), 20), u"Stereohh");
        }
        ASSERT_EQ(parameters->GetParamCount(&count), S_OK);
        EXPECT_EQ(count, 25);
    }
}

// An algorithm streaming on its process side, with both faces on it as a filter holds them.
class Faces : public ::testing::Test {
protected:
    explicit Faces(uint32_t type = FourCC("FLNS")) : x_(type) {}

    // The live coefficient record equals the active setup's, word for word.
    void ExpectLiveRecordIsTheActiveSetups() {
        const int32_t words = x_.alg.GetCoefsNum();
        EXPECT_EQ(std::memcmp(x_.shell.GetCoefs(), x_.alg.GetPointerToCoef(x_.alg.GetActiveSetup(), 0), words * 4), 0);
    }

    testkit::CountedUnknown owner_;
    Instance x_;
    StaticFilterPreset presets_{&owner_, x_.alg, *x_.shell.GetCritSecObj()};
    ParameterAccess parameters_{&owner_, x_.alg, *x_.shell.GetCritSecObj()};
};

TEST_F(Faces, IUnknownGoesToTheOwner) {
    presets_.AddRef();
    parameters_.AddRef();
    EXPECT_EQ(owner_.refs, 3);
    presets_.Release();
    parameters_.Release();
    EXPECT_EQ(owner_.refs, 1);
}

TEST_F(Faces, PresetNameRefusalsAllReadMinusOne) {
    const std::u16string first = u"Velvane Full Reset";
    const LONG fits = static_cast<LONG>(first.size()) + 1;
    struct Case {
        const char* name;
        LONG index, capacity;
        HRESULT expect;
        const char16_t* text;  // what the buffer then holds
    } cases[] = {{"exact fit", 0, fits, S_OK, first.c_str()},
                 {"one short", 0, fits - 1, -1, u""},
                 {"no room", 0, 0, -1, u"\xFFFF"},
                 {"below the menu", -1, 64, -1, u"\xFFFF"},
                 {"past the menu", 21, 64, -1, u"\xFFFF"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WCHAR name[64];
        std::fill(std::begin(name), std::end(name), WCHAR(0xFFFF));
        EXPECT_EQ(presets_.GetPresetName(c.index, name, c.capacity), c.expect);
        EXPECT_EQ(std::u16string(name, name + std::char_traits<char16_t>::length(c.text)), c.text);
    }
#ifndef _WIN32  // a real message box would wait for a click
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(presets_.GetPresetName(0, nullptr, 64), -1);
    EXPECT_EQ(presets_.GetPresetName(1, nullptr, 64), -1);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Null name passed: cBaseAmShell::GetPresetName\nNull name passed: cBaseAmShell::GetPresetName\n");
#endif
    EXPECT_EQ(presets_.GetPresetCount(nullptr), E_POINTER);
}

TEST_F(Faces, SelectPresetLoadsTheActiveSetupAndSendsEveryCoefficient) {
    ASSERT_EQ(parameters_.SetActiveSetup(eSetupB), S_OK);
    ASSERT_EQ(presets_.SelectPreset(1), S_OK);  // "Classic phaser"
    const sPRESET& phaser = *x_.alg.GetPresetsManager().GetFactoryPreset(1);
    for (int16_t i = 0; i < x_.alg.GetNumParams(); ++i) {
        const sCONTROL_PARAM& p = *x_.alg.GetControlParam(i);
        const int32_t listed =
            i < static_cast<int16_t>(phaser.states[0].values.size()) ? phaser.states[0].values[i] : -1;
        if (listed == -1 || p.HasFlag(eFlagNotSavable)) continue;
        EXPECT_EQ(p.GetState(eSetupB), p.NormalizeState(listed)) << p.name;
        EXPECT_EQ(p.GetState(eSetupA), p.initialState) << p.name << " in the other setup";
    }
    ExpectLiveRecordIsTheActiveSetups();

    const std::vector<uint8_t> before(x_.shell.GetCoefs(), x_.shell.GetCoefs() + 4 * x_.alg.GetCoefsNum());
    EXPECT_EQ(presets_.SelectPreset(21), E_INVALIDARG);
    EXPECT_EQ(presets_.SelectPreset(-1), E_INVALIDARG);
    EXPECT_EQ(std::memcmp(before.data(), x_.shell.GetCoefs(), before.size()), 0);
}

TEST_F(Faces, ParameterTextsAsTheTableHoldsThem) {
    struct Case {
        LONG index, field;
        const char* text;
    } cases[] = {{PARAM_DEPTH, kParamName, "PARAM_DEPTH"},
                 {PARAM_DEPTH, kParamLabel, "Depth"},
                 {PARAM_DEPTH, kParamUnits, "%"},
                 {PARAM_DEPTH, kParamDisplay, "100"},
                 {PARAM_RATE_CAPTION, kParamLabel, "\tEdit Mode"},
                 {PARAM_xFACTOR, kParamLabel, "x "},
                 {PARAM_WAVE_FORM, kParamDisplay, "Sine"},
                 {PARAM_WAVE_FORM, kParamUnits, ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        char text[32] = "poison";
        EXPECT_EQ(parameters_.GetParamText(c.index, c.field, text, sizeof text), S_OK);
        EXPECT_STREQ(text, c.text);
    }
    char text[6] = "xxxxx";
    EXPECT_EQ(parameters_.GetParamText(PARAM_DEPTH, kParamLabel, text, 5), E_NOT_SUFFICIENT_BUFFER);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(parameters_.GetParamText(PARAM_DEPTH, kParamLabel, text, 6), S_OK);
    EXPECT_EQ(parameters_.GetParamText(25, kParamName, text, 6), E_INVALIDARG);
    EXPECT_EQ(parameters_.GetParamText(0, 4, text, 6), E_INVALIDARG);
    EXPECT_EQ(parameters_.GetParamText(0, kParamName, nullptr, 6), E_POINTER);
    EXPECT_EQ(parameters_.GetStateText(PARAM_MIX, 250, text, 6), S_OK);
    EXPECT_STREQ(text, "25");
    EXPECT_EQ(parameters_.GetStateText(PARAM_MIX, 1001, text, 6), E_INVALIDARG);
    LONG count = 0;
    EXPECT_EQ(parameters_.GetStateCount(PARAM_xFACTOR, &count), S_OK);
    EXPECT_EQ(count, 16);
    EXPECT_EQ(parameters_.GetStateCount(-1, &count), E_INVALIDARG);
}

TEST_F(Faces, TypedValuesFollowTheAlgorithmsRules) {
    struct Case {
        LONG index;
        const char* text;
        HRESULT expect;
        LONG state;
    } cases[] = {{PARAM_MIX, "-50", S_OK, 500},          {PARAM_DEPTH, "150", S_FALSE, -1},
                 {PARAM_RATE, "0.001", S_OK, 0},         {PARAM_INV_PHASE, "on", S_OK, 1},
                 {PARAM_WAVE_FORM, "Triangle", S_OK, 1}, {PARAM_WAVE_FORM, "Square", S_FALSE, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        LONG state = 12345;
        EXPECT_EQ(parameters_.StateFromText(c.index, c.text, &state), c.expect);
        EXPECT_EQ(state, c.state);
    }
    LONG state = 0;
    EXPECT_EQ(parameters_.StateFromText(PARAM_MIX, nullptr, &state), E_POINTER);
    EXPECT_EQ(state, -1);
}

TEST_F(Faces, SettingAStateSendsItsCoefficients) {
    ASSERT_EQ(parameters_.SetParamState(PARAM_MIX, 250), S_OK);
    ASSERT_EQ(parameters_.SetParamState(PARAM_DELAY, 900), S_OK);
    LONG state = 0;
    EXPECT_EQ(parameters_.GetParamState(PARAM_MIX, &state), S_OK);
    EXPECT_EQ(state, 250);
    ExpectLiveRecordIsTheActiveSetups();
    EXPECT_EQ(x_.LiveFloat(COEF_DRY_GAIN), x_.Float(COEF_DRY_GAIN));

    struct Refusal {
        LONG index, state;
    } refusals[] = {{PARAM_MIX, 1001}, {PARAM_MIX, -1}, {PARAM_INV_PHASE, 2}, {25, 0}};
    for (const Refusal& r : refusals) EXPECT_EQ(parameters_.SetParamState(r.index, r.state), E_INVALIDARG);
    EXPECT_EQ(parameters_.GetParamState(PARAM_MIX, &state), S_OK);
    EXPECT_EQ(state, 250);
}

TEST_F(Faces, SetupAndTempoReachTheProcessSide) {
    ASSERT_EQ(parameters_.SetParamState(PARAM_MIX, 100), S_OK);
    ASSERT_EQ(parameters_.SetActiveSetup(eSetupB), S_OK);
    LONG setup = -1, state = -1;
    EXPECT_EQ(parameters_.GetActiveSetup(&setup), S_OK);
    EXPECT_EQ(setup, eSetupB);
    EXPECT_EQ(parameters_.GetParamState(PARAM_MIX, &state), S_OK);
    EXPECT_EQ(state, 500) << "setup B keeps its own states";
    ExpectLiveRecordIsTheActiveSetups();
    EXPECT_EQ(parameters_.SetActiveSetup(2), E_INVALIDARG);

    ASSERT_EQ(parameters_.SetParamState(PARAM_SYNC_ON_OFF, 1), S_OK);
    const float unsynced = x_.LiveFloat(COEF_LFO_HALF_STEP);
    ASSERT_EQ(parameters_.SetTempo(120), S_OK);
    EXPECT_NE(x_.LiveFloat(COEF_LFO_HALF_STEP), unsynced);
    ExpectLiveRecordIsTheActiveSetups();
    for (const double bpm : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN()})
        EXPECT_EQ(parameters_.SetTempo(bpm), E_INVALIDARG) << bpm;
}

}  // namespace
