#pragma once
// The filter object as the tests drive it: made around an algorithm that can report a through
// delay and a tail, connected by hand between testkit's push source and recording sink, and
// compared with the kernel run directly on the same algorithm's coefficients.
#include <cstring>
#include <memory>
#include <vector>

#include "platform/dshow/mediatype.h"
#include "plugin/shell/component_table.h"
#include "tests/algorithm/algorithm_fixture.h"
#include "tests/dshow/testkit.h"
#include "tests/shell/shell_fixture.h"

// The flanger with the through delay and tail a test asks for (the real one has neither).
class DelayedAlgorithm final : public cVelvane_ALG {
public:
    DelayedAlgorithm(uint32_t type, int32_t throughDelay, int32_t tail)
        : cVelvane_ALG(Component(type)), throughDelay_(throughDelay), tail_(tail) {}
    int32_t GetThroughDelay() const noexcept override { return throughDelay_; }
    int32_t GetTailLength() const noexcept override { return tail_; }

private:
    const int32_t throughDelay_, tail_;
};

inline const uint32_t kStereo = FourCC("FLNS"), kMonoToStereo = FourCC("FLNX"), kMono = FourCC("FLNM");

// 16-bit PCM, plain; 32-bit float, WAVE_FORMAT_EXTENSIBLE (as Wine's parser hands float over).
inline CMediaType Pcm(WORD channels, DWORD rate = 44100) { return testkit::AudioType(channels, rate, false); }
inline CMediaType Float(WORD channels, DWORD rate = 44100) { return testkit::AudioType(channels, rate, true, true); }

struct FilterOptions {
    int32_t throughDelay = 0;
    int32_t tail = 0;
};

// A filter of component `type` (FLNS, FLNX, FLNM), not aggregated.
inline platform::Ref<AmShell> MakeFilter(uint32_t type, FilterOptions options = {}) {
    auto algorithm = std::make_unique<DelayedAlgorithm>(type, options.throughDelay, options.tail);
    EXPECT_EQ(algorithm->FinishCreate(), eNoErr);
    HRESULT hr = E_FAIL;
    const auto object = platform::Ref<IUnknown>::adopt(
        AmShell::Create(type, nullptr, ComponentTable[3].clsid, std::move(algorithm), &hr));
    EXPECT_EQ(hr, S_OK);
    return FilterOf(object.get());
}

// Samples of type T from raw bytes, and back.
template <class T>
std::vector<T> SamplesOf(const std::vector<BYTE>& bytes) {
    std::vector<T> samples(bytes.size() / sizeof(T));
    std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(T));
    return samples;
}
template <class T>
std::vector<BYTE> BytesOf(const std::vector<T>& samples) {
    std::vector<BYTE> bytes(samples.size() * sizeof(T));
    std::memcpy(bytes.data(), samples.data(), bytes.size());
    return bytes;
}

// What the kernel makes of `in` in one call from a fresh start of component `type`, in the
// format of `type` (16-bit or float), at `rate`.
inline std::vector<BYTE> KernelOutput(uint32_t type, const CMediaType& format, const std::vector<BYTE>& in,
                                      int32_t rate = 44100) {
    WAVEFORMATEXTENSIBLE f{};
    EXPECT_TRUE(platform::ReadWaveFormat(format, &f));
    Instance x(type, FourCC("pcDX"), rate);
    if (f.Format.wBitsPerSample == 16) {
        std::vector<int16_t> out;
        x.Run(SamplesOf<int16_t>(in), out);
        return BytesOf(out);
    }
    std::vector<float> out;
    x.Run(SamplesOf<float>(in), out);
    return BytesOf(out);
}

// Zero bytes appended, or the first bytes removed: the reference for a compensated stream.
inline std::vector<BYTE> Padded(std::vector<BYTE> bytes, size_t zeros) {
    bytes.resize(bytes.size() + zeros);
    return bytes;
}
inline std::vector<BYTE> Dropped(const std::vector<BYTE>& bytes, size_t first) {
    return {bytes.begin() + static_cast<ptrdiff_t>(std::min(first, bytes.size())), bytes.end()};
}

// source → filter → sink, connected by hand and driven from the test's thread.
class FilterStream : public Shell {
protected:
    // Source buffers of `bufferBytes`; the filter's output buffers follow them.
    void Build(uint32_t type, const CMediaType& input, LONG bufferBytes = 1 << 16, FilterOptions options = {}) {
        inputType = input;
        source = testkit::TestSource::Create({input}, {2, bufferBytes, 1, 0});
        filter = MakeFilter(type, options);
        sink = testkit::TestSink::Create();
        ASSERT_TRUE(filter);
        ASSERT_EQ(source->Output()->Connect(filter->GetPin(0), nullptr), S_OK);
        ASSERT_EQ(filter->GetPin(1)->Connect(sink->Input(), nullptr), S_OK);
    }
    // Shrinks the output buffers, as a downstream allocator granting less than asked would (each
    // still aligned as the filter asked).
    void LimitOutputBuffers(LONG bytes) {
        platform::Ref<IMemAllocator> allocator;
        ASSERT_EQ(platform::QueryAs<IMemInputPin>(sink->Input(), IID_IMemInputPin)->GetAllocator(allocator.put()),
                  S_OK);
        ALLOCATOR_PROPERTIES request{2, bytes, 4, 0}, granted{};
        ASSERT_EQ(allocator->SetProperties(&request, &granted), S_OK);
    }
    // Downstream first, as a graph does.
    void SetState(FILTER_STATE state) {
        ASSERT_EQ(testkit::SetStates({sink.get(), filter.get(), source.get()}, state), S_OK);
    }
    HRESULT Push(const std::vector<BYTE>& bytes, testkit::PushFlags flags = {}) { return source->Push(bytes, flags); }
    HRESULT EndOfStream() { return source->OutputPin().DeliverEndOfStream(); }
    std::vector<BYTE> Signal(size_t frames) const { return testkit::Signal(inputType, frames); }
    // The output type the filter agreed with the sink.
    CMediaType OutputType() const {
        CMediaType type;
        EXPECT_EQ(filter->GetPin(1)->ConnectionMediaType(&type), S_OK);
        return type;
    }

    // Stops and disconnects whatever was built, and lets it go.
    void Release() {
        if (source && filter && sink) SetState(State_Stopped);
        if (source) testkit::Disconnect(source->Output());
        if (filter) testkit::Disconnect(filter->GetPin(1));
        source.reset();
        filter.reset();
        sink.reset();
    }
    void TearDown() override {
        Release();
        Shell::TearDown();
    }

    CMediaType inputType;
    platform::Ref<testkit::TestSource> source;
    platform::Ref<AmShell> filter;
    platform::Ref<testkit::TestSink> sink;
};
