#include "host/frame_io.h"

#include <algorithm>
#include <cstring>

#include "platform/comptr.h"

namespace host {

MemoryReader::MemoryReader(std::vector<BYTE> bytes, size_t frameBytes) noexcept
    : bytes_(std::move(bytes)), frameBytes_(frameBytes) {}

HRESULT MemoryReader::Rewind() noexcept {
    position_ = 0;
    return S_OK;
}

HRESULT MemoryReader::Read(BYTE* out, LONG frames, LONG* read) noexcept {
    if (!out || !read) return E_POINTER;
    *read = 0;
    if (frames < 0 || frameBytes_ == 0) return E_INVALIDARG;
    const size_t left = (bytes_.size() - position_) / frameBytes_;
    const size_t n = std::min(left, static_cast<size_t>(frames));
    if (n) std::memcpy(out, bytes_.data() + position_, n * frameBytes_);
    position_ += n * frameBytes_;
    *read = static_cast<LONG>(n);
    return S_OK;
}

HRESULT MemoryWriter::Write(const BYTE* data, LONG bytes, IMediaSample*) noexcept {
    if (bytes < 0 || (bytes && !data)) return E_INVALIDARG;
    return platform::AtBoundary([&] {
        bytes_.insert(bytes_.end(), data, data + bytes);
        return S_OK;
    });
}

}  // namespace host
