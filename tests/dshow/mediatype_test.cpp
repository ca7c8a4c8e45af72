#include "platform/dshow/mediatype.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/dshow/testkit.h"

namespace {

TEST(CMediaType, CopiesAreDeepAndHoldTheirUnknown) {
    testkit::CountedUnknown probe;  // types hold and drop their pUnk
    CMediaType a = testkit::AudioType(2, 44100, false);
    a.pUnk = &probe;
    probe.AddRef();
    {
        CMediaType b = a;
        EXPECT_NE(b.pbFormat, a.pbFormat);
        EXPECT_TRUE(b == a);
        EXPECT_EQ(probe.refs, 3);
        b.pbFormat[2] ^= 1;  // sample rate byte
        EXPECT_FALSE(b == a);
        AM_MEDIA_TYPE* handed = CreateMediaType(&b);
        ASSERT_NE(handed, nullptr);
        EXPECT_EQ(probe.refs, 4);
        DeleteMediaType(handed);
    }
    EXPECT_EQ(probe.refs, 2);
    a.Reset();
    EXPECT_EQ(probe.refs, 1);
    EXPECT_FALSE(a.IsValid());
    EXPECT_EQ(a.pbFormat, nullptr);
}

TEST(CMediaType, RefusesAFormatBlockWithoutMemory) {
    AM_MEDIA_TYPE broken{};
    broken.majortype = MEDIATYPE_Audio;
    broken.cbFormat = 18;
    CMediaType t;
    EXPECT_EQ(t.Set(broken), E_POINTER);
    EXPECT_EQ(CreateMediaType(&broken), nullptr);
}

TEST(CMediaType, MatchesWhatAPartialTypeSpecifies) {
    const CMediaType pcm = testkit::AudioType(2, 44100, false);
    const CMediaType otherRate = testkit::AudioType(2, 48000, false);
    AM_MEDIA_TYPE partial{};
    struct Case {
        const char* name;
        GUID major, sub, format;
        const CMediaType* block;
        bool partial, matches;
    };
    const Case cases[] = {
        {"nothing specified", GUID_NULL, GUID_NULL, GUID_NULL, nullptr, true, true},
        {"major only", MEDIATYPE_Audio, GUID_NULL, GUID_NULL, nullptr, true, true},
        {"other subtype", MEDIATYPE_Audio, MEDIASUBTYPE_IEEE_FLOAT, GUID_NULL, nullptr, true, false},
        {"format type, no block", MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx, nullptr, false, true},
        {"same block", MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx, &pcm, false, true},
        {"other block", MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx, &otherRate, false, false},
        {"other major", MEDIASUBTYPE_PCM, GUID_NULL, GUID_NULL, nullptr, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        partial.majortype = c.major;
        partial.subtype = c.sub;
        partial.formattype = c.format;
        partial.cbFormat = c.block ? c.block->cbFormat : 0;
        partial.pbFormat = c.block ? c.block->pbFormat : nullptr;
        EXPECT_EQ(IsPartiallySpecified(partial), c.partial);
        EXPECT_EQ(pcm.MatchesPartial(partial), c.matches);
    }
}

TEST(WaveFormat, AudioTypesRoundTrip) {
    struct Case {
        const char* name;
        WORD channels;
        WORD bits;
        bool isFloat, extensible;
        GUID subtype;
        DWORD mask;
    };
    const Case cases[] = {
        {"pcm mono", 1, 16, false, false, MEDIASUBTYPE_PCM, 0},
        {"float stereo", 2, 32, true, false, MEDIASUBTYPE_IEEE_FLOAT, 0},
        {"extensible pcm mono", 1, 16, false, true, MEDIASUBTYPE_PCM, SPEAKER_FRONT_CENTER},
        {"extensible float stereo", 2, 32, true, true, MEDIASUBTYPE_IEEE_FLOAT,
         SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const WAVEFORMATEXTENSIBLE made = platform::MakeWaveFormat(c.channels, 44100, c.bits, c.isFloat, c.extensible);
        CMediaType type;
        ASSERT_EQ(platform::SetAudioType(made, &type), S_OK);
        EXPECT_TRUE(type.majortype == MEDIATYPE_Audio);
        EXPECT_TRUE(type.subtype == c.subtype);
        EXPECT_TRUE(type.formattype == FORMAT_WaveFormatEx);
        EXPECT_EQ(type.cbFormat, c.extensible ? 40u : 18u);
        EXPECT_EQ(type.lSampleSize, c.channels * c.bits / 8u);
        WAVEFORMATEXTENSIBLE read;
        ASSERT_TRUE(platform::ReadWaveFormat(type, &read));
        EXPECT_EQ(read.Format.nAvgBytesPerSec, 44100u * c.channels * c.bits / 8);
        EXPECT_EQ(read.dwChannelMask, c.mask);
        EXPECT_EQ(std::memcmp(&read, &made, type.cbFormat), 0);
    }
}

TEST(WaveFormat, ReadRefusesBlocksTooShortForWhatTheyClaim) {
    CMediaType extensible = testkit::AudioType(2, 44100, true, true);
    WAVEFORMATEXTENSIBLE read;
    CMediaType truncated = extensible;
    truncated.cbFormat = 18;  // says extensible, holds only the plain part
    EXPECT_FALSE(platform::ReadWaveFormat(truncated, &read));
    CMediaType pcmWaveFormat = testkit::AudioType(2, 44100, false);
    pcmWaveFormat.cbFormat = 16;  // no room for cbSize
    EXPECT_FALSE(platform::ReadWaveFormat(pcmWaveFormat, &read));
    CMediaType otherFormat = testkit::AudioType(2, 44100, false);
    otherFormat.formattype = GUID_NULL;
    EXPECT_FALSE(platform::ReadWaveFormat(otherFormat, &read));
}

}  // namespace
