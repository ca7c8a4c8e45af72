#include <cmath>

#include "algorithm_fixture.h"

namespace {

// A block at a steady level through the bypassed instance: the kernel's peak is the level.
void Play(Instance& x, float level, int32_t frames = 256) {
    std::vector<float> in(static_cast<size_t>(frames * x.alg.GetNumInputs())), out;
    for (size_t i = 0; i < in.size(); ++i) in[i] = i % 3 == 0 ? -level : level;
    x.Run(in, out);
}

const sCONTROL_PARAM& Param(Instance& x, int16_t index) { return *x.alg.GetControlParam(index); }

TEST(Meters, BarHeldPeakAndClipLight) {
    struct Case {
        const char* name;
        double dB;
        int32_t state;
        bool clip;
    };
    const Case cases[] = {{"-15 dB", -15, 500, false}, {"-40 dB", -40, 0, false}, {"full scale", 0, 1000, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Instance x(FourCC("FLNS"));
        x.alg.SetBypass(1);
        Play(x, static_cast<float>(std::pow(10.0, c.dB / 20)));
        x.alg.DoIdle();
        for (const int16_t meter : {PARAM_VU_L, PARAM_VU_R}) {
            EXPECT_EQ(Param(x, meter).GetState(eSetupA), c.state);
            EXPECT_NEAR(Param(x, meter).GetRealWorld(eSetupA), c.dB, 1e-3) << "held peak";
            EXPECT_EQ(Param(x, meter).refreshMark, eRefreshRedraw) << "keeps refreshing";
        }
        for (const int16_t clip : {PARAM_CLIP_L, PARAM_CLIP_R}) {
            EXPECT_EQ(Param(x, clip).GetRealWorld(eSetupA), c.clip ? 1.0 : 0.0);
            EXPECT_EQ(Param(x, clip).GetState(eSetupA), c.clip ? 1 : 0);
        }
    }
}

TEST(Meters, FreezeWithoutAudioResetOnAWriteAndRestWhenStopped) {
    Instance x(FourCC("FLNS"));
    x.alg.SetBypass(1);
    Play(x, 1.0f);
    x.alg.DoIdle();
    for (int i = 0; i < 10; ++i) {  // quieter: the bar holds, then falls; the peak stays held
        Play(x, 0.01f);
        x.alg.DoIdle();
    }
    EXPECT_NEAR(Param(x, PARAM_VU_L).GetRealWorld(eSetupA), 0.0, 1e-3);
    const int32_t bar = Param(x, PARAM_VU_L).GetState(eSetupA);
    EXPECT_LT(bar, 1000);
    EXPECT_GT(bar, 0);
    x.alg.DoIdle();  // no block since: the bar stays where it is
    EXPECT_EQ(Param(x, PARAM_VU_L).GetState(eSetupA), bar);

    x.Set(PARAM_CLIP_L, 0);  // a click on a light resets both meters and both lights
    EXPECT_EQ(Param(x, PARAM_CLIP_R).GetRealWorld(eSetupA), 0.0);
    for (const int16_t index : {PARAM_VU_L, PARAM_VU_R}) {
        EXPECT_EQ(Param(x, index).GetRealWorld(eSetupA), -144.0);
        EXPECT_EQ(Param(x, index).refreshMark, eRefreshChanged);
    }
    Play(x, 0.01f);
    x.alg.DoIdle();
    EXPECT_NEAR(Param(x, PARAM_VU_R).GetRealWorld(eSetupA), -40.0, 1e-3);

    x.alg.SetProcessActive(false);
    x.alg.GetControlParam(PARAM_OSCILATOR_VU)->refreshMark = eRefreshRedraw;
    x.alg.DoIdle();
    for (const int16_t index : {PARAM_VU_L, PARAM_VU_R}) {
        EXPECT_EQ(Param(x, index).GetState(eSetupA), 0);
        EXPECT_EQ(Param(x, index).refreshMark, eRefreshNone);
    }
    EXPECT_EQ(Param(x, PARAM_OSCILATOR_VU).GetState(eSetupA), 500) << "the LFO display rests in the centre";
}

TEST(Meters, TheMonoComponentHasNoRightMeter) {
    Instance x(FourCC("FLNM"));
    x.alg.GetControlParam(PARAM_VU_R)->SetState(eSetupA, 700);
    Play(x, 1.0f);
    x.alg.DoIdle();
    EXPECT_EQ(Param(x, PARAM_VU_R).GetState(eSetupA), 700);
    EXPECT_EQ(Param(x, PARAM_VU_R).refreshMark, eRefreshNone);
    EXPECT_EQ(Param(x, PARAM_VU_L).GetState(eSetupA), 1000);
}

TEST(LfoDisplay, FollowsTheLfoScaledByTheDepth) {
    Instance x(FourCC("FLNS"));
    x.SetValue(PARAM_RATE, 5.0);
    Play(x, 0.1f, 2000);
    x.alg.DoIdle();
    const double v = x.State(STATE_LFO_VALUE);
    ASSERT_GT(std::fabs(v), 0.1) << "the LFO has moved";
    EXPECT_EQ(Param(x, PARAM_OSCILATOR_VU).GetState(eSetupA), static_cast<int32_t>((1 + v) * 500));
    x.Set(PARAM_DEPTH, 0);
    Play(x, 0.1f, 700);
    x.alg.DoIdle();
    EXPECT_EQ(Param(x, PARAM_OSCILATOR_VU).GetState(eSetupA), 500);
}

TEST(Pictures, FramesFollowTheSwitches) {
    struct Case {
        const char* name;
        int16_t index;
        int32_t state;
        int16_t shows;  // the parameter whose picture changes
        uint16_t bitmap;
    };
    const Case cases[] = {
        {"phase 90 degrees", PARAM_LR_PHASE, 500, PARAM_LR_PHASE, 165 + 9},
        {"phase 180 degrees", PARAM_LR_PHASE, 1000, PARAM_LR_PHASE, 165 + 19},
        {"inverted phase", PARAM_INV_PHASE, 1, PARAM_INV_PHASE, 206},
        {"low-pass", PARAM_FILTER_TYPE, 0, PARAM_FILTER_TYPE, 202},
        {"sync on, caption follows", PARAM_SYNC_ON_OFF, 1, PARAM_RATE_CAPTION, 232},
        {"link", PARAM_LINK_DEPTH, 1, PARAM_LINK_DEPTH, 214},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Instance x(FourCC("FLNS"));
        x.Set(c.index, c.state);
        x.alg.DoIdle();
        ASSERT_NE(Param(x, c.shows).icon, nullptr);
        EXPECT_EQ(Param(x, c.shows).icon->resourceID, c.bitmap);
        EXPECT_EQ(Param(x, c.index).refreshMark, eRefreshNone);
    }
}

}  // namespace
