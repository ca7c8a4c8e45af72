#include "plugin/shell/norde_non_in_place.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "platform/registry.h"

using platform::Ref;

namespace {

constexpr const char* kSettingsKey = "SOFTWARE\\Norde\\Norde Audio Processors\\5.0";
constexpr const char* kDelayCompensationValue = "DXDelayCompensation";
constexpr ULONG kPlainFormatBytes = 16;  // the wave format up to its bits per sample
constexpr LONG kDefaultBuffers = 2, kDefaultBufferBytes = 0x10000, kSmallestBufferBytes = 512;

// On unless the value exists and its first byte is 0. A value too long for the first read is read
// again whole, so no length can overrun the reader and the first byte still decides.
bool ReadDelayCompensation() noexcept {
    platform::RegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kSettingsKey, platform::RegAccess::Read) != ERROR_SUCCESS) return true;
    BYTE data[sizeof(DWORD)] = {};
    DWORD bytes = sizeof data;
    const LONG status = key.Query(kDelayCompensationValue, nullptr, data, &bytes);
    if (status == ERROR_SUCCESS) return bytes == 0 || data[0] != 0;
    if (status != ERROR_MORE_DATA) return true;
    try {
        std::vector<BYTE> whole(bytes);
        return key.Query(kDelayCompensationValue, nullptr, whole.data(), &bytes) != ERROR_SUCCESS || bytes == 0 ||
               whole[0] != 0;
    } catch (const std::bad_alloc&) {
        return true;
    }
}

// Audio described by a wave format block the fields can be read from.
bool IsAudioBlock(const AM_MEDIA_TYPE& type) noexcept {
    return type.majortype == MEDIATYPE_Audio && type.formattype == FORMAT_WaveFormatEx && type.pbFormat &&
           type.cbFormat >= kPlainFormatBytes && !type.bTemporalCompression;
}

// The type's wave format; fields the block does not hold (a 16-byte block's extra size) are 0.
WAVEFORMATEX WaveFormatOf(const AM_MEDIA_TYPE& type) noexcept {
    WAVEFORMATEX format{};
    if (type.pbFormat) std::memcpy(&format, type.pbFormat, std::min<size_t>(type.cbFormat, sizeof format));
    return format;
}

// An extensible format's sample format is its sub-format; a block too short to hold one is none.
bool SameSampleFormat(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b) noexcept {
    if (WaveFormatOf(a).wFormatTag != WAVE_FORMAT_EXTENSIBLE) return true;
    constexpr size_t at = offsetof(WAVEFORMATEXTENSIBLE, SubFormat);
    return a.cbFormat >= sizeof(WAVEFORMATEXTENSIBLE) && b.cbFormat >= sizeof(WAVEFORMATEXTENSIBLE) &&
           std::memcmp(a.pbFormat + at, b.pbFormat + at, sizeof(GUID)) == 0;
}

LONG SampleBytes(const WAVEFORMATEX& format) noexcept { return format.wBitsPerSample / 8; }
LONG FrameBytes(const WAVEFORMATEX& format) noexcept { return format.nChannels * SampleBytes(format); }

// Without a kernel the audio passes untouched: each output channel takes its input channel, and
// a mono input goes to every output channel.
void CopyThrough(const NordeSoundBuf* in, int32_t inChannels, const NordeSoundBuf* out, int32_t outChannels,
                 ptrdiff_t sampleBytes, int32_t frames) noexcept {
    for (ptrdiff_t frame = 0; frame < frames; ++frame) {
        for (int32_t c = 0; c < outChannels; ++c) {
            const NordeSoundBuf& from = in[c % inChannels];
            std::memcpy(static_cast<BYTE*>(out[c].data) + frame * out[c].stride * sampleBytes,
                        static_cast<const BYTE*>(from.data) + frame * from.stride * sampleBytes,
                        static_cast<size_t>(sampleBytes));
        }
    }
}

}  // namespace

cNordeNonInPlace::cNordeNonInPlace(IUnknown* outer, REFCLSID clsid, std::unique_ptr<cVelvane_ALG> algorithm) noexcept
    : CTransformFilter(outer, clsid), cBaseAmShell(std::move(algorithm)) {
    delayCompensationOn_ = ReadDelayCompensation();
    latencyFrames_ = delayCompensationOn_ ? -1 : 0;
}

HRESULT cNordeNonInPlace::CheckInputType(const CMediaType* in) {
    if (!IsAudioBlock(*in)) return E_INVALIDARG;
    if (!Algorithm()->CheckInputType(in->pbFormat, in->cbFormat)) return E_INVALIDARG;
    return MonoToStereo() && WaveFormatOf(*in).nChannels == 2 ? E_INVALIDARG : S_OK;
}

HRESULT cNordeNonInPlace::CheckTransform(const CMediaType* in, const CMediaType* out) {
    if (!IsAudioBlock(*in) || !IsAudioBlock(*out)) return E_INVALIDARG;
    const WAVEFORMATEX from = WaveFormatOf(*in), to = WaveFormatOf(*out);
    if (from.wFormatTag != to.wFormatTag || from.wBitsPerSample != to.wBitsPerSample ||
        from.nSamplesPerSec != to.nSamplesPerSec || !SameSampleFormat(*in, *out))
        return E_INVALIDARG;
    // The kernel writes two channels for the m/s component and one per input channel otherwise:
    // any other count would leave channels unwritten or write through a record that is not there.
    const WORD channels = MonoToStereo() ? 2 : from.nChannels;
    return to.nChannels == channels ? S_OK : E_INVALIDARG;
}

HRESULT cNordeNonInPlace::GetMediaType(int position, CMediaType* type) {
    if (!input_.IsConnected()) return E_UNEXPECTED;
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    const HRESULT hr = input_.CopyConnectionType(type);
    if (FAILED(hr)) return hr == VFW_E_NOT_CONNECTED ? E_UNEXPECTED : hr;
    if (!type->pbFormat || type->cbFormat < kPlainFormatBytes) return E_UNEXPECTED;
    WAVEFORMATEX format = WaveFormatOf(*type);
    if (MonoToStereo()) {
        // A mono speaker position would contradict the two channels.
        if (format.nChannels == 1 && format.wFormatTag == WAVE_FORMAT_EXTENSIBLE &&
            type->cbFormat >= sizeof(WAVEFORMATEXTENSIBLE)) {
            const DWORD mask = SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT;
            std::memcpy(type->pbFormat + offsetof(WAVEFORMATEXTENSIBLE, dwChannelMask), &mask, sizeof mask);
        }
        format.nChannels = 2;
    }
    format.nBlockAlign = static_cast<WORD>(format.nChannels * SampleBytes(format));
    format.nAvgBytesPerSec = format.nBlockAlign * format.nSamplesPerSec;
    std::memcpy(type->pbFormat, &format, kPlainFormatBytes);
    return S_OK;
}

HRESULT cNordeNonInPlace::SetMediaType(PIN_DIRECTION direction, const CMediaType* type) {
    const WAVEFORMATEX format = WaveFormatOf(*type);
    if (direction == PINDIR_INPUT) {
        inputFormat_ = format;
        CAutoLock lock(GetCritSecObj());
        cVelvane_ALG* algorithm = Algorithm();
        if (algorithm->GetSampleRate() != static_cast<int32_t>(format.nSamplesPerSec)) {
            algorithm->ChangeSampleRate(static_cast<int32_t>(format.nSamplesPerSec));
            CopyStatesSaved();
            if (delayCompensationOn_) latencyFrames_ = algorithm->GetThroughDelay();
            // TODO(editor issue): DoIdle(1) when the algorithm has an editor window.
        }
        if (delayCompensationOn_ && latencyFrames_ == -1) latencyFrames_ = algorithm->GetThroughDelay();
        SetRecordFormats(inputBuffers_, format);
    } else {
        outputFormat_ = format;
        SetRecordFormats(outputBuffers_, format);
    }
    CTransformFilter::SetMediaType(direction, type);
    // The input agrees its type anew once the output's is known.
    if (direction == PINDIR_OUTPUT && input_.IsConnected() && output_.IsConnected() &&
        !(input_.CurrentMediaType() == *type)) {
        if (IFilterGraph* graph = Graph()) graph->Reconnect(&input_);
    }
    return S_OK;
}

HRESULT cNordeNonInPlace::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
    Ref<IMemAllocator> upstream;
    ALLOCATOR_PROPERTIES theirs{};
    if (SUCCEEDED(input_.GetAllocator(upstream.put())) && upstream && SUCCEEDED(upstream->GetProperties(&theirs)))
        *request = theirs;
    if (request->cBuffers <= 0 || request->cbBuffer <= 0)
        *request = {kDefaultBuffers, kDefaultBufferBytes, outputFormat_.nBlockAlign, 0};
    // The kernel writes whole samples: each must lie on its own size.
    request->cbAlign = std::max<LONG>(request->cbAlign, SampleBytes(outputFormat_));
    ALLOCATOR_PROPERTIES granted{};
    const HRESULT hr = allocator->SetProperties(request, &granted);
    return SUCCEEDED(hr) && granted.cbBuffer < kSmallestBufferBytes ? E_FAIL : hr;
}

HRESULT cNordeNonInPlace::StartStreaming() {
    CAutoLock lock(GetCritSecObj());
    cVelvane_ALG* algorithm = Algorithm();
    algorithm->InitAlg(true);
    CopyStatesSaved();
    algorithm->SetProcessActive(true);
    firstBlockFlag_ = 1;
    framesSinceStart_ = 0;
    streamTime_ = 0;
    return S_OK;
}

HRESULT cNordeNonInPlace::StopStreaming() {
    {
        CAutoLock lock(GetCritSecObj());
        Algorithm()->SetProcessActive(false);
    }
    RefreshEditor();
    return S_OK;
}

HRESULT cNordeNonInPlace::Receive(IMediaSample* in) {
    Ref<IMediaSample> out;
    if (FAILED(InitializeOutputSample(in, out.put()))) return S_FALSE;
    const bool discontinuity = in->IsDiscontinuity() == S_OK;

    BYTE* input = nullptr;
    HRESULT hr = in->GetPointer(&input);
    if (FAILED(hr)) return hr;
    // Never past the sample's buffer, whatever its length claims.
    const LONG bytes = std::clamp<LONG>(in->GetActualDataLength(), 0, in->GetSize());
    if (FrameBytes(inputFormat_) <= 0) return E_UNEXPECTED;

    if (discontinuity) {
        CAutoLock lock(GetCritSecObj());
        Algorithm()->InitAlg(true);
        CopyStatesSaved();
        framesSinceStart_ = 0;
        streamTime_ = 0;
        discontinuityPending_ = true;
    }
    return ProcessChunks(input, bytes, std::move(out), in);
}

HRESULT cNordeNonInPlace::ProcessChunks(BYTE* input, LONG bytes, Ref<IMediaSample> out, IMediaSample* sample) noexcept {
    // A part frame at the end cannot be processed; it is dropped rather than shifting what follows.
    for (const LONG frameBytes = FrameBytes(inputFormat_); bytes >= frameBytes;) {
        HRESULT hr = S_OK;
        if (!out && FAILED(hr = output_.GetDeliveryBuffer(out.put(), nullptr, nullptr, 0))) return hr;
        BYTE* output = nullptr;
        if (FAILED(hr = out->GetPointer(&output))) return hr;
        const LONG chunk = ChunkBytes(bytes, out->GetSize());
        if (chunk == 0) return VFW_E_BUFFER_OVERFLOW;  // not one output frame fits
        LONG produced = 0;
        ProcessBuffer(input, chunk, output, &produced, sample);
        if (produced != 0 && (hr = DeliverProduced(out.get(), produced)) != S_OK) return hr;
        out.reset();
        bytes -= chunk;
        input += chunk;
    }
    return S_OK;
}

void cNordeNonInPlace::ProcessBuffer(BYTE* input, LONG bytes, BYTE* output, LONG* produced,
                                     IMediaSample* sample) noexcept {
    PassTempo(framesSinceStart_);
    PointRecords(inputBuffers_, inputFormat_, input);
    PointRecords(outputBuffers_, outputFormat_, output);
    const int32_t channels = inputFormat_.nChannels;
    int32_t frames = bytes / FrameBytes(inputFormat_);
    int32_t count = frames;
    if (EnvelopesActive()) {
        REFERENCE_TIME time = streamTime_, start = 0, stop = 0;
        if (sample) {
            const HRESULT timed = sample->GetTime(&start, &stop);
            if (timed == S_OK || timed == VFW_S_NO_STOP_TIME) time = start;
        }
        ApplyEnvelopes(time);
        streamTime_ += static_cast<REFERENCE_TIME>(static_cast<double>(frames) / inputFormat_.nSamplesPerSec * 1e7);
    }
    BeginMidiBlock(sample);
    if (framesSinceStart_ < latencyFrames_) {
        // The through delay's frames run through the kernel; the next call overwrites their output.
        const auto skip = static_cast<int32_t>(std::min<int64_t>(latencyFrames_ - framesSinceStart_, frames));
        int32_t dropped = skip;
        CallKernel(inputBuffers_, skip, &dropped, 0);
        framesSinceStart_ += skip;
        for (int32_t c = 0; c < channels; ++c)
            inputBuffers_[c].data = static_cast<BYTE*>(inputBuffers_[c].data) + skip * FrameBytes(inputFormat_);
        frames -= skip;
        count -= skip;
    }
    if (frames > 0) {
        CallKernel(inputBuffers_, frames, &count, 0);
        if (SoftSynthKeepsTime()) framesSinceStart_ += frames;
    }
    *produced = count * FrameBytes(outputFormat_);
    firstBlockFlag_ = 0;
    EndMidiBlock();
}

HRESULT cNordeNonInPlace::Transform(IMediaSample*, IMediaSample* out) {
    PassTempo(framesSinceStart_);
    BYTE* output = nullptr;
    const HRESULT hr = out->GetPointer(&output);
    if (FAILED(hr)) return hr;
    PointRecords(outputBuffers_, outputFormat_, output);
    const int32_t frames = std::clamp<LONG>(out->GetActualDataLength(), 0, out->GetSize()) / FrameBytes(outputFormat_);
    // Silence: every frame reads the same zero sample.
    const NordeSoundBuf silence[2] = {{&silence_, 0, inputBuffers_[0].format, 0, 0},
                                      {&silence_, 0, inputBuffers_[1].format, 0, 0}};
    int32_t unused = frames;
    CallKernel(silence, frames, &unused, firstBlockFlag_);
    if (SoftSynthKeepsTime()) framesSinceStart_ += frames;
    return S_OK;
}

HRESULT cNordeNonInPlace::EndOfStream() {
    if (!output_.IsConnected()) return S_OK;
    const LONG sampleBytes = SampleBytes(inputFormat_), outputFrameBytes = FrameBytes(outputFormat_);
    if (outputFrameBytes <= 0) return E_UNEXPECTED;

    for (int64_t budget = int64_t{Algorithm()->GetTailLength()} * sampleBytes * 2; budget != 0;) {
        Ref<IMediaSample> out;
        HRESULT hr = output_.GetDeliveryBuffer(out.put(), nullptr, nullptr, 0);
        if (FAILED(hr)) return hr;
        LONG size = out->GetSize();
        if (budget > 0 && budget < size) size = static_cast<LONG>(budget);
        size -= size % outputFrameBytes;
        if (size == 0) break;
        out->SetActualDataLength(size);
        if (FAILED(hr = Transform(nullptr, out.get())) || FAILED(hr = output_.Deliver(out.get()))) return hr;
        budget -= size;
    }

    HRESULT failure = S_OK;
    const int64_t heldBytes = int64_t{inputFormat_.nChannels} * latencyFrames_ * sampleBytes;
    if (heldBytes > 0) {
        try {
            std::vector<BYTE> zeros(static_cast<size_t>(heldBytes));
            failure = ProcessChunks(zeros.data(), static_cast<LONG>(heldBytes), {}, nullptr);
        } catch (const std::bad_alloc&) {
            failure = E_OUTOFMEMORY;
        }
    }

    {
        CAutoLock lock(GetCritSecObj());
        Algorithm()->SetProcessActive(false);
    }
    RefreshEditor();
    const HRESULT passed = CTransformFilter::EndOfStream();
    return FAILED(failure) ? failure : passed;
}

bool cNordeNonInPlace::MonoToStereo() const noexcept {
    return Algorithm()->GetChannelMode() == ChannelMode::MonoToStereo;
}

LONG cNordeNonInPlace::ChunkBytes(LONG bytes, LONG capacity) const noexcept {
    const LONG in = FrameBytes(inputFormat_), out = FrameBytes(outputFormat_);
    if (in <= 0 || out <= 0) return 0;
    return std::min(bytes / in, capacity / out) * in;
}

void cNordeNonInPlace::CallKernel(const NordeSoundBuf* in, int32_t frames, int32_t* produced, int32_t flag) noexcept {
    const int32_t inChannels = inputFormat_.nChannels, outChannels = outputFormat_.nChannels;
    CAutoLock lock(GetCritSecObj());
    if (const VelvaneProcessFn routine = GetProcess()) {
        routine(in, inChannels, frames, outputBuffers_, outChannels, produced, GetCoefs(), GetStates(),
                GetExternStruct(), flag);
    } else {
        *produced = frames;
        CopyThrough(in, inChannels, outputBuffers_, outChannels, SampleBytes(inputFormat_), frames);
    }
    CopyStatesSaved();
}

HRESULT cNordeNonInPlace::DeliverProduced(IMediaSample* out, LONG bytes) noexcept {
    if (discontinuityPending_) {
        out->SetDiscontinuity(TRUE);
        discontinuityPending_ = false;
    }
    out->SetActualDataLength(bytes);
    return output_.Deliver(out);
}

void cNordeNonInPlace::PointRecords(NordeSoundBuf* records, const WAVEFORMATEX& format, BYTE* block) noexcept {
    records[0].data = block;
    if (format.nChannels == 2) records[1].data = block + SampleBytes(format);
}

void cNordeNonInPlace::SetRecordFormats(NordeSoundBuf* records, const WAVEFORMATEX& format) noexcept {
    for (int c = 0; c < 2; ++c) {
        records[c].stride = format.nChannels;
        if (format.wBitsPerSample == 32) records[c].format = kSampleFloat32;
        if (format.wBitsPerSample == 16) records[c].format = kSampleInt16;
    }
}
