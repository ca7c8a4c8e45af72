// Parameter values turned into coefficients and run through the real kernel module.
#include <cmath>

#include "algorithm_fixture.h"
#include "framework/Levels.h"

namespace {

// A signal with every sample different, in -0.9 … 0.9 (or its 16-bit form).
template <class Sample>
std::vector<Sample> Signal(int32_t frames, int32_t channels, int seed) {
    std::vector<Sample> s(static_cast<size_t>(frames * channels));
    for (size_t i = 0; i < s.size(); ++i) {
        const double v = 0.9 * std::sin(0.05 * static_cast<double>(i) * (seed + 1) + seed);
        if constexpr (sizeof(Sample) == 2)
            s[i] = static_cast<Sample>(std::lround(v * 32767));
        else
            s[i] = static_cast<Sample>(v);
    }
    return s;
}

// Output channel `c` of every frame.
template <class Sample>
std::vector<Sample> Channel(const std::vector<Sample>& frames, int32_t channels, int32_t c) {
    std::vector<Sample> one;
    for (size_t i = static_cast<size_t>(c); i < frames.size(); i += static_cast<size_t>(channels))
        one.push_back(frames[i]);
    return one;
}

template <class Sample>
void ExpectBypassIsTheIdentity() {
    for (const ComponentCase& c : kComponents) {
        SCOPED_TRACE(c.name);
        Instance x(c.type);
        ASSERT_TRUE(LoadPreset(x.alg, 1));  // "Classic phaser": feedback, filter, inversion
        std::vector<Sample> out;
        x.Run(Signal<Sample>(500, c.inputs, 1), out);  // the delay line full of history
        x.alg.SetBypass(1);
        for (int block = 0; block < 3; ++block) {
            const auto in = Signal<Sample>(333, c.inputs, 2 + block);
            x.Run(in, out);
            for (int32_t ch = 0; ch < c.outputs; ++ch)
                EXPECT_EQ(Channel(out, c.outputs, ch), Channel(in, c.inputs, ch % c.inputs)) << "channel " << ch;
        }
    }
}

TEST(Audio, BypassIsTheIdentity) {
    ExpectBypassIsTheIdentity<float>();
    ExpectBypassIsTheIdentity<int16_t>();
}

TEST(Audio, MixZeroIsTheDrySignalAtTheInputGain) {
    for (const ComponentCase& c : kComponents) {
        SCOPED_TRACE(c.name);
        Instance x(c.type);
        x.Set(PARAM_MIX, 0);
        x.Set(PARAM_IN_GAIN, 250);  // -6 dB
        const float gain = static_cast<float>(DBToAmplitude(-6));
        for (int block = 0; block < 2; ++block) {
            const auto in = Signal<float>(400, c.inputs, block);
            std::vector<float> out;
            x.Run(in, out);
            for (int32_t ch = 0; ch < c.outputs; ++ch) {
                const auto dry = Channel(in, c.inputs, ch % c.inputs);
                const auto wet = Channel(out, c.outputs, ch);
                for (size_t i = 0; i < dry.size(); ++i) ASSERT_EQ(wet[i], dry[i] * gain) << "frame " << i;
            }
        }
    }
}

TEST(Audio, APureDelayAppearsAtTheCentreDelay) {
    for (const ComponentCase& c : kComponents) {
        SCOPED_TRACE(c.name);
        Instance x(c.type);
        x.Set(PARAM_DEPTH, 0);
        x.Set(PARAM_FEEDBACK, 0);
        x.Set(PARAM_MIX, 1000);  // wet only, filter off, tape off
        const int32_t centre = x.LiveInt(COEF_DELAY_CENTER);
        ASSERT_EQ(centre, 98);
        std::vector<float> in(static_cast<size_t>(300 * c.inputs), 0.0f), out;
        for (int32_t ch = 0; ch < c.inputs; ++ch) in[static_cast<size_t>(ch)] = 1.0f;
        x.Run(in, out);
        for (int32_t ch = 0; ch < c.outputs; ++ch) {
            const auto wet = Channel(out, c.outputs, ch);
            for (size_t i = 0; i < wet.size(); ++i)
                ASSERT_EQ(wet[i], i == static_cast<size_t>(centre) ? 1.0f : 0.0f) << "channel " << ch << " frame " << i;
        }
    }
}

// 300 BPM at 16 cycles a beat asks for 1.86 table entries a frame; held at one, the phase stays
// a valid table position and moves exactly one entry a frame.
TEST(Audio, FastTempoSyncKeepsTheLfoPhaseValid) {
    Instance x(FourCC("FLNS"));
    x.Set(PARAM_SYNC_ON_OFF, 1);
    x.Set(PARAM_xFACTOR, 15);
    x.alg.SetTempo(300);
    int32_t frames = 0;
    for (int block = 0; block < 5; ++block) {
        std::vector<float> out;
        x.Run(Signal<float>(997, 2, block), out);
        frames += 997;
        EXPECT_EQ(x.StateInt(STATE_LFO_INDEX), frames % 1024);
        EXPECT_EQ(x.State(STATE_LFO_FRACTION), 0.0f);
        for (const float sample : out) ASSERT_TRUE(std::isfinite(sample));
    }
}

}  // namespace
