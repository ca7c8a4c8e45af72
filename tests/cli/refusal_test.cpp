// Bad input: one line on stderr naming the problem, exit status 2 (1 when the plug-in fails), and
// no output file, finished or not.
#include "tests/cli/cli_fixture.h"
#include "tests/support/files.h"

namespace {

struct Refusal {
    const char* name;
    std::vector<std::string> args;
    int status;
    const char* says;  // a part of the one line on stderr
};

const Refusal kRefusals[] = {
    {"missing input", {"process", "nothing.wav", "out.wav"}, 2, "cannot read 'nothing.wav': No such file"},
    {"not audio", {"process", "text.wav", "out.wav"}, 2, "'text.wav' is not an audio file"},
    {"three channels",
     {"process", "three.wav", "out.wav"},
     2,
     "'three.wav' has 3 channels; the stereo component takes 2"},
    {"stereo into mono", {"process", "stereo.wav", "out.wav", "--component", "mono"}, 2, "the mono component takes 1"},
    {"rate too high", {"process", "fast.wav", "out.wav"}, 2, "does not take 2 channels of 32-bit float at 384000 Hz"},
    {"unknown preset", {"process", "stereo.wav", "out.wav", "--preset", "Nope"}, 2, "unknown preset 'Nope'"},
    {"stereo preset on mono",
     {"process", "mono.wav", "out.wav", "--component", "mono", "--preset", "Stereohh"},
     2,
     "unknown preset 'Stereohh' for the mono component"},
    {"preset number 0", {"process", "stereo.wav", "out.wav", "--preset", "0"}, 2, "there is no preset 0"},
    {"unknown parameter", {"process", "stereo.wav", "out.wav", "--set", "Warp=1"}, 2, "unknown parameter 'Warp'"},
    {"repeated label",
     {"process", "stereo.wav", "out.wav", "--set", "Tape=On"},
     2,
     "'Tape' is the label of PARAM_TAPE_DELAY and PARAM_PAUSE"},
    {"labels apart only by case",
     {"process", "stereo.wav", "out.wav", "--set", "filter ON/OFF=On"},
     2,
     "PARAM_FILTER_TYPE and PARAM_FILTER_ON_OFF"},
    {"value out of range", {"process", "stereo.wav", "out.wav", "--set", "Depth=150"}, 2, "Depth takes 0 to 100 %"},
    {"not a number", {"process", "stereo.wav", "out.wav", "--set", "Mix=lots"}, 2, "'lots' is not a number"},
    {"not a choice", {"process", "stereo.wav", "out.wav", "--set", "WaveForm=Square"}, 2, "takes Sine or Triangle"},
    {"state out of range", {"process", "stereo.wav", "out.wav", "--set", "Mix=state:1001"}, 2, "states 0 to 1000"},
    {"no value", {"process", "stereo.wav", "out.wav", "--set", "Mix"}, 2, "expected NAME=VALUE"},
    {"unknown option", {"process", "stereo.wav", "out.wav", "--louder"}, 2, "unknown option '--louder'"},
    {"option of another command", {"presets", "--block", "4"}, 2, "--block is not an option of 'presets'"},
    {"block of 0", {"process", "stereo.wav", "out.wav", "--block", "0"}, 2, "--block 0:"},
    {"negative tempo", {"process", "stereo.wav", "out.wav", "--tempo", "-90"}, 2, "--tempo -90:"},
    {"unknown format", {"process", "stereo.wav", "out.wav", "--format", "mp3"}, 2, "float or pcm16"},
    {"unknown setup", {"process", "stereo.wav", "out.wav", "--setup", "C"}, 2, "A or B"},
    {"unknown component", {"process", "stereo.wav", "out.wav", "--component", "quad"}, 2, "unknown component 'quad'"},
    {"option twice", {"process", "stereo.wav", "out.wav", "--preset", "1", "--preset", "2"}, 2, "given twice"},
    {"missing value", {"process", "stereo.wav", "out.wav", "--preset"}, 2, "--preset needs a value"},
    {"one file", {"process", "stereo.wav"}, 2, "takes an input file and an output file"},
    {"unknown command", {"proces", "stereo.wav", "out.wav"}, 2, "unknown command 'proces'"},
    {"no folder to write in", {"process", "stereo.wav", "no/such/out.wav"}, 2, "cannot write 'no/such/out.wav'"},
};

TEST_F(Cli, BadInputIsOneLineExitTwoAndNoOutput) {
    WriteWav("three.wav", 3, 44100, SF_FORMAT_FLOAT, TestSignal(100, 3, 0));
    WriteWav("stereo.wav", 2, 44100, SF_FORMAT_FLOAT, TestSignal(100, 2, 0));
    WriteWav("mono.wav", 1, 44100, SF_FORMAT_FLOAT, TestSignal(100, 1, 0));
    WriteWav("fast.wav", 2, 384000, SF_FORMAT_FLOAT, TestSignal(100, 2, 0));
    WriteWholeFile(Path("text.wav"), "not a sound\n");
    ASSERT_EQ(Velvane({"register"}).status, 0);  // no note about registering on first use
    const auto before = Files();
    for (const Refusal& r : kRefusals) {
        SCOPED_TRACE(r.name);
        const RunResult run = Velvane(r.args);
        EXPECT_EQ(run.status, r.status);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find(r.says), std::string::npos) << run.err;
        EXPECT_EQ(run.err.rfind("velvane: ", 0), 0u) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_EQ(Files(), before) << "nothing written";
    }
}

TEST_F(Cli, AFailingPlugInIsExitOneWithTheHresult) {
    WriteWav("stereo.wav", 2, 44100, SF_FORMAT_FLOAT, TestSignal(100, 2, 0));
    WriteWholeFile(registry_.File(), "this is no registry\n");
    const auto before = Files();
    const RunResult run = Velvane({"process", "stereo.wav", "out.wav"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "velvane: reading the registry failed (HRESULT 0x800703F1)\n");  // ERROR_BADDB
    EXPECT_EQ(Files(), before);
}

TEST_F(Cli, AnExistingOutputIsReplacedOnlyBySuccess) {
    WriteWav("stereo.wav", 2, 44100, SF_FORMAT_FLOAT, TestSignal(100, 2, 0));
    WriteWholeFile(Path("out.wav"), "keep me\n");
    EXPECT_EQ(Velvane({"process", "stereo.wav", "out.wav", "--preset", "Nope"}).status, 2);
    EXPECT_EQ(ReadWholeFile(Path("out.wav")), "keep me\n");
    EXPECT_EQ(Velvane({"process", "stereo.wav", "out.wav", "--quiet"}).status, 0);
    EXPECT_EQ(ReadWav("out.wav").Frames(), 100);
}

}  // namespace
