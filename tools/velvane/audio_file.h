#pragma once
// Audio files through libsndfile: reading any format it knows, writing WAV through a temporary
// file in the target folder that is renamed into place only when the whole file is written.
#include <sndfile.h>

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

namespace velvane_cli {

// Bad input from the user (missing file, unsupported format, …): exit status 2.
struct InputError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The two sample formats the plug-in streams.
enum class SampleFormat { Float, Pcm16 };

struct AudioInfo {
    int64_t frames = 0;
    int channels = 0;
    int sampleRate = 0;
    SampleFormat format = SampleFormat::Float;  // 16-bit (and narrower) PCM streams as Pcm16
};

class AudioReader {
public:
    explicit AudioReader(const std::string& path);  // InputError when it cannot be read
    ~AudioReader();
    AudioReader(const AudioReader&) = delete;
    AudioReader& operator=(const AudioReader&) = delete;

    const AudioInfo& Info() const noexcept { return info_; }
    // Reads up to out.size() / channels frames; returns the frames read (0 at the end).
    int64_t Read(std::span<float> out);
    int64_t Read(std::span<int16_t> out);

private:
    SNDFILE* file_ = nullptr;
    AudioInfo info_;
    std::string path_;
};

class AudioWriter {
public:
    // Creates a temporary file beside `path`; InputError when the folder is not writable.
    AudioWriter(const std::string& path, const AudioInfo& info);
    // Removes the temporary file unless Commit() succeeded: a failed run leaves nothing behind.
    ~AudioWriter();
    AudioWriter(const AudioWriter&) = delete;
    AudioWriter& operator=(const AudioWriter&) = delete;

    void Write(std::span<const float> frames);
    void Write(std::span<const int16_t> frames);
    // Closes the file and renames it into place.
    void Commit();

private:
    void Check(sf_count_t written, sf_count_t expected);

    SNDFILE* file_ = nullptr;
    AudioInfo info_;
    std::string path_;
    std::string tempPath_;
};

}  // namespace velvane_cli
