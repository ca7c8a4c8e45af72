// Every module against the model and against the plain build, bit for bit: random blocks that
// keep the call contract's invariants, run at frame counts around the vector widths with the
// state carried from call to call. The records of channels the format code does not come from
// carry code 99, so a routine that consulted them would go astray.
#include <optional>

#include "kernel_fixture.h"
#include "kernel_model.h"

namespace kerneltest {
namespace {

struct PathCase {
    const char* name;
    bool stereo;
    int32_t inChannels, outChannels;
};
constexpr PathCase kPaths[] = {
    {"stereo 2 to 2", true, 2, 2},
    {"mono to stereo 1 to 2", true, 1, 2},
    {"mono through stereo 1 to 1", true, 1, 1},
    {"stereo, 1 in and 3 out", true, 1, 3},
    {"stereo, 3 in and 1 out", true, 3, 1},
    {"mono 1 to 1", false, 1, 1},
    {"mono silent, 2 in", false, 2, 2},
};
constexpr int32_t kFrameCounts[] = {0, 1, 3, 4, 5, 7, 8, 9, 63, 64, 65, 4096};

Routine ModelOf(bool stereo, bool monoK1First) {
    if (stereo) return model::Stereo;
    return [monoK1First](const NordeSoundBuf* in, int32_t inChannels, int32_t frames, const NordeSoundBuf* out,
                         int32_t /*outChannels*/, int32_t* outCount, const uint8_t* coefs, uint8_t* state,
                         const ExternStruct* externs) {
        model::Mono(in, inChannels, frames, out, outCount, coefs, state, externs, monoK1First);
    };
}

void RunSequence(Rig& rig, const Routine& routine, const PathCase& path) {
    int32_t first = 0;
    for (int32_t count : kFrameCounts) {
        EXPECT_EQ(rig.Call(routine, path.inChannels, path.outChannels, first, count), count);
        first += count;
    }
}

int32_t SequenceFrames() {
    int32_t total = 0;
    for (int32_t count : kFrameCounts) total += count;
    return total;
}

TEST(KernelModules, MatchTheModelAndThePlainBuildBitForBit) {
    uint32_t seed = 1;
    for (const PathCase& path : kPaths)
        for (int32_t format : {kSampleFloat32, kSampleInt16})
            for (bool filterOn : {true, false})
                for (int repeat = 0; repeat < 3; ++repeat, ++seed) {
                    SCOPED_TRACE(testing::Message()
                                 << path.name << (format == kSampleInt16 ? ", 16-bit" : ", float")
                                 << (filterOn ? ", filter on" : ", filter off") << ", seed " << seed);
                    const Rig start = MakeRig(seed, {path.stereo, filterOn, format, SequenceFrames()});
                    std::optional<Rig> plain;
                    for (const Module& m : Modules()) {
                        SCOPED_TRACE(m.traits.name);
                        ASSERT_TRUE(m.library) << platform::Library::LastError();
                        Rig expected = start, actual = start;
                        RunSequence(expected, ModelOf(path.stereo, m.traits.monoK1First), path);
                        RunSequence(actual, Export(Pick(m, path.stereo)), path);
                        ExpectSameRig(expected, actual);
                        if (plain)
                            ExpectSameRig(*plain, actual);
                        else
                            plain = actual;
                    }
                }
}

}  // namespace
}  // namespace kerneltest
