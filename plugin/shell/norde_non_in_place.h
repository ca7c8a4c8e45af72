#pragma once
// cNordeNonInPlace: the transform filter joined with the shell core. It accepts the audio the
// algorithm takes, proposes its output type (stereo for the m/s component), and runs every
// incoming sample through the kernel in chunks that fit the output buffers, with the records
// pointing straight into the samples. The algorithm's through delay is hidden from the host
// (delay compensation): the first frames after a start or a discontinuity are dropped and as many
// zero frames are pushed through at end of stream.
//
// Threads and locks: connection and state changes on the application thread (filter lock, then
// receive lock); Receive and EndOfStream on the streaming thread (receive lock). Every kernel call
// holds the process lock together with the state copy after it, and so does every change the
// filter makes to the algorithm (rate, reset, process side on or off): parameter changes through
// the host interfaces take the same lock. The stream fields below change only under the receive
// lock, and the formats only while stopped.
#include <cstdint>
#include <memory>

#include "Code/Native/VelvaneFunctions.h"
#include "platform/dshow/transform.h"
#include "plugin/shell/base_am_shell.h"

class cNordeNonInPlace : public CTransformFilter, public cBaseAmShell {
public:
    // Both faces' IUnknown methods: the filter object's.
    DECLARE_IUNKNOWN

    // Tail output without input: fills `out` (its actual length says how much) with what the
    // kernel makes of silence. `in` is not read.
    HRESULT Transform(IMediaSample* in, IMediaSample* out) override;
    // Audio (a wave format block of 16 bytes or more, not temporally compressed) that the algorithm
    // takes; the m/s component takes no stereo input. E_INVALIDARG otherwise.
    HRESULT CheckInputType(const CMediaType* in) override;
    // Same tag, bits and rate on both sides; the output has the input's channel count, or two
    // channels from a mono input for the m/s component. E_INVALIDARG otherwise.
    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
    // The upstream allocator's properties (2 × 64 KiB when it has none), aligned at least to a
    // sample; E_FAIL when the granted buffers are smaller than 512 bytes.
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    // One type: the input's, made stereo for the m/s component. E_UNEXPECTED while the input is
    // unconnected.
    HRESULT GetMediaType(int position, CMediaType* type) override;
    // Resets the algorithm and switches its process side on.
    HRESULT StartStreaming() override;
    HRESULT StopStreaming() override;
    // Keeps each side's format; a new input rate goes to the algorithm. A changed output type
    // makes the graph reconnect the input. Always S_OK.
    HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* type) override;
    // Cuts the sample into chunks of whole frames that fit the output buffers. The first output
    // sample carries the input's times and flags, the others none. S_FALSE when no output sample
    // can be had; a delivery's refusal is returned at once.
    HRESULT Receive(IMediaSample* in) override;
    // Delivers the tail and the held-back frames of the through delay, then passes end of stream.
    HRESULT EndOfStream() override;

protected:
    // Reads the delay-compensation switch from the registry.
    cNordeNonInPlace(IUnknown* outer, REFCLSID clsid, std::unique_ptr<cVelvane_ALG> algorithm) noexcept;

private:
    // The m/s component: mono in, stereo out. Fixed when the algorithm is made, so read without a lock.
    bool MonoToStereo() const noexcept;
    // [streaming thread, receive lock held] Runs `bytes` bytes at `input` (whole input frames)
    // through the kernel into `output`, which holds room for as many output frames, and sets
    // *produced to the bytes it wrote once delay compensation has dropped its share. `sample` (may
    // be null) is the input sample the bytes come from.
    void ProcessBuffer(BYTE* input, LONG bytes, BYTE* output, LONG* produced, IMediaSample* sample) noexcept;
    // [streaming thread, receive lock held] Runs `bytes` bytes at `input` through ProcessBuffer in
    // chunks that fit the output buffers and delivers each. `out` (may be null) is the first
    // output sample; the others come bare from the allocator. Stops at the first failure or
    // refusal and returns it.
    HRESULT ProcessChunks(BYTE* input, LONG bytes, platform::Ref<IMediaSample> out, IMediaSample* sample) noexcept;
    // Input bytes of the next chunk: whole input frames out of `bytes`, no more than whole output
    // frames fit in `capacity` output bytes.
    LONG ChunkBytes(LONG bytes, LONG capacity) const noexcept;
    // [process lock taken here] One kernel call on the current output records, then the state copy.
    // Without a kernel routine the input is copied through (a mono input into every output channel).
    void CallKernel(const NordeSoundBuf* in, int32_t frames, int32_t* produced, int32_t flag) noexcept;
    // Delivers `out` holding `bytes` bytes, with the discontinuity flag when one is pending.
    HRESULT DeliverProduced(IMediaSample* out, LONG bytes) noexcept;
    // Points a side's records into a block of interleaved samples.
    static void PointRecords(NordeSoundBuf* records, const WAVEFORMATEX& format, BYTE* block) noexcept;
    static void SetRecordFormats(NordeSoundBuf* records, const WAVEFORMATEX& format) noexcept;

    WAVEFORMATEX inputFormat_{};
    WAVEFORMATEX outputFormat_{};
    NordeSoundBuf inputBuffers_[2]{};
    NordeSoundBuf outputBuffers_[2]{};
    bool delayCompensationOn_ = true;
    int32_t latencyFrames_ = -1;    // through delay to hide; -1: not asked yet; 0 when compensation is off
    int64_t framesSinceStart_ = 0;  // frames through the kernel since the start or a discontinuity
    bool discontinuityPending_ = false;
    int32_t firstBlockFlag_ = 0;     // 1 from the start until the first block
    REFERENCE_TIME streamTime_ = 0;  // of the block in progress, while envelopes play
    uint32_t silence_ = 0;           // the tail's input: one zero sample, read over and over
};
