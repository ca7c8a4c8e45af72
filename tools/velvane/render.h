#pragma once
// Streaming audio through a component the way a DirectShow host does: a graph of the host
// layer's source, the component's filter and a sink that writes the WAV file.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "host/frame_io.h"
#include "tools/velvane/audio_file.h"
#include "tools/velvane/component.h"
#include "tools/velvane/file_sink.h"
#include "tools/velvane/progress.h"
#include "tools/velvane/stream_error.h"

namespace velvane_cli {

// What flows into the component.
struct StreamFormat {
    int channels = 0;
    int sampleRate = 0;
    SampleFormat format = SampleFormat::Float;
};

// Frames for the source filter, counted for the progress bar.
// [source's streaming thread; FramesRead and Failure from any thread]
class FrameSource : public host::FrameReader {
public:
    HRESULT Rewind() noexcept final;
    HRESULT Read(BYTE* out, LONG frames, LONG* read) noexcept final;
    int64_t FramesRead() const noexcept { return framesRead_.load(std::memory_order_relaxed); }
    const StreamError& Failure() const noexcept { return failure_; }

protected:
    // Up to `frames` frames into `out`; the frames given (0 at the end). May throw InputError.
    virtual int64_t Fill(BYTE* out, int64_t frames) = 0;
    virtual void Restart() = 0;

private:
    std::atomic<int64_t> framesRead_{0};
    StreamError failure_;
};

class FileSource final : public FrameSource {
public:
    FileSource(AudioReader& reader, SampleFormat format) noexcept : reader_(reader), format_(format) {}

private:
    int64_t Fill(BYTE* out, int64_t frames) override { return reader_.Read(format_, out, frames); }
    void Restart() override { reader_.Rewind(); }

    AudioReader& reader_;  // outlives the run
    SampleFormat format_;
};

// Streams every frame of `source`, `blockFrames` at a time, through `component` into `writer`
// (made for the component's output channels), which then holds as many frames as the source gave.
// InputError when the component does not take the format or a file cannot be read or written;
// InternalError when the component or the graph fails.
Levels Render(Component& component, const StreamFormat& input, const std::shared_ptr<FrameSource>& source,
              AudioWriter& writer, LONG blockFrames, Progress& progress);

}  // namespace velvane_cli
