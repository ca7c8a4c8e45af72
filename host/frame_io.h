#pragma once
// Where a host graph's audio comes from and where it goes: whole frames of the connection's
// format. Files are someone else's business (the CLI reads and writes them); memory is here.
#include <cstddef>
#include <vector>

#include "platform/dshow/interfaces.h"

namespace host {

// [source's streaming thread, one run at a time]
class FrameReader {
public:
    virtual ~FrameReader() = default;
    // Back to the first frame, before every run.
    virtual HRESULT Rewind() noexcept = 0;
    // Copies up to `frames` frames to `out` and says how many in `read` (0 at the end).
    virtual HRESULT Read(BYTE* out, LONG frames, LONG* read) noexcept = 0;
};

// [sink's streaming thread]
class FrameWriter {
public:
    virtual ~FrameWriter() = default;
    // One arriving sample: its data, and the sample itself for its times and flags. A failure
    // is refused upstream and ends the run with EC_ERRORABORT.
    virtual HRESULT Write(const BYTE* data, LONG bytes, IMediaSample* sample) noexcept = 0;
};

class MemoryReader final : public FrameReader {
public:
    // `bytes` holds whole frames of `frameBytes` bytes; a trailing part frame is never read.
    MemoryReader(std::vector<BYTE> bytes, size_t frameBytes) noexcept;
    HRESULT Rewind() noexcept override;
    HRESULT Read(BYTE* out, LONG frames, LONG* read) noexcept override;

private:
    const std::vector<BYTE> bytes_;
    const size_t frameBytes_;
    size_t position_ = 0;  // in bytes
};

class MemoryWriter final : public FrameWriter {
public:
    // [after the graph has stopped] Everything written, in order.
    const std::vector<BYTE>& Bytes() const noexcept { return bytes_; }
    void Clear() noexcept { bytes_.clear(); }
    HRESULT Write(const BYTE* data, LONG bytes, IMediaSample* sample) noexcept override;

private:
    std::vector<BYTE> bytes_;
};

}  // namespace host
