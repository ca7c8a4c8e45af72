#pragma once
// A push source: one output pin ("Out") offering one audio type. Its own streaming thread pushes
// the reader's frames while the filter runs (one buffer at a time, with sample times from the
// frame count, a sync point on each and a discontinuity on the first) and ends with end of
// stream. A read failure ends the run with end of stream and EC_ERRORABORT. Every Stopped → Paused
// starts again from the reader's first frame.
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "host/frame_io.h"
#include "platform/dshow/pins.h"

namespace host {

class SourceFilter final : public CBaseFilter {
public:
    // `framesPerBuffer` frames per sample, in `buffers` samples (at least; the peer may want more)
    // of at least `leastBufferBytes` bytes each, however few frames each sample carries.
    static HRESULT Create(const WAVEFORMATEXTENSIBLE& format, std::shared_ptr<FrameReader> reader, LONG framesPerBuffer,
                          LONG buffers, LONG leastBufferBytes, platform::Ref<SourceFilter>* source) noexcept;
    ~SourceFilter() override;

    int GetPinCount() noexcept override { return 1; }
    CBasePin* GetPin(int index) noexcept override;

    HRESULT STDMETHODCALLTYPE Stop() noexcept override;
    HRESULT STDMETHODCALLTYPE Pause() noexcept override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) noexcept override;

private:
    class OutputPin final : public CBaseOutputPin {
    public:
        explicit OutputPin(SourceFilter* source) noexcept;
        HRESULT CheckMediaType(const CMediaType* type) override;
        HRESULT GetMediaType(int position, CMediaType* type) override;
        HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

    private:
        SourceFilter* const source_;  // the owner, as filter_
    };

    SourceFilter(std::shared_ptr<FrameReader> reader, WORD blockAlign, DWORD samplesPerSec, LONG framesPerBuffer,
                 LONG buffers, LONG leastBufferBytes) noexcept;
    void Stream() noexcept;  // the streaming thread
    void EndThread() noexcept;

    CMediaType type_;
    const std::shared_ptr<FrameReader> reader_;
    const WORD blockAlign_;
    const DWORD samplesPerSec_;
    const LONG framesPerBuffer_;
    const LONG buffers_;
    const LONG leastBufferBytes_;
    OutputPin output_;

    // The application thread's word to the streaming thread: push (running_) or end (quit_).
    std::mutex commandLock_;  // leaf
    std::condition_variable command_;
    bool running_ = false;
    bool quit_ = false;
    std::thread thread_;  // [filter lock]
};

}  // namespace host
