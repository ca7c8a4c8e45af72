// The filter object's identity and its media-type negotiation: which interfaces it answers, which
// audio it takes, which output it proposes and accepts, and how it sizes its output buffers.
#include <cstring>
#include <functional>

#include "plugin/shell/interfaces/host_interfaces.h"
#include "tests/shell/filter_fixture.h"

namespace {

using platform::Ref;

// The object's reference count, read without changing it.
ULONG RefCount(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

TEST_F(Shell, FilterAnswersItsInterfacesAndNothingElse) {
    const auto filter = MakeFilter(kStereo);
    ASSERT_TRUE(filter);
    IBaseFilter* const face = filter.get();
    const auto identity = platform::QueryAs<IUnknown>(face, IID_IUnknown);
    for (int row = 0; row < 9; ++row) {
        SCOPED_TRACE(kExpectedComponents[row].clsid);
        Ref<IUnknown> itself;
        ASSERT_EQ(filter->QueryInterface(ClsidOf(kExpectedComponents[row]), itself.put_void()), S_OK);
        EXPECT_EQ(itself.get(), identity.get()) << "any processing class names the object itself";
    }
    const IID kNobodys = {0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}};
    const struct {
        const char* name;
        IID iid;
        HRESULT expect;
    } faces[] = {{"IUnknown", IID_IUnknown, S_OK},
                 {"IBaseFilter", IID_IBaseFilter, S_OK},
                 {"IMediaFilter", IID_IMediaFilter, S_OK},
                 {"IPersist", IID_IPersist, S_OK},
                 {"ISpecifyPropertyPages", IID_ISpecifyPropertyPages, S_OK},
                 {"IStaticFilterPreset", IID_IStaticFilterPreset, S_OK},
                 {"IVelvaneParameters", IID_IVelvaneParameters, S_OK},
                 {"the page's class", ClsidOf(kExpectedComponents[9]), E_NOINTERFACE},
                 {"IPin", IID_IPin, E_NOINTERFACE},
                 {"IMemInputPin", IID_IMemInputPin, E_NOINTERFACE},
                 {"nobody's", kNobodys, E_NOINTERFACE}};
    for (const auto& face : faces) {
        SCOPED_TRACE(face.name);
        void* out = &out;
        EXPECT_EQ(filter->QueryInterface(face.iid, &out), face.expect);
        EXPECT_EQ(out == nullptr, FAILED(face.expect));
        if (out) {
            Ref<IUnknown> back;  // every face leads back to the same object
            EXPECT_EQ(static_cast<IUnknown*>(out)->QueryInterface(IID_IUnknown, back.put_void()), S_OK);
            EXPECT_EQ(back.get(), identity.get());
            static_cast<IUnknown*>(out)->Release();
        }
    }
    EXPECT_EQ(filter->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(RefCount(face), 2u) << "ours and identity's: nothing outstanding";
}

TEST_F(Shell, FilterListsTheEditorPage) {
    const auto filter = MakeFilter(kMono);
    const auto pages =
        platform::QueryAs<ISpecifyPropertyPages>(static_cast<IBaseFilter*>(filter.get()), IID_ISpecifyPropertyPages);
    ASSERT_TRUE(pages);
    CAUUID list{};
    ASSERT_EQ(pages->GetPages(&list), S_OK);
    ASSERT_EQ(list.cElems, 1u);
    EXPECT_TRUE(list.pElems[0] == ClsidOf(kExpectedComponents[9]));
    CoTaskMemFree(list.pElems);
    EXPECT_EQ(pages->GetPages(nullptr), E_POINTER);
}

// A type built from a plain or extensible format, then changed as a case says.
CMediaType Type(WORD channels, DWORD rate, WORD bits, bool isFloat, bool extensible,
                const std::function<void(CMediaType&)>& change = {}) {
    CMediaType type;
    EXPECT_EQ(platform::SetAudioType(platform::MakeWaveFormat(channels, rate, bits, isFloat, extensible), &type), S_OK);
    if (change) change(type);
    return type;
}

// Overwrites the format block's bytes at `at` with `value`.
template <class T>
std::function<void(CMediaType&)> Poke(size_t at, T value) {
    return [at, value](CMediaType& t) { std::memcpy(t.pbFormat + at, &value, sizeof value); };
}

TEST_F(Shell, FilterTakesTheAudioItsComponentProcesses) {
    constexpr HRESULT ok = S_OK, no = E_INVALIDARG;
    const GUID unknownSubFormat = {0x00000002, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
    const struct {
        const char* name;
        CMediaType type;
        HRESULT stereo, monoToStereo, mono;
    } cases[] = {
        {"pcm16 mono", Pcm(1), ok, ok, ok},
        {"pcm16 stereo", Pcm(2), ok, no, no},
        {"float mono, plain", Type(1, 44100, 32, true, false), ok, ok, ok},
        {"float stereo, extensible", Float(2), ok, no, no},
        {"pcm16 stereo, extensible", Type(2, 44100, 16, false, true), ok, no, no},
        {"three channels", Pcm(3), no, no, no},
        {"pcm 24-bit", Type(1, 44100, 24, false, false), no, no, no},
        {"float 16-bit", Type(1, 44100, 16, true, false), no, no, no},
        {"extensible pcm 32-bit", Type(1, 44100, 32, false, true), no, no, no},
        {"extensible, another sub-format",
         Type(1, 44100, 32, true, true, Poke(offsetof(WAVEFORMATEXTENSIBLE, SubFormat), unknownSubFormat)), no, no, no},
        {"highest rate", Pcm(1, 192000), ok, ok, ok},
        {"rate above it", Pcm(1, 192001), no, no, no},
        {"rate 0", Pcm(1, 0), no, no, no},
        {"16-byte block", Type(1, 44100, 16, false, false, [](CMediaType& t) { t.cbFormat = 16; }), ok, ok, ok},
        {"15-byte block", Type(1, 44100, 16, false, false, [](CMediaType& t) { t.cbFormat = 15; }), no, no, no},
        {"extensible cut short", Type(1, 44100, 32, true, true, [](CMediaType& t) { t.cbFormat = 18; }), no, no, no},
        {"temporally compressed", Type(1, 44100, 16, false, false, [](CMediaType& t) { t.bTemporalCompression = 1; }),
         no, no, no},
        {"not audio", Type(1, 44100, 16, false, false, [](CMediaType& t) { t.majortype = FORMAT_WaveFormatEx; }), no,
         no, no},
        {"no wave format", Type(1, 44100, 16, false, false, [](CMediaType& t) { t.formattype = MEDIATYPE_Audio; }), no,
         no, no},
    };
    const auto stereo = MakeFilter(kStereo), monoToStereo = MakeFilter(kMonoToStereo), mono = MakeFilter(kMono);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(stereo->CheckInputType(&c.type), c.stereo);
        EXPECT_EQ(monoToStereo->CheckInputType(&c.type), c.monoToStereo);
        EXPECT_EQ(mono->CheckInputType(&c.type), c.mono);
    }
}

TEST_F(Shell, OutputChannelsFollowTheComponent) {
    // The output has the input's channel count, or two for the m/s component: any other would leave
    // a channel unwritten or have the kernel write through a record that is not there.
    const struct {
        const char* name;
        uint32_t type;
        WORD accepted[2];  // output channels accepted for a mono and for a stereo input
    } components[] = {{"stereo", kStereo, {1, 2}}, {"m/s", kMonoToStereo, {2, 2}}, {"mono", kMono, {1, 2}}};
    for (const auto& c : components) {
        const auto filter = MakeFilter(c.type);
        for (WORD in = 1; in <= 2; ++in) {
            for (WORD out = 1; out <= 3; ++out) {
                SCOPED_TRACE(testing::Message() << c.name << ": " << in << " in, " << out << " out");
                const CMediaType input = Pcm(in), output = Pcm(out);
                EXPECT_EQ(filter->CheckTransform(&input, &output), out == c.accepted[in - 1] ? S_OK : E_INVALIDARG);
            }
        }
    }
    const auto filter = MakeFilter(kStereo);
    const GUID kPcm = KSDATAFORMAT_SUBTYPE_PCM;  // 32-bit PCM: the same bits, other samples
    const struct {
        const char* name;
        CMediaType in, out;
    } mismatches[] = {
        {"rate", Pcm(2, 44100), Pcm(2, 48000)},
        {"bits", Pcm(2), Type(2, 44100, 24, false, false)},
        {"tag", Type(2, 44100, 32, true, false), Float(2)},
        {"sub-format", Float(2), Type(2, 44100, 32, true, true, Poke(offsetof(WAVEFORMATEXTENSIBLE, SubFormat), kPcm))},
        {"output not audio", Pcm(2), Type(2, 44100, 16, false, false, [](CMediaType& t) { t.majortype = GUID_NULL; })},
        {"output block too short", Pcm(2), Type(2, 44100, 16, false, false, [](CMediaType& t) { t.cbFormat = 14; })},
    };
    for (const auto& m : mismatches) {
        SCOPED_TRACE(m.name);
        EXPECT_EQ(filter->CheckTransform(&m.in, &m.out), E_INVALIDARG);
    }
    const CMediaType same = Float(2);
    EXPECT_EQ(filter->CheckTransform(&same, &same), S_OK);
}

WAVEFORMATEXTENSIBLE FormatOf(const AM_MEDIA_TYPE& type) {
    WAVEFORMATEXTENSIBLE f{};
    EXPECT_TRUE(platform::ReadWaveFormat(type, &f));
    return f;
}

TEST_F(FilterStream, ProposesTheInputTypeMadeStereoForTheMsComponent) {
    const struct {
        const char* name;
        uint32_t type;
        CMediaType input;
        WORD channels;
        DWORD channelMask;  // of an extensible proposal
    } cases[] = {
        {"m/s, pcm16", kMonoToStereo, Pcm(1), 2, 0},
        {"m/s, extensible float", kMonoToStereo, Float(1), 2, SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT},
        {"stereo", kStereo, Float(2), 2, SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT},
        {"mono", kMono, Float(1), 1, SPEAKER_FRONT_CENTER},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        filter = MakeFilter(c.type);
        CMediaType proposed;
        EXPECT_EQ(filter->GetMediaType(0, &proposed), E_UNEXPECTED) << "input unconnected";
        source = testkit::TestSource::Create({c.input}, {2, 1 << 16, 1, 0});
        ASSERT_EQ(source->Output()->Connect(filter->GetPin(0), nullptr), S_OK);
        EXPECT_EQ(filter->GetMediaType(-1, &proposed), E_INVALIDARG);
        EXPECT_EQ(filter->GetMediaType(1, &proposed), VFW_S_NO_MORE_ITEMS);
        ASSERT_EQ(filter->GetMediaType(0, &proposed), S_OK);
        const WAVEFORMATEXTENSIBLE in = FormatOf(c.input), out = FormatOf(proposed);
        EXPECT_EQ(out.Format.nChannels, c.channels);
        EXPECT_EQ(out.Format.nBlockAlign, c.channels * in.Format.wBitsPerSample / 8);
        EXPECT_EQ(out.Format.nAvgBytesPerSec, out.Format.nBlockAlign * in.Format.nSamplesPerSec);
        EXPECT_EQ(out.dwChannelMask, c.channelMask);
        EXPECT_EQ(out.Format.wFormatTag, in.Format.wFormatTag);
        EXPECT_TRUE(out.SubFormat == in.SubFormat);
        EXPECT_EQ(filter->CheckTransform(&c.input, &proposed), S_OK) << "it accepts what it proposes";
        Release();
    }
    // The worked example: 44100 Hz 16-bit mono into the m/s component.
    const WAVEFORMATEXTENSIBLE first = [&] {
        filter = MakeFilter(kMonoToStereo);
        source = testkit::TestSource::Create({Pcm(1)}, {2, 1 << 16, 1, 0});
        EXPECT_EQ(source->Output()->Connect(filter->GetPin(0), nullptr), S_OK);
        CMediaType proposed;
        EXPECT_EQ(filter->GetMediaType(0, &proposed), S_OK);
        return FormatOf(proposed);
    }();
    EXPECT_EQ(first.Format.nChannels, 2);
    EXPECT_EQ(first.Format.nBlockAlign, 4);
    EXPECT_EQ(first.Format.nAvgBytesPerSec, 176400u);
}

TEST_F(FilterStream, OutputBuffersFollowTheUpstreamAllocator) {
    const struct {
        const char* name;
        ALLOCATOR_PROPERTIES upstream;
        HRESULT connects;
        ALLOCATOR_PROPERTIES output;
    } cases[] = {
        {"copied", {3, 3000, 16, 0}, S_OK, {3, 3000, 16, 0}},
        {"copied, aligned to a sample at least", {3, 3001, 2, 0}, S_OK, {3, 3001, 4, 0}},
        {"none given: two of 64 KiB, aligned to the output frame", {0, 0, 1, 0}, S_OK, {2, 65536, 8, 0}},
        {"smallest", {1, 512, 1, 0}, S_OK, {1, 512, 4, 0}},
        {"too small", {4, 511, 1, 0}, E_FAIL, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        source = testkit::TestSource::Create({Float(1)}, c.upstream);
        filter = MakeFilter(kMonoToStereo);
        sink = testkit::TestSink::Create();
        ASSERT_EQ(source->Output()->Connect(filter->GetPin(0), nullptr), S_OK);
        EXPECT_EQ(filter->GetPin(1)->Connect(sink->Input(), nullptr), c.connects);
        if (FAILED(c.connects)) {
            platform::Ref<IPin> peer;
            EXPECT_EQ(filter->GetPin(1)->ConnectedTo(peer.put()), VFW_E_NOT_CONNECTED);
            Release();
            continue;
        }
        platform::Ref<IMemAllocator> allocator;
        ASSERT_EQ(platform::QueryAs<IMemInputPin>(sink->Input(), IID_IMemInputPin)->GetAllocator(allocator.put()),
                  S_OK);
        ALLOCATOR_PROPERTIES granted{};
        ASSERT_EQ(allocator->GetProperties(&granted), S_OK);
        EXPECT_EQ(granted.cBuffers, c.output.cBuffers);
        EXPECT_EQ(granted.cbBuffer, c.output.cbBuffer);
        EXPECT_EQ(granted.cbAlign, c.output.cbAlign);
        EXPECT_EQ(granted.cbPrefix, c.output.cbPrefix);
        Release();
    }
}

}  // namespace
