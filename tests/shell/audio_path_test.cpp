// The filter object's audio path, sample by sample: chunks, delay compensation, the tail,
// discontinuities and end of stream, each compared with the kernel run directly.
#include <functional>
#include <optional>
#include <string>

#include "platform/environment.h"
#include "platform/registry.h"
#include "tests/shell/filter_fixture.h"
#include "tests/support/scoped_environment.h"

namespace {

std::vector<size_t> Sizes(const testkit::TestSink::Record& record) {
    std::vector<size_t> sizes;
    for (const auto& a : record.arrivals) sizes.push_back(a.bytes.size());
    return sizes;
}

std::vector<BYTE> Joined(std::vector<BYTE> a, const std::vector<BYTE>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(FilterStream, SamplesAreCutIntoWholeFramesThatFitTheOutputBuffers) {
    const struct {
        const char* name;
        uint32_t type;
        CMediaType input;
        LONG sourceBufferBytes;
        LONG outputLimit;  // 0: the output buffers are as large as the source's
        size_t frames;
        std::vector<size_t> chunks;  // output bytes
    } cases[] = {
        {"stereo pcm16 into 4095-byte buffers", kStereo, Pcm(2), 1 << 16, 4095, 2500, {4092, 4092, 1816}},
        {"mono float into 1001-byte buffers", kMono, Float(1), 1 << 16, 1001, 600, {1000, 1000, 400}},
        {"m/s pcm16, 1000 frames into 2048-byte buffers", kMonoToStereo, Pcm(1), 2048, 0, 1000, {2048, 1952}},
        {"m/s float into 2047-byte buffers", kMonoToStereo, Float(1), 4096, 2047, 600, {2040, 2040, 720}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Build(c.type, c.input, c.sourceBufferBytes);
        if (c.outputLimit) LimitOutputBuffers(c.outputLimit);
        SetState(State_Running);
        const std::vector<BYTE> signal = Signal(c.frames);
        ASSERT_EQ(Push(signal, {.discontinuity = true, .timed = true, .start = 1000, .stop = 2000}), S_OK);

        const auto record = sink->Recorded();
        EXPECT_EQ(Sizes(record), c.chunks);
        for (size_t i = 0; i < record.arrivals.size(); ++i) {
            SCOPED_TRACE(i);
            const auto& a = record.arrivals[i];
            const bool first = i == 0;
            EXPECT_EQ(a.timeResult, first ? S_OK : VFW_E_SAMPLE_TIME_NOT_SET);
            if (first) {
                EXPECT_TRUE(a.start == 1000 && a.stop == 2000);
            }
            EXPECT_EQ(a.discontinuity, first);
            EXPECT_EQ(a.syncPoint, first);
        }
        EXPECT_EQ(sink->Bytes(), KernelOutput(c.type, c.input, signal));
        Release();
    }
}

// A sample with a start time and no stop time: the output keeps the start.
TEST_F(FilterStream, AStartTimeWithoutAStopTimeIsKept) {
    Build(kStereo, Pcm(2));
    SetState(State_Running);
    const std::vector<BYTE> signal = Signal(100);
    platform::Ref<IMediaSample> sample;
    ASSERT_EQ(source->OutputPin().GetDeliveryBuffer(sample.put(), nullptr, nullptr, 0), S_OK);
    BYTE* data = nullptr;
    ASSERT_EQ(sample->GetPointer(&data), S_OK);
    std::copy(signal.begin(), signal.end(), data);
    sample->SetActualDataLength(static_cast<LONG>(signal.size()));
    REFERENCE_TIME start = 5000;
    ASSERT_EQ(sample->SetTime(&start, nullptr), S_OK);
    ASSERT_EQ(source->OutputPin().Deliver(sample.get()), S_OK);

    const auto record = sink->Recorded();
    ASSERT_EQ(record.arrivals.size(), 1u);
    EXPECT_EQ(record.arrivals[0].timeResult, VFW_S_NO_STOP_TIME);
    EXPECT_EQ(record.arrivals[0].start, 5000);
}

TEST_F(FilterStream, APartFrameAtTheEndOfASampleIsDroppedNotCarriedOn) {
    Build(kStereo, Pcm(2));
    SetState(State_Running);
    const std::vector<BYTE> signal = Signal(700);
    const std::vector<BYTE> head(signal.begin(), signal.begin() + 1001), tail(signal.begin() + 1000, signal.end());
    ASSERT_EQ(Push(head), S_OK);  // 250 frames and one byte
    ASSERT_EQ(Push(tail), S_OK);
    EXPECT_EQ(Sizes(sink->Recorded()), (std::vector<size_t>{1000, 1800}));
    EXPECT_EQ(sink->Bytes(), KernelOutput(kStereo, inputType, signal));
}

TEST_F(FilterStream, DelayCompensationFollowsTheRegistrySwitch) {
    const char* key = "SOFTWARE\\Norde\\Norde Audio Processors\\5.0";
    const char* value = "DXDelayCompensation";
    using Setter = std::function<LONG(platform::RegKey&)>;
    const struct {
        const char* name;
        Setter set;  // none: no value
        bool compensates;
    } cases[] = {
        {"no value", nullptr, true},
        {"REG_DWORD 0", [&](platform::RegKey& k) { return k.SetDword(value, 0); }, false},
        {"REG_DWORD 1", [&](platform::RegKey& k) { return k.SetDword(value, 1); }, true},
        {"REG_DWORD 0x100: the first byte decides", [&](platform::RegKey& k) { return k.SetDword(value, 0x100); },
         false},
        {"empty", [&](platform::RegKey& k) { return k.SetString(value, ""); }, true},
        {"300 bytes, the first 0",
         [&](platform::RegKey& k) { return k.SetString(value, '\0' + std::string(299, 'x')); }, false},
        {"300 bytes, the first 1", [&](platform::RegKey& k) { return k.SetString(value, std::string(300, '\1')); },
         true},
    };
    constexpr size_t kFrames = 1024, kDelay = 100, kFrameBytes = 4;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        platform::DeleteKeyTree(HKEY_LOCAL_MACHINE, key);
        if (c.set) {
            platform::RegKey settings;
            ASSERT_EQ(settings.Create(HKEY_LOCAL_MACHINE, key), ERROR_SUCCESS);
            ASSERT_EQ(c.set(settings), ERROR_SUCCESS);
        }
        Build(kStereo, Pcm(2), 1 << 16, {.throughDelay = kDelay});
        SetState(State_Running);
        const std::vector<BYTE> signal = Signal(kFrames);
        ASSERT_EQ(Push(signal), S_OK);
        ASSERT_EQ(EndOfStream(), S_OK);

        const auto record = sink->Recorded();
        EXPECT_EQ(record.endsOfStream, 1);
        if (c.compensates) {
            // The first 100 frames are dropped and 100 zero frames push the rest out at the end.
            EXPECT_EQ(Sizes(record), (std::vector<size_t>{(kFrames - kDelay) * kFrameBytes, kDelay * kFrameBytes}));
            EXPECT_EQ(sink->Bytes(), Dropped(KernelOutput(kStereo, inputType, Padded(signal, kDelay * kFrameBytes)),
                                             kDelay * kFrameBytes));
        } else {
            EXPECT_EQ(Sizes(record), (std::vector<size_t>{kFrames * kFrameBytes}));
            EXPECT_EQ(sink->Bytes(), KernelOutput(kStereo, inputType, signal));
        }
        Release();
    }
}

TEST_F(FilterStream, ADiscontinuityResetsAndFlagsTheNextOutputThatCarriesData) {
    constexpr size_t kDelay = 100, kFrameBytes = 4;
    Build(kStereo, Pcm(2), 1 << 16, {.throughDelay = kDelay});
    SetState(State_Running);
    ASSERT_EQ(Push(Signal(1024)), S_OK);
    // After the discontinuity the first 100 frames are dropped again: these 60 produce nothing.
    const std::vector<BYTE> restart = Signal(60), next = testkit::Inverted(inputType, Signal(300));
    ASSERT_EQ(Push(restart, {.discontinuity = true}), S_OK);
    ASSERT_EQ(Push(next), S_OK);
    ASSERT_EQ(EndOfStream(), S_OK);

    const auto record = sink->Recorded();
    ASSERT_EQ(Sizes(record), (std::vector<size_t>{924 * kFrameBytes, 260 * kFrameBytes, kDelay * kFrameBytes}));
    EXPECT_FALSE(record.arrivals[0].discontinuity);
    EXPECT_TRUE(record.arrivals[1].discontinuity);
    EXPECT_FALSE(record.arrivals[2].discontinuity);
    std::vector<BYTE> afterReset = Joined(record.arrivals[1].bytes, record.arrivals[2].bytes);
    EXPECT_EQ(afterReset, Dropped(KernelOutput(kStereo, inputType, Padded(Joined(restart, next), kDelay * kFrameBytes)),
                                  kDelay * kFrameBytes))
        << "the algorithm starts afresh";
}

TEST_F(FilterStream, EndOfStreamWithoutTailOrDelayOnlyPassesItOn) {
    Build(kMonoToStereo, Pcm(1));
    SetState(State_Running);
    ASSERT_EQ(EndOfStream(), S_OK);
    EXPECT_EQ(sink->Recorded().endsOfStream, 1);
    SetState(State_Stopped);
    SetState(State_Running);
    ASSERT_EQ(Push(Signal(100)), S_OK);
    ASSERT_EQ(EndOfStream(), S_OK);
    const auto record = sink->Recorded();
    EXPECT_EQ(Sizes(record), (std::vector<size_t>{400}));
    EXPECT_EQ(record.endsOfStream, 2);
}

TEST_F(FilterStream, TheTailIsTheKernelsAnswerToSilence) {
    const struct {
        const char* name;
        uint32_t type;
        CMediaType input;
        int32_t tail;
        LONG outputLimit;
        std::vector<size_t> tailChunks;
    } cases[] = {
        // Two bytes a sample, two channels: 300 frames in buffers of 250.
        {"stereo pcm16 into 1002-byte buffers", kStereo, Pcm(2), 300, 1002, {1000, 200}},
        {"m/s float", kMonoToStereo, Float(1), 100, 0, {800}},
    };
    constexpr size_t kFrames = 500;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Build(c.type, c.input, 1 << 16, {.tail = c.tail});
        if (c.outputLimit) LimitOutputBuffers(c.outputLimit);
        SetState(State_Running);
        const std::vector<BYTE> signal = Signal(kFrames);
        ASSERT_EQ(Push(signal), S_OK);
        ASSERT_EQ(EndOfStream(), S_OK);

        const auto record = sink->Recorded();
        std::vector<size_t> tail = Sizes(record);
        tail.erase(tail.begin(), tail.end() - static_cast<ptrdiff_t>(c.tailChunks.size()));
        EXPECT_EQ(tail, c.tailChunks);
        EXPECT_EQ(record.endsOfStream, 1);
        const size_t inputFrameBytes = signal.size() / kFrames;
        const std::vector<BYTE> expected =
            KernelOutput(c.type, c.input, Padded(signal, static_cast<size_t>(c.tail) * inputFrameBytes));
        EXPECT_EQ(sink->Bytes(), expected);
        Release();
    }
}

TEST_F(FilterStream, WithoutAKernelModuleTheAudioPassesThroughUntouched) {
    const struct {
        const char* name;
        uint32_t type;
        CMediaType input;
    } cases[] = {{"stereo", kStereo, Pcm(2)}, {"m/s", kMonoToStereo, Float(1)}, {"mono", kMono, Pcm(1)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        {
            ScopedEnvironment missing("VELVANE_KERNEL", "velkern_not_there");
            Build(c.type, c.input);
        }
        ASSERT_EQ(filter->GetProcess(), nullptr);
        SetState(State_Running);
        const std::vector<BYTE> signal = Signal(300);
        ASSERT_EQ(Push(signal), S_OK);
        std::vector<BYTE> expected = signal;
        if (c.type == kMonoToStereo) {  // each sample into both channels
            expected.clear();
            for (size_t i = 0; i < signal.size(); i += 4)
                for (int copy = 0; copy < 2; ++copy) expected.insert(expected.end(), &signal[i], &signal[i] + 4);
        }
        EXPECT_EQ(sink->Bytes(), expected);
        Release();
    }
}

}  // namespace
