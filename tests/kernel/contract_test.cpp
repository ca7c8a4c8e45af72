// The call contract's edges and the properties the flanger promises, for every module.
#include <cmath>
#include <limits>

#include "kernel_fixture.h"

namespace kerneltest {
namespace {

struct RoutineCase {
    const char* name;
    bool stereo;
    int32_t inChannels, outChannels;
};
constexpr RoutineCase kRoutines[] = {{"stereo", true, 2, 2}, {"mono", false, 1, 1}};

TEST(KernelContract, NoFramesOrAnUnknownFormatSetOnlyTheOutCount) {
    struct Case {
        int32_t frames, format;
    };
    constexpr Case kCases[] = {
        {0, kSampleFloat32}, {-5, kSampleFloat32}, {0, kSampleInt16}, {16, 2}, {16, 0}, {16, -1}};
    for (const Module& m : Modules())
        for (const RoutineCase& r : kRoutines)
            for (const Case& c : kCases) {
                SCOPED_TRACE(testing::Message()
                             << m.traits.name << " " << r.name << ", frames " << c.frames << ", format " << c.format);
                const Rig before = MakeRig(11, {r.stereo, true, kSampleFloat32, 16});
                Rig after = before;
                EXPECT_EQ(after.Call(Export(Pick(m, r.stereo)), r.inChannels, r.outChannels, 0, c.frames, c.format),
                          c.frames);
                ExpectSameRig(before, after);
            }
}

TEST(KernelContract, SixteenBitOutputSaturatesInsteadOfWrapping) {
    struct Case {
        int16_t in;
        float dryGain;  // the output is in / 32768 * dryGain
        int16_t expected;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case kCases[] = {
        {16384, 2.0f, 32767},                           // 1.0: full scale, not -32768
        {-16384, 2.0f, -32768},                         // -1.0
        {-32768, 1.0f, -32768},                         // -32768 enters as -1.0
        {16384, 1.0f, 16384},                           // 0.5
        {32767, 1.5f, 32767},                           // an over keeps its sign
        {-32768, 1.5f, -32768}, {12345, 1e30f, 32767},  // far beyond the integer range
        {-3, 0.5f, -1},                                 // -1.5 truncates toward zero
        {1, 0.5f, 0},           {5, nan, 0},
    };
    for (const Module& m : Modules())
        for (const RoutineCase& r : kRoutines)
            for (const Case& c : kCases) {
                SCOPED_TRACE(testing::Message()
                             << m.traits.name << " " << r.name << ": " << c.in << " x " << c.dryGain);
                Rig rig = MakeRig(12, {r.stereo, false, kSampleInt16, 1});
                SetBypass(rig, c.dryGain / 4.0f);
                rig.In16()[0] = rig.In16()[1] = c.in;
                rig.Call(Export(Pick(m, r.stereo)), r.inChannels, r.outChannels, 0, 1);
                for (int ch = 0; ch < r.outChannels; ++ch) EXPECT_EQ(rig.Out16(0, ch), c.expected) << "channel " << ch;
            }
}

TEST(KernelContract, BypassPassesEverySampleThroughWhileTheLineRunsOn) {
    constexpr int32_t kFrames = 65536 + 5;  // every 16-bit value; not a whole number of line lengths
    for (const Module& m : Modules())
        for (const RoutineCase& r : kRoutines)
            for (int32_t format : {kSampleFloat32, kSampleInt16}) {
                SCOPED_TRACE(testing::Message()
                             << m.traits.name << " " << r.name << (format == kSampleInt16 ? " 16" : ""));
                Rig rig = MakeRig(13, {r.stereo, true, format, kFrames});
                SetBypass(rig);
                float largest = SlotFloat(rig.state.data(), STATE_PEAK_L);
                for (int32_t t = 0; t < kFrames; ++t) {
                    if (format == kSampleInt16) rig.In16()[t * kSlots] = static_cast<int16_t>(t - 32768);
                    const float x =
                        format == kSampleInt16 ? rig.In16()[t * kSlots] / 32768.0f : rig.InFloat()[t * kSlots];
                    largest = std::max(largest, std::fabs(x));
                }
                const Rig before = rig;
                rig.Call(Export(Pick(m, r.stereo)), r.inChannels, r.outChannels, 0, kFrames);
                for (int32_t t = 0; t < kFrames; ++t) {
                    if (format == kSampleInt16)
                        ASSERT_EQ(rig.Out16(t, 0), rig.In16()[t * kSlots]) << "frame " << t;
                    else
                        ASSERT_EQ(rig.OutFloat(t, 0), rig.InFloat()[t * kSlots]) << "frame " << t;
                }
                EXPECT_EQ(SlotFloat(rig.state.data(), STATE_PEAK_L), largest);
                EXPECT_NE(rig.line, before.line);
                EXPECT_NE(SlotInt(rig.state.data(), STATE_WRITE_INDEX),
                          SlotInt(before.state.data(), STATE_WRITE_INDEX));
            }
}

TEST(KernelContract, AnIntegerDelayReturnsTheSampleFromThatManyFramesAgo) {
    for (const Module& m : Modules())
        for (const RoutineCase& r : kRoutines) {
            SCOPED_TRACE(testing::Message() << m.traits.name << " " << r.name);
            Rig rig = MakeRig(14, {r.stereo, false, kSampleFloat32, 64});
            uint8_t* c = rig.coefs.data();
            SetSlot(c, COEF_LFO_HALF_STEP, 0.0f);
            SetSlot(c, COEF_DEPTH, 0.0f);
            SetSlot(c, COEF_DELAY_CENTER, 9);
            SetSlot(c, COEF_FEEDBACK, 0.0f);
            SetSlot(c, COEF_DRY_GAIN, 0.0f);
            SetSlot(c, COEF_WET_TAP_4, 0.25f);
            std::fill(rig.line.begin(), rig.line.end(), 0.0f);
            std::fill(rig.input.begin(), rig.input.end(), 0);
            rig.InFloat()[0] = rig.InFloat()[1] = 0.75f;
            rig.Call(Export(Pick(m, r.stereo)), r.inChannels, r.outChannels, 0, 64);
            for (int32_t t = 0; t < 64; ++t)
                for (int ch = 0; ch < r.outChannels; ++ch)
                    EXPECT_EQ(rig.OutFloat(t, ch), t == 9 ? 0.75f : 0.0f) << "frame " << t << " channel " << ch;
        }
}

TEST(KernelContract, WithoutPhaseOffsetEqualInputsGiveEqualLanes) {
    for (const Module& m : Modules())
        for (int32_t inChannels : {1, 2}) {
            SCOPED_TRACE(testing::Message() << m.traits.name << ", inputs " << inChannels);
            Rig rig = MakeRig(15, {true, true, kSampleFloat32, 2048});
            SetSlot(rig.coefs.data(), COEF_LFO_PHASE_OFFSET_R, 0);
            std::fill(rig.line.begin(), rig.line.end(), 0.0f);
            std::fill(rig.state.begin(), rig.state.end(), 0);
            for (int32_t t = 0; t < 2048; ++t) rig.InFloat()[t * kSlots + 1] = rig.InFloat()[t * kSlots];
            rig.Call(Export(m.stereo), inChannels, 2, 0, 2048);
            for (int32_t t = 0; t < 2048; ++t) ASSERT_EQ(rig.OutFloat(t, 0), rig.OutFloat(t, 1)) << "frame " << t;
            EXPECT_EQ(SlotFloat(rig.state.data(), STATE_PEAK_L), SlotFloat(rig.state.data(), STATE_PEAK_R));
            EXPECT_GT(SlotFloat(rig.state.data(), STATE_PEAK_L), 0.0f);
        }
}

// The mono routine scales what enters its delay line by 1 + |fb|; the stereo routine does not.
// Fed that scaled input and without a dry path, either stereo lane equals the mono output.
TEST(KernelContract, MonoEqualsStereoFedTheInputScaledByOnePlusFeedback) {
    constexpr int32_t kFrames = 1024;
    for (const Module& m : Modules())
        for (float feedback : {0.0f, 0.6f, -0.45f})
            for (bool filterOn : {false, true}) {
                if (filterOn && m.traits.monoK1First) continue;  // the mono filter sums in another order there
                SCOPED_TRACE(testing::Message()
                             << m.traits.name << ", feedback " << feedback << ", filter " << filterOn);
                Rig mono = MakeRig(16, {true, filterOn, kSampleFloat32, kFrames});
                SetSlot(mono.coefs.data(), COEF_FEEDBACK, feedback);
                SetSlot(mono.coefs.data(), COEF_DRY_GAIN, 0.0f);
                SetSlot(mono.coefs.data(), COEF_LFO_PHASE_OFFSET_R, 0);
                std::fill(mono.line.begin(), mono.line.end(), 0.0f);
                std::fill(mono.state.begin(), mono.state.end(), 0);
                Rig stereo = mono;
                const float gain = std::fabs(feedback) + 1.0f;
                for (int32_t t = 0; t < kFrames; ++t) stereo.InFloat()[t * kSlots] = gain * mono.InFloat()[t * kSlots];
                mono.Call(Export(m.mono), 1, 1, 0, kFrames);
                stereo.Call(Export(m.stereo), 1, 2, 0, kFrames);
                for (int32_t t = 0; t < kFrames; ++t)
                    for (int ch = 0; ch < 2; ++ch)
                        ASSERT_EQ(stereo.OutFloat(t, ch), mono.OutFloat(t, 0)) << "frame " << t << " channel " << ch;
            }
}

TEST(KernelContract, MonoThroughStereoWritesOneOutputButRunsBothLanes) {
    for (const Module& m : Modules()) {
        SCOPED_TRACE(m.traits.name);
        const Rig start = MakeRig(17, {true, true, kSampleFloat32, 256});
        Rig one = start, two = start;
        one.Call(Export(m.stereo), 1, 1, 0, 256);
        two.Call(Export(m.stereo), 1, 2, 0, 256);
        ExpectSameBits(two.state, one.state, "state records");
        for (int32_t t = 0; t < 256; ++t) {
            ASSERT_EQ(one.OutFloat(t, 0), two.OutFloat(t, 0)) << "frame " << t;
            ASSERT_TRUE(one.OutIsCanary(t, 1)) << "channel 1 written at frame " << t;
        }
    }
}

TEST(KernelContract, SilentMonoPathWritesZerosAndKeepsTheClockRunning) {
    for (const Module& m : Modules())
        for (int32_t format : {kSampleFloat32, kSampleInt16}) {
            SCOPED_TRACE(testing::Message() << m.traits.name << (format == kSampleInt16 ? " 16" : ""));
            const Rig start = MakeRig(18, {false, true, format, 300});
            Rig silent = start, normal = start;
            silent.Call(Export(m.mono), 2, 1, 0, 300);
            normal.Call(Export(m.mono), 1, 1, 0, 300);
            for (int32_t t = 0; t < 300; ++t) {
                for (int ch = 0; ch < 2; ++ch)
                    ASSERT_EQ(format == kSampleInt16 ? silent.Out16(t, ch) : silent.OutFloat(t, ch), 0.0f);
                ASSERT_TRUE(silent.OutIsCanary(t, 2));
            }
            for (int slot : {STATE_LFO_INDEX, STATE_LFO_FRACTION, STATE_LFO_VALUE, STATE_WRITE_INDEX})
                EXPECT_EQ(SlotInt(silent.state.data(), slot), SlotInt(normal.state.data(), slot)) << "slot " << slot;
            EXPECT_NE(SlotInt(silent.state.data(), STATE_WRITE_INDEX), SlotInt(start.state.data(), STATE_WRITE_INDEX));
        }
}

TEST(KernelContract, ANanOutputLeavesThePeakAlone) {
    for (const Module& m : Modules())
        for (const RoutineCase& r : kRoutines) {
            SCOPED_TRACE(testing::Message() << m.traits.name << " " << r.name);
            Rig rig = MakeRig(19, {r.stereo, false, kSampleFloat32, 3});
            SetBypass(rig);
            SetSlot(rig.state.data(), STATE_PEAK_L, 0.25f);
            SetSlot(rig.state.data(), STATE_PEAK_R, 0.25f);
            for (int ch = 0; ch < 2; ++ch) {
                rig.InFloat()[0 * kSlots + ch] = 0.125f;
                rig.InFloat()[1 * kSlots + ch] = std::numeric_limits<float>::quiet_NaN();
                rig.InFloat()[2 * kSlots + ch] = -0.5f;
            }
            rig.Call(Export(Pick(m, r.stereo)), r.inChannels, r.outChannels, 0, 2);
            EXPECT_TRUE(std::isnan(rig.OutFloat(1, 0)));
            EXPECT_EQ(SlotFloat(rig.state.data(), STATE_PEAK_L), 0.25f);
            rig.Call(Export(Pick(m, r.stereo)), r.inChannels, r.outChannels, 2, 1);
            EXPECT_EQ(SlotFloat(rig.state.data(), STATE_PEAK_L), 0.5f);
            if (r.stereo) {
                EXPECT_EQ(SlotFloat(rig.state.data(), STATE_PEAK_R), 0.5f);
            }
        }
}

// In place: the input records point at the output memory, channel for channel.
TEST(KernelContract, InputAndOutputMayShareMemory) {
    for (const Module& m : Modules())
        for (const RoutineCase& r : kRoutines)
            for (int32_t format : {kSampleFloat32, kSampleInt16}) {
                SCOPED_TRACE(testing::Message()
                             << m.traits.name << " " << r.name << (format == kSampleInt16 ? " 16" : ""));
                const Rig start = MakeRig(21, {r.stereo, true, format, 300});
                Rig apart = start, shared = start;
                apart.Call(Export(Pick(m, r.stereo)), r.inChannels, r.outChannels, 0, 300);
                shared.output = shared.input;
                const VelvaneProcessFn fn = Pick(m, r.stereo);
                auto inPlace = [fn](const NordeSoundBuf* in, int32_t inChannels, int32_t frames,
                                    const NordeSoundBuf* out, int32_t outChannels, int32_t* outCount,
                                    const uint8_t* coefs, uint8_t* state, const ExternStruct* externs) {
                    NordeSoundBuf both[3] = {out[0], out[1], out[2]};
                    both[0].format = in[0].format;
                    fn(both, inChannels, frames, out, outChannels, outCount, coefs, state, externs, 0);
                };
                shared.Call(inPlace, r.inChannels, r.outChannels, 0, 300);
                for (int32_t t = 0; t < 300; ++t)
                    for (int ch = 0; ch < r.outChannels; ++ch)
                        ASSERT_EQ(format == kSampleInt16 ? shared.Out16(t, ch) : shared.OutFloat(t, ch),
                                  format == kSampleInt16 ? apart.Out16(t, ch) : apart.OutFloat(t, ch))
                            << "frame " << t << " channel " << ch;
                ExpectSameBits(apart.state, shared.state, "state records");
            }
}

TEST(KernelContract, SilenceStaysSilent) {
    for (const Module& m : Modules())
        for (const RoutineCase& r : kRoutines) {
            SCOPED_TRACE(testing::Message() << m.traits.name << " " << r.name);
            Rig rig = MakeRig(20, {r.stereo, true, kSampleFloat32, 512});
            std::fill(rig.line.begin(), rig.line.end(), 0.0f);
            std::fill(rig.state.begin(), rig.state.end(), 0);
            std::fill(rig.input.begin(), rig.input.end(), 0);
            rig.Call(Export(Pick(m, r.stereo)), r.inChannels, r.outChannels, 0, 512);
            for (int32_t t = 0; t < 512; ++t)
                for (int ch = 0; ch < r.outChannels; ++ch) ASSERT_EQ(rig.OutFloat(t, ch), 0.0f);
            EXPECT_EQ(SlotFloat(rig.state.data(), STATE_PEAK_L), 0.0f);
            EXPECT_EQ(SlotFloat(rig.state.data(), STATE_PEAK_R), 0.0f);
        }
}

}  // namespace
}  // namespace kerneltest
