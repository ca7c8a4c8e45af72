#include "platform/dshow/mediatype.h"

#include <cstring>
#include <new>

namespace {

void Zero(AM_MEDIA_TYPE& type) noexcept { std::memset(&type, 0, sizeof type); }

bool SameFormat(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b) noexcept {
    return a.cbFormat == b.cbFormat && (a.cbFormat == 0 || std::memcmp(a.pbFormat, b.pbFormat, a.cbFormat) == 0);
}

}  // namespace

CMediaType::CMediaType() noexcept { Zero(*this); }

CMediaType::CMediaType(const CMediaType& other) {
    Zero(*this);
    if (FAILED(Set(other))) throw std::bad_alloc();
}

CMediaType& CMediaType::operator=(const CMediaType& other) {
    if (this != &other && FAILED(Set(other))) throw std::bad_alloc();
    return *this;
}

CMediaType::~CMediaType() { FreeMediaType(*this); }

HRESULT CMediaType::Set(const AM_MEDIA_TYPE& other) noexcept {
    if (&other == this) return S_OK;
    FreeMediaType(*this);
    return CopyMediaType(this, &other);
}

HRESULT CMediaType::SetFormat(const void* block, ULONG bytes) noexcept {
    BYTE* copy = nullptr;
    if (bytes) {
        if (!block) return E_POINTER;
        copy = static_cast<BYTE*>(CoTaskMemAlloc(bytes));
        if (!copy) return E_OUTOFMEMORY;
        std::memcpy(copy, block, bytes);
    }
    CoTaskMemFree(pbFormat);
    pbFormat = copy;
    cbFormat = bytes;
    return S_OK;
}

void CMediaType::Reset() noexcept { FreeMediaType(*this); }

bool CMediaType::MatchesPartial(const AM_MEDIA_TYPE& partial) const noexcept {
    if (partial.majortype != GUID_NULL && partial.majortype != majortype) return false;
    if (partial.subtype != GUID_NULL && partial.subtype != subtype) return false;
    if (partial.formattype == GUID_NULL) return true;
    return partial.formattype == formattype && (partial.cbFormat == 0 || SameFormat(partial, *this));
}

bool CMediaType::operator==(const AM_MEDIA_TYPE& other) const noexcept {
    return majortype == other.majortype && subtype == other.subtype && formattype == other.formattype &&
           SameFormat(*this, other);
}

bool IsPartiallySpecified(const AM_MEDIA_TYPE& type) noexcept {
    return type.majortype == GUID_NULL || type.subtype == GUID_NULL || type.formattype == GUID_NULL;
}

void FreeMediaType(AM_MEDIA_TYPE& type) noexcept {
    CoTaskMemFree(type.pbFormat);
    if (type.pUnk) type.pUnk->Release();
    Zero(type);
}

HRESULT CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source) noexcept {
    if (!target || !source) return E_POINTER;
    if (source->cbFormat && !source->pbFormat) return E_POINTER;
    BYTE* format = nullptr;
    if (source->cbFormat) {
        format = static_cast<BYTE*>(CoTaskMemAlloc(source->cbFormat));
        if (!format) {
            Zero(*target);
            return E_OUTOFMEMORY;
        }
        std::memcpy(format, source->pbFormat, source->cbFormat);
    }
    *target = *source;
    target->pbFormat = format;
    if (target->pUnk) target->pUnk->AddRef();
    return S_OK;
}

AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* source) noexcept {
    auto* type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (!type) return nullptr;
    if (FAILED(CopyMediaType(type, source))) {
        CoTaskMemFree(type);
        return nullptr;
    }
    return type;
}

void DeleteMediaType(AM_MEDIA_TYPE* type) noexcept {
    if (!type) return;
    FreeMediaType(*type);
    CoTaskMemFree(type);
}

namespace platform {

WAVEFORMATEXTENSIBLE MakeWaveFormat(WORD channels, DWORD samplesPerSec, WORD bitsPerSample, bool isFloat,
                                    bool extensible) noexcept {
    WAVEFORMATEXTENSIBLE f{};
    const WORD plainTag = isFloat ? WAVE_FORMAT_IEEE_FLOAT : WAVE_FORMAT_PCM;
    f.Format.wFormatTag = extensible ? WAVE_FORMAT_EXTENSIBLE : plainTag;
    f.Format.nChannels = channels;
    f.Format.nSamplesPerSec = samplesPerSec;
    f.Format.nBlockAlign = static_cast<WORD>(channels * (bitsPerSample / 8));
    f.Format.nAvgBytesPerSec = f.Format.nBlockAlign * samplesPerSec;
    f.Format.wBitsPerSample = bitsPerSample;
    if (extensible) {
        f.Format.cbSize = sizeof(WAVEFORMATEXTENSIBLE) - sizeof(WAVEFORMATEX);
        f.Samples.wValidBitsPerSample = bitsPerSample;
        f.dwChannelMask = channels == 1   ? SPEAKER_FRONT_CENTER
                          : channels == 2 ? SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT
                                          : 0;
        f.SubFormat = isFloat ? KSDATAFORMAT_SUBTYPE_IEEE_FLOAT : KSDATAFORMAT_SUBTYPE_PCM;
    }
    return f;
}

HRESULT SetAudioType(const WAVEFORMATEXTENSIBLE& format, CMediaType* type) noexcept {
    if (!type) return E_POINTER;
    const bool extensible = format.Format.wFormatTag == WAVE_FORMAT_EXTENSIBLE;
    type->Reset();
    type->majortype = MEDIATYPE_Audio;
    if (extensible) {
        type->subtype = format.SubFormat;
    } else {
        type->subtype = MEDIASUBTYPE_PCM;
        type->subtype.Data1 = format.Format.wFormatTag;
    }
    type->bFixedSizeSamples = TRUE;
    type->lSampleSize = format.Format.nBlockAlign;
    type->formattype = FORMAT_WaveFormatEx;
    const HRESULT hr = type->SetFormat(&format, extensible ? sizeof(WAVEFORMATEXTENSIBLE) : sizeof(WAVEFORMATEX));
    if (FAILED(hr)) type->Reset();
    return hr;
}

bool ReadWaveFormat(const AM_MEDIA_TYPE& type, WAVEFORMATEXTENSIBLE* format) noexcept {
    if (!format || type.formattype != FORMAT_WaveFormatEx || !type.pbFormat) return false;
    if (type.cbFormat < sizeof(WAVEFORMATEX)) return false;
    *format = {};
    std::memcpy(&format->Format, type.pbFormat, sizeof(WAVEFORMATEX));
    if (format->Format.wFormatTag != WAVE_FORMAT_EXTENSIBLE) return true;
    if (type.cbFormat < sizeof(WAVEFORMATEXTENSIBLE) ||
        format->Format.cbSize < sizeof(WAVEFORMATEXTENSIBLE) - sizeof(WAVEFORMATEX))
        return false;
    std::memcpy(format, type.pbFormat, sizeof(WAVEFORMATEXTENSIBLE));
    return true;
}

bool IsFloatFormat(const WAVEFORMATEXTENSIBLE& format) noexcept {
    const WORD tag = format.Format.wFormatTag;
    return tag == WAVE_FORMAT_IEEE_FLOAT ||
           (tag == WAVE_FORMAT_EXTENSIBLE && format.SubFormat == KSDATAFORMAT_SUBTYPE_IEEE_FLOAT);
}

bool IsPcmFormat(const WAVEFORMATEXTENSIBLE& format) noexcept {
    const WORD tag = format.Format.wFormatTag;
    return tag == WAVE_FORMAT_PCM || (tag == WAVE_FORMAT_EXTENSIBLE && format.SubFormat == KSDATAFORMAT_SUBTYPE_PCM);
}

}  // namespace platform
