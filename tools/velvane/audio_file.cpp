#include "audio_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace velvane_cli {

namespace {

SampleFormat StreamFormatOf(int sndfileFormat) {
    switch (sndfileFormat & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_PCM_S8:
        case SF_FORMAT_PCM_U8:
        case SF_FORMAT_PCM_16:
            return SampleFormat::Pcm16;
        default:
            return SampleFormat::Float;
    }
}

}  // namespace

AudioReader::AudioReader(const std::string& path) : path_(path) {
    SF_INFO sf{};
    file_ = sf_open(path.c_str(), SFM_READ, &sf);
    if (!file_) throw InputError("cannot read '" + path + "': " + sf_strerror(nullptr));
    if (sf.channels < 1 || sf.samplerate < 1) {
        sf_close(file_);
        throw InputError("'" + path + "' has no usable audio stream");
    }
    info_ = {sf.frames, sf.channels, sf.samplerate, StreamFormatOf(sf.format)};
}

AudioReader::~AudioReader() { sf_close(file_); }

int64_t AudioReader::Read(std::span<float> out) {
    const sf_count_t n = sf_readf_float(file_, out.data(), static_cast<sf_count_t>(out.size()) / info_.channels);
    if (n < 0 || sf_error(file_)) throw InputError("error reading '" + path_ + "': " + sf_strerror(file_));
    return n;
}

int64_t AudioReader::Read(std::span<int16_t> out) {
    const sf_count_t n = sf_readf_short(file_, out.data(), static_cast<sf_count_t>(out.size()) / info_.channels);
    if (n < 0 || sf_error(file_)) throw InputError("error reading '" + path_ + "': " + sf_strerror(file_));
    return n;
}

AudioWriter::AudioWriter(const std::string& path, const AudioInfo& info) : info_(info), path_(path) {
    // mkstemp in the target folder, so the final rename never crosses file systems.
    std::string pattern = path + ".XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0) throw InputError("cannot write '" + path + "': " + std::strerror(errno));
    tempPath_ = pattern;
    fchmod(fd, 0644);  // mkstemp's 0600 is too private for an audio file
    SF_INFO sf{};
    sf.channels = info.channels;
    sf.samplerate = info.sampleRate;
    sf.format = SF_FORMAT_WAV | (info.format == SampleFormat::Pcm16 ? SF_FORMAT_PCM_16 : SF_FORMAT_FLOAT);
    file_ = sf_open_fd(fd, SFM_WRITE, &sf, SF_TRUE);
    if (!file_) {
        std::remove(tempPath_.c_str());
        throw InputError("cannot write '" + path + "': " + sf_strerror(nullptr));
    }
}

AudioWriter::~AudioWriter() {
    if (file_) sf_close(file_);
    if (!tempPath_.empty()) std::remove(tempPath_.c_str());
}

void AudioWriter::Check(sf_count_t written, sf_count_t expected) {
    if (written != expected) throw InputError("cannot write '" + path_ + "': " + sf_strerror(file_));
}

void AudioWriter::Write(std::span<const float> frames) {
    const auto n = static_cast<sf_count_t>(frames.size()) / info_.channels;
    Check(sf_writef_float(file_, frames.data(), n), n);
}

void AudioWriter::Write(std::span<const int16_t> frames) {
    const auto n = static_cast<sf_count_t>(frames.size()) / info_.channels;
    Check(sf_writef_short(file_, frames.data(), n), n);
}

void AudioWriter::Commit() {
    const int closed = sf_close(file_);
    file_ = nullptr;
    if (closed != 0) throw InputError("cannot write '" + path_ + "': " + sf_error_number(closed));
    if (std::rename(tempPath_.c_str(), path_.c_str()) != 0)
        throw InputError("cannot write '" + path_ + "': " + std::strerror(errno));
    tempPath_.clear();
}

}  // namespace velvane_cli
