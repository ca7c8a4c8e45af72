// velvane process: what comes out equals the plug-in path run directly, whatever the block size,
// with the input's length, rate and sample format.
#include "tests/cli/cli_fixture.h"

namespace {

struct EqualCase {
    const char* name;
    uint32_t type;
    const char* component;
    int subtype;  // of the input; the stream format follows it
    int rate;
    std::vector<std::string> options;
    std::function<void(cVelvane_ALG&)> configure;
};

// The settings each option list stands for, applied as the program must apply them: tempo, setup,
// preset, then each --set in order.
const EqualCase kEqualCases[] = {
    {"stereo float, preset by name",
     FourCC("FLNS"),
     "stereo",
     SF_FORMAT_FLOAT,
     44100,
     {"--preset", "Classic phaser"},
     [](cVelvane_ALG& a) { EXPECT_TRUE(LoadPreset(a, 1)); }},
    {"mono 16-bit, preset by number and a value",
     FourCC("FLNM"),
     "mono",
     SF_FORMAT_PCM_16,
     48000,
     {"--set", "Mix=80", "--preset", "13"},
     [](cVelvane_ALG& a) {
         EXPECT_TRUE(LoadPreset(a, 12));
         ApplyChange(a, PARAM_MIX, 800);
     }},
    {"m/s float, setup B",
     FourCC("FLNX"),
     "ms",
     SF_FORMAT_FLOAT,
     22050,
     {"--setup", "B", "--preset", "doubler", "--set", "PARAM_TAPE_DELAY=On", "Delay=12"},
     [](cVelvane_ALG& a) {
         a.ToggleActiveSetup(eSetupB);
         EXPECT_TRUE(LoadPreset(a, 16));
         ApplyChange(a, PARAM_TAPE_DELAY, 1);
         ApplyChange(a, PARAM_DELAY, a.GetControlParam(PARAM_DELAY)->RealWorldToState(12));
     }},
    {"stereo 16-bit, tempo sync",
     FourCC("FLNS"),
     "stereo",
     SF_FORMAT_PCM_16,
     96000,
     {"--set", "Sync on/off=On", "--set", "x=state:9", "--tempo", "140"},
     [](cVelvane_ALG& a) {
         a.SetTempo(140);
         ApplyChange(a, PARAM_SYNC_ON_OFF, 1);
         ApplyChange(a, PARAM_xFACTOR, 9);
     }},
};

TEST_F(Cli, OutputEqualsThePlugInPathRunDirectly) {
    for (const EqualCase& c : kEqualCases) {
        SCOPED_TRACE(c.name);
        const int inputs = c.type == FourCC("FLNS") ? 2 : 1;
        const int outputs = c.type == FourCC("FLNM") ? 1 : 2;
        WriteWav("in.wav", inputs, c.rate, c.subtype, TestSignal(30011, inputs, 1));
        std::vector<std::string> args{"process", "in.wav", "out.wav", "--component", c.component, "--quiet"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const RunResult run = Velvane(args);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, "") << "--quiet";
        const bool shorts = c.subtype == SF_FORMAT_PCM_16;
        const Audio in = ReadWav("in.wav", shorts), out = ReadWav("out.wav", shorts);
        EXPECT_EQ(out.channels, outputs);
        EXPECT_EQ(out.rate, c.rate);
        EXPECT_EQ(out.subtype, c.subtype);
        ASSERT_EQ(out.Frames(), in.Frames());
        if (shorts)
            EXPECT_EQ(FirstDifference(out.shorts, Reference(c.type, c.rate, in.shorts, c.configure)), -1);
        else
            EXPECT_EQ(FirstDifference(out.floats, Reference(c.type, c.rate, in.floats, c.configure)), -1);
    }
}

TEST_F(Cli, BlockSizeNeverChangesTheOutput) {
    WriteWav("in.wav", 2, 44100, SF_FORMAT_FLOAT, TestSignal(20000, 2, 2));
    const std::vector<float> expected = Reference(FourCC("FLNS"), 44100, ReadWav("in.wav").floats,
                                                  [](cVelvane_ALG& a) { EXPECT_TRUE(LoadPreset(a, 6)); });
    for (const char* block : {"1", "63", "4096", "1048576"}) {
        SCOPED_TRACE(block);
        const RunResult run = Velvane({"process", "in.wav", "out.wav", "--preset", "Fast Rotor", "--block", block});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(FirstDifference(ReadWav("out.wav").floats, expected), -1);
    }
}

TEST_F(Cli, OutputKeepsTheInputsSampleFormatUnlessAsked) {
    struct Case {
        const char* name;
        int in;
        const char* format;  // --format, or null
        int out;
    } cases[] = {{"24-bit", SF_FORMAT_PCM_24, nullptr, SF_FORMAT_PCM_24},
                 {"32-bit", SF_FORMAT_PCM_32, nullptr, SF_FORMAT_PCM_32},
                 {"8-bit", SF_FORMAT_PCM_U8, nullptr, SF_FORMAT_PCM_U8},
                 {"double", SF_FORMAT_DOUBLE, nullptr, SF_FORMAT_DOUBLE},
                 {"16-bit asked for float", SF_FORMAT_PCM_16, "float", SF_FORMAT_FLOAT},
                 {"float asked for 16-bit", SF_FORMAT_FLOAT, "pcm16", SF_FORMAT_PCM_16}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteWav("in.wav", 1, 32000, c.in, TestSignal(5000, 1, 3));
        std::vector<std::string> args{"process", "in.wav", "out.wav", "--component", "mono"};
        if (c.format) args.insert(args.end(), {"--format", c.format});
        const RunResult run = Velvane(args);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out.rfind("out.wav: 5000 frames, 1 channel, ", 0), 0u) << run.out;
        const Audio out = ReadWav("out.wav");
        EXPECT_EQ(out.subtype, c.out);
        EXPECT_EQ(out.Frames(), 5000);
        EXPECT_EQ(out.rate, 32000);
    }
}

TEST_F(Cli, AnEmptyInputGivesAnEmptyOutput) {
    WriteWav("in.wav", 2, 44100, SF_FORMAT_PCM_16, {});
    const RunResult run = Velvane({"process", "in.wav", "out.wav"});
    ASSERT_EQ(run.status, 0) << run.err;
    const Audio out = ReadWav("out.wav");
    EXPECT_EQ(out.Frames(), 0);
    EXPECT_EQ(out.subtype, SF_FORMAT_PCM_16);
}

}  // namespace
