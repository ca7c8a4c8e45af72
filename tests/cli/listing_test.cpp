// velvane presets, params, register, unregister and demo: what a program reading the listings
// sees, checked against the algorithm's own tables.
#include <filesystem>
#include <sstream>

#include "tests/cli/cli_fixture.h"
#include "tests/support/stored_value.h"

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
        fields.push_back(line.substr(start, tab - start));
    fields.push_back(line.substr(start));
    return fields;
}

struct ComponentOption {
    const char* option;
    uint32_t type;
};
constexpr ComponentOption kKinds[] = {{"stereo", FourCC("FLNS")}, {"ms", FourCC("FLNX")}, {"mono", FourCC("FLNM")}};

TEST_F(Cli, PresetListsAreTheComponentsMenus) {
    for (const ComponentOption& c : kKinds) {
        SCOPED_TRACE(c.option);
        cVelvane_ALG alg(Component(c.type));
        ASSERT_EQ(alg.FinishCreate(), eNoErr);
        const RunResult run = Velvane({"presets", "--component", c.option});
        ASSERT_EQ(run.status, 0) << run.err;
        const auto lines = Lines(run.out);
        ASSERT_EQ(static_cast<int32_t>(lines.size()), alg.GetPresetsManager().GetFactoryPresetCount());
        for (size_t i = 0; i < lines.size(); ++i)
            EXPECT_EQ(lines[i], std::to_string(i + 1) + "\t" + alg.GetPresetsManager().GetFactoryPresetName(i));
        EXPECT_EQ(run.out.find("Stereohh") == std::string::npos, c.type == FourCC("FLNM"));
    }
}

TEST_F(Cli, ParamListsAreTheParameterTable) {
    for (const ComponentOption& c : kKinds) {
        SCOPED_TRACE(c.option);
        cVelvane_ALG alg(Component(c.type));
        ASSERT_EQ(alg.FinishCreate(), eNoErr);
        EXPECT_TRUE(LoadPreset(alg, 3));  // "Mutron Biphase" leaves states a fresh component lacks
        const RunResult run = Velvane({"params", "--component", c.option, "--preset", "4"});
        ASSERT_EQ(run.status, 0) << run.err;
        const auto lines = Lines(run.out);
        ASSERT_EQ(static_cast<int16_t>(lines.size()), alg.GetNumParams());
        for (int16_t i = 0; i < alg.GetNumParams(); ++i) {
            const sCONTROL_PARAM& p = *alg.GetControlParam(i);
            SCOPED_TRACE(p.name);
            const auto fields = Fields(lines[static_cast<size_t>(i)]);
            ASSERT_EQ(fields.size(), 6u);
            std::string shown;  // of the current value, as the editor shows it
            if (p.display) p.display(p.GetState(eSetupA), p.GetRealWorld(eSetupA), shown);
            const auto label = p.label.substr(p.label.find_first_not_of(" \t"));
            EXPECT_EQ(fields, (std::vector<std::string>{std::to_string(i), p.name,
                                                        label.substr(0, label.find_last_not_of(" \t") + 1), p.units,
                                                        std::to_string(p.GetState(eSetupA)), shown}));
        }
    }
}

TEST_F(Cli, SettingsShowInTheParamList) {
    const RunResult run =
        Velvane({"params", "--setup", "B", "--set", "Mix=25", "WaveForm=triangle", "PARAM_RATE_CAPTION=state:1"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 25u);
    EXPECT_EQ(lines[PARAM_MIX], "7\tPARAM_MIX\tMix\t%\t250\t25");
    EXPECT_EQ(lines[PARAM_WAVE_FORM], "3\tPARAM_WAVE_FORM\tWaveForm\t\t1\tTriangle");
    EXPECT_EQ(lines[PARAM_RATE_CAPTION], "24\tPARAM_RATE_CAPTION\tEdit Mode\t\t1\t");
}

TEST_F(Cli, RegistersOnFirstUseAndOnRequest) {
    const std::string server = "CLSID\\{AAD128C4-471C-11D2-90F7-0E039A000000}\\InprocServer32";  // mono
    RunResult run = Velvane({"presets", "--component", "mono"});
    ASSERT_EQ(run.status, 0);
    EXPECT_NE(run.err.find("velvane: registering "), std::string::npos) << run.err;
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, server));
    run = Velvane({"presets", "--component", "mono"});
    EXPECT_EQ(run.err, "") << "registered once";

    run = Velvane({"unregister"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("unregistered /", 0), 0u) << run.out;
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, server));
    run = Velvane({"register"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("registered /", 0), 0u) << run.out;
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, server));
}

TEST_F(Cli, DemoRendersEveryStereoPresetWithASummary) {
    const RunResult run = Velvane({"demo", "out", "--quiet"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 21u);
    EXPECT_EQ(lines[6].rfind("7\tFast Rotor\tpeak -", 0), 0u) << lines[6];
    for (const std::string& line : lines) {
        const auto fields = Fields(line);
        ASSERT_EQ(fields.size(), 4u) << line;
        EXPECT_EQ(fields[2].rfind("peak ", 0), 0u) << line;
        EXPECT_EQ(fields[3].rfind("RMS ", 0), 0u) << line;
    }
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder_.Path() / "out"))
        files.push_back(entry.path().filename());
    EXPECT_EQ(files.size(), 22u);
    const Audio input = ReadWav("out/00-input.wav"), rotor = ReadWav("out/07-fast-rotor.wav");
    EXPECT_EQ(input.channels, 2);
    EXPECT_GE(input.Frames(), 44100 * 3) << "a few seconds";
    EXPECT_EQ(rotor.Frames(), input.Frames());
    // The demo runs each preset as `velvane process` would.
    ASSERT_EQ(Velvane({"process", "out/00-input.wav", "rotor.wav", "--preset", "7"}).status, 0);
    EXPECT_EQ(FirstDifference(ReadWav("rotor.wav").floats, rotor.floats), -1);
}

}  // namespace
