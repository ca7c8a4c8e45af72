#pragma once
// Where the component's output goes: taken on the sink's streaming thread, written to the file on
// a thread of its own, so that the disk works while the kernel does. The levels are measured on
// the way.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "host/frame_io.h"
#include "tools/velvane/audio_file.h"
#include "tools/velvane/stream_error.h"

namespace velvane_cli {

// Peak and RMS over every sample of every channel, full scale 1.
struct Levels {
    double peak = 0;
    double rms = 0;
    int64_t frames = 0;
};

class FileSink final : public host::FrameWriter {
public:
    // Frames of `channels` samples in `format` go to `writer`, which outlives this object.
    FileSink(SampleFormat format, int channels, AudioWriter& writer);
    ~FileSink() override;
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    // [sink's streaming thread] Copies the frames into a free block (waiting for one while all are
    // queued) and queues them. E_FAIL for part of a frame and once writing has failed.
    HRESULT Write(const BYTE* data, LONG bytes, IMediaSample* sample) noexcept override;
    // [application thread, once the graph has stopped] Writes what is queued and ends the writing
    // thread; again, it does nothing.
    void Finish() noexcept;

    // [any thread]
    const StreamError& Failure() const noexcept { return failure_; }
    // [after Finish]
    Levels Result() const noexcept;

private:
    void WriteQueued() noexcept;  // the writing thread
    template <class Sample>
    void Measure(const Sample* samples, size_t count, double scale) noexcept;

    static constexpr int kBlocks = 4;

    const SampleFormat format_;
    const int channels_;
    const LONG frameBytes_;
    AudioWriter& writer_;
    StreamError failure_;

    std::mutex lock_;  // leaf: guards the three fields below
    std::condition_variable changed_;
    std::vector<std::vector<BYTE>> free_;
    std::deque<std::vector<BYTE>> queued_;
    bool finishing_ = false;

    // [writing thread until Finish]
    double peak_ = 0;
    double sumSquares_ = 0;
    std::thread thread_;  // last: starts once everything above is in place
};

}  // namespace velvane_cli
