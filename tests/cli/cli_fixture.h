#pragma once
// The velvane program as a user runs it, in a scratch folder over a scratch registry; WAV files
// made and read with libsndfile; and the reference: the same settings applied to the algorithm
// directly, the whole signal through the kernel in one call.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/algorithm/algorithm_fixture.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/scratch_registry.h"

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

// Interleaved samples of a WAV file, as floats or as 16-bit integers.
struct Audio {
    int channels = 0;
    int rate = 0;
    int subtype = 0;  // libsndfile's SF_FORMAT_…
    std::vector<float> floats;
    std::vector<int16_t> shorts;
    int64_t Frames() const {
        return channels ? static_cast<int64_t>((floats.empty() ? shorts.size() : floats.size()) / channels) : 0;
    }
};

// A deterministic signal in -0.8 … 0.8: a few partials and some noise.
std::vector<float> TestSignal(int64_t frames, int channels, int seed);
std::vector<int16_t> ToShorts(const std::vector<float>& samples);

class Cli : public ::testing::Test {
protected:
    // Runs velvane with `args` in the scratch folder.
    RunResult Velvane(const std::vector<std::string>& args) const;
    std::string Path(const std::string& name) const { return (folder_.Path() / name).string(); }
    // Writes a WAV file of `subtype` holding `samples` (which libsndfile converts).
    void WriteWav(const std::string& name, int channels, int rate, int subtype,
                  const std::vector<float>& samples) const;
    // Reads a file back in `asShorts` form or as floats.
    Audio ReadWav(const std::string& name, bool asShorts = false) const;
    // The scratch folder's file names, sorted.
    std::vector<std::string> Files() const;

    ScratchRegistry registry_;
    ScratchFolder folder_{"velvane-cli"};
};

// What the plug-in path does to a signal: the component created fresh, `configure` applied, then
// started at `rate` and the whole signal run through the kernel in one call.
template <class Sample>
std::vector<Sample> Reference(uint32_t type, int rate, const std::vector<Sample>& in,
                              const std::function<void(cVelvane_ALG&)>& configure) {
    cNspShell shell;
    cVelvane_ALG alg(Component(type));
    EXPECT_EQ(alg.FinishCreate(), eNoErr);
    EXPECT_EQ(alg.InitProcessCode(&shell), eNoErr);
    configure(alg);
    EXPECT_EQ(alg.ChangeSampleRate(rate), eNoErr);
    alg.SetProcessActive(true);
    EXPECT_EQ(alg.InitAlg(true), eNoErr);
    std::vector<Sample> out;
    RunKernel(alg, shell, in, out);
    return out;
}

// The index of the first difference, or -1.
template <class Sample>
int64_t FirstDifference(const std::vector<Sample>& a, const std::vector<Sample>& b) {
    if (a.size() != b.size()) return 0;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return static_cast<int64_t>(i);
    return -1;
}
