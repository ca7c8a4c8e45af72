#include "tools/velvane/file_sink.h"

#include <algorithm>
#include <cmath>

#include "tools/velvane/errors.h"

namespace velvane_cli {

FileSink::FileSink(SampleFormat format, int channels, AudioWriter& writer)
    : format_(format),
      channels_(channels),
      frameBytes_(channels * BytesPerSample(format)),
      writer_(writer),
      free_(kBlocks),
      thread_([this] { WriteQueued(); }) {}

FileSink::~FileSink() { Finish(); }

HRESULT FileSink::Write(const BYTE* data, LONG bytes, IMediaSample*) noexcept {
    try {
        if (bytes < 0 || bytes % frameBytes_ != 0 || (bytes && !data))
            throw InternalError("the component delivered part of a frame", E_UNEXPECTED);
        std::vector<BYTE> block;
        {
            std::unique_lock hold(lock_);
            changed_.wait(hold, [&] { return !free_.empty() || failure_.IsSet(); });
            if (failure_.IsSet()) return E_FAIL;
            block = std::move(free_.back());
            free_.pop_back();
        }
        block.assign(data, data + bytes);
        {
            std::lock_guard hold(lock_);
            queued_.push_back(std::move(block));
        }
        changed_.notify_all();
        return S_OK;
    } catch (...) {
        failure_.KeepCurrent();
        changed_.notify_all();
        return E_FAIL;
    }
}

void FileSink::Finish() noexcept {
    {
        std::lock_guard hold(lock_);
        finishing_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void FileSink::WriteQueued() noexcept {
    for (;;) {
        std::vector<BYTE> block;
        {
            std::unique_lock hold(lock_);
            changed_.wait(hold, [&] { return !queued_.empty() || finishing_; });
            if (queued_.empty()) return;
            block = std::move(queued_.front());
            queued_.pop_front();
        }
        if (!failure_.IsSet()) {
            try {
                const size_t samples = block.size() / static_cast<size_t>(BytesPerSample(format_));
                if (format_ == SampleFormat::Float)
                    Measure(reinterpret_cast<const float*>(block.data()), samples, 1.0);
                else
                    Measure(reinterpret_cast<const int16_t*>(block.data()), samples, 1.0 / 32768);
                writer_.Write(format_, block.data(), static_cast<int64_t>(block.size()) / frameBytes_);
            } catch (...) {
                failure_.KeepCurrent();
            }
        }
        {
            std::lock_guard hold(lock_);
            free_.push_back(std::move(block));
        }
        changed_.notify_all();
    }
}

template <class Sample>
void FileSink::Measure(const Sample* samples, size_t count, double scale) noexcept {
    double peak = 0, sum = 0;
    for (size_t i = 0; i < count; ++i) {
        const double v = samples[i] * scale;
        peak = std::max(peak, std::abs(v));
        sum += v * v;
    }
    peak_ = std::max(peak_, peak);
    sumSquares_ += sum;
}

Levels FileSink::Result() const noexcept {
    const int64_t frames = writer_.Frames();
    const int64_t samples = frames * channels_;
    return {peak_, samples ? std::sqrt(sumSquares_ / static_cast<double>(samples)) : 0.0, frames};
}

}  // namespace velvane_cli
