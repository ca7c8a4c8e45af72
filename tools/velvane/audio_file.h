#pragma once
// Audio files through libsndfile: reading whatever it reads, writing WAV through a temporary file
// in the target folder that is renamed into place only when the whole file is written. A file
// streams through the plug-in in one of its two formats:
//   16-bit: 8- and 16-bit PCM, mu-law and A-law (they fit 16 bits exactly);
//   float:  everything else (24- and 32-bit PCM, float, double, compressed formats).
#include <sndfile.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velvane_cli {

// The plug-in's two sample formats: IEEE single floats (full scale +-1) and signed 16-bit
// integers (full scale 32768).
enum class SampleFormat { Float, Pcm16 };

inline int BytesPerSample(SampleFormat format) { return format == SampleFormat::Float ? 4 : 2; }

struct AudioInfo {
    int64_t frames = 0;
    int channels = 0;
    int sampleRate = 0;
    int subtype = SF_FORMAT_FLOAT;  // libsndfile's sub-format (SF_FORMAT_PCM_16 …)
    SampleFormat stream = SampleFormat::Float;
};

class AudioReader {
public:
    // InputError when the file cannot be opened or is not audio libsndfile reads.
    explicit AudioReader(const std::string& path);
    ~AudioReader();
    AudioReader(const AudioReader&) = delete;
    AudioReader& operator=(const AudioReader&) = delete;

    const AudioInfo& Info() const noexcept { return info_; }
    // Reads up to `frames` interleaved frames in `format` into `out`; returns the frames read (0
    // at the end). A float file read as 16-bit is rounded to the nearest step and saturated.
    // InputError when the file cannot be read.
    int64_t Read(SampleFormat format, void* out, int64_t frames);
    // Back to the first frame; InputError when the file cannot seek.
    void Rewind();

private:
    SNDFILE* file_ = nullptr;
    AudioInfo info_;
    std::string path_;
    int64_t position_ = 0;        // frames read since the start
    std::vector<float> scratch_;  // a float file read as 16-bit
};

class AudioWriter {
public:
    // A temporary WAV file of `subtype` beside `path`; InputError when it cannot be made. Until
    // Commit, an interrupt (SIGINT, SIGTERM, SIGHUP) removes it too.
    AudioWriter(const std::string& path, int channels, int sampleRate, int subtype);
    // Removes the temporary file unless Commit() succeeded: a failed run leaves nothing behind.
    ~AudioWriter();
    AudioWriter(const AudioWriter&) = delete;
    AudioWriter& operator=(const AudioWriter&) = delete;

    // Appends interleaved frames; values beyond full scale saturate in integer formats.
    // InputError when the file cannot be written.
    void Write(SampleFormat format, const void* frames, int64_t count);
    // Closes the file and renames it into place; InputError when that fails.
    void Commit();
    int64_t Frames() const noexcept { return frames_; }

private:
    SNDFILE* file_ = nullptr;
    int channels_;
    std::string path_;
    std::string tempPath_;
    int64_t frames_ = 0;
};

// The WAV sub-format written for `input`: `asked` when given; else the input's own when WAV can
// hold it at that channel count and rate, or the sub-format of its stream format.
int OutputSubtype(const AudioInfo& input, int outputChannels, std::optional<SampleFormat> asked);
// "16-bit PCM", "32-bit float" …
std::string SubtypeName(int subtype);

}  // namespace velvane_cli
