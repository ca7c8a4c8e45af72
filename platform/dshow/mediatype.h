#pragma once
// Media types: CMediaType owns a deep copy of an AM_MEDIA_TYPE (format block and pUnk), the
// helpers that hand types across interfaces in task memory, and the wave-format helpers.
#include "platform/dshow/interfaces.h"

class CMediaType : public AM_MEDIA_TYPE {
public:
    CMediaType() noexcept;
    // Copies throw std::bad_alloc when the format block cannot be copied; Set() reports it instead.
    CMediaType(const CMediaType& other);
    CMediaType& operator=(const CMediaType& other);
    ~CMediaType();

    // Deep copy; on E_OUTOFMEMORY *this is left empty.
    HRESULT Set(const AM_MEDIA_TYPE& other) noexcept;
    // Replaces the format block with a copy of `bytes` bytes at `block`.
    HRESULT SetFormat(const void* block, ULONG bytes) noexcept;
    // Frees the format block, releases pUnk and zeroes every field.
    void Reset() noexcept;

    bool IsValid() const noexcept { return majortype != GUID_NULL; }
    // Equal in every field `partial` specifies (a null GUID matches anything; a format type with
    // a format block must match the block too).
    bool MatchesPartial(const AM_MEDIA_TYPE& partial) const noexcept;
    // Same major type, subtype, format type and format block.
    bool operator==(const AM_MEDIA_TYPE& other) const noexcept;
};
static_assert(sizeof(CMediaType) == sizeof(AM_MEDIA_TYPE));

// Any of major type, subtype or format type left open.
bool IsPartiallySpecified(const AM_MEDIA_TYPE& type) noexcept;
// Frees what `type` owns (format block in task memory, pUnk) and leaves it zeroed.
void FreeMediaType(AM_MEDIA_TYPE& type) noexcept;
// Deep copy into an uninitialised `target`; E_OUTOFMEMORY leaves it zeroed.
HRESULT CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source) noexcept;
// A deep copy in task memory, as IEnumMediaTypes::Next and IMediaSample::GetMediaType hand out;
// null when memory runs out. DeleteMediaType frees one (null is allowed).
AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* source) noexcept;
void DeleteMediaType(AM_MEDIA_TYPE* type) noexcept;

namespace platform {

// A complete wave format: plain (cbSize 0) or WAVE_FORMAT_EXTENSIBLE (cbSize 22, all bits valid,
// mono front centre, stereo front left + right).
WAVEFORMATEXTENSIBLE MakeWaveFormat(WORD channels, DWORD samplesPerSec, WORD bitsPerSample, bool isFloat,
                                    bool extensible) noexcept;
// Makes `type` the audio type of `format`: FORMAT_WaveFormatEx, fixed-size samples of one block,
// subtype from the tag (or the sub-format when extensible), 18 or 40 bytes of format block.
HRESULT SetAudioType(const WAVEFORMATEXTENSIBLE& format, CMediaType* type) noexcept;
// Copies the wave format `type` carries (the block may be unaligned). False unless the format type
// is FORMAT_WaveFormatEx and the block holds a whole WAVEFORMATEX, and, for WAVE_FORMAT_EXTENSIBLE,
// the whole extensible record; the extensible fields are zero for a plain format.
bool ReadWaveFormat(const AM_MEDIA_TYPE& type, WAVEFORMATEXTENSIBLE* format) noexcept;
// The sample kind, by tag or, for WAVE_FORMAT_EXTENSIBLE, by sub-format.
bool IsFloatFormat(const WAVEFORMATEXTENSIBLE& format) noexcept;
bool IsPcmFormat(const WAVEFORMATEXTENSIBLE& format) noexcept;

}  // namespace platform
