#include "tools/velvane/audio_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "tools/velvane/errors.h"

namespace velvane_cli {

namespace {

// The temporary output an interrupt must not leave behind; one writer at a time.
char gPendingPath[PATH_MAX];
volatile std::sig_atomic_t gPending = 0;

extern "C" void RemovePendingOutput(int signal) {
    if (gPending) unlink(gPendingPath);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void WatchForInterrupts() {
    static const bool installed = [] {
        for (const int s : {SIGINT, SIGTERM, SIGHUP}) std::signal(s, RemovePendingOutput);
        return true;
    }();
    (void)installed;
}

SampleFormat StreamFormatOf(int subtype) {
    switch (subtype) {
        case SF_FORMAT_PCM_S8:
        case SF_FORMAT_PCM_U8:
        case SF_FORMAT_PCM_16:
        case SF_FORMAT_ULAW:
        case SF_FORMAT_ALAW:
            return SampleFormat::Pcm16;
        default:
            return SampleFormat::Float;
    }
}

int16_t ToPcm16(float sample) {
    if (std::isnan(sample)) return 0;
    return static_cast<int16_t>(std::lrint(std::clamp(static_cast<double>(sample) * 32768.0, -32768.0, 32767.0)));
}

}  // namespace

AudioReader::AudioReader(const std::string& path) : path_(path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw InputError("cannot read '" + path + "': " + std::strerror(errno));
    SF_INFO sf{};
    file_ = sf_open_fd(fd, SFM_READ, &sf, SF_TRUE);
    if (!file_) {
        close(fd);
        throw InputError("'" + path + "' is not an audio file libsndfile reads (" + sf_strerror(nullptr) + ")");
    }
    if (sf.channels < 1 || sf.samplerate < 1) {
        sf_close(file_);
        throw InputError("'" + path + "' holds no audio stream");
    }
    const int subtype = sf.format & SF_FORMAT_SUBMASK;
    info_ = {sf.frames, sf.channels, sf.samplerate, subtype, StreamFormatOf(subtype)};
}

AudioReader::~AudioReader() { sf_close(file_); }

int64_t AudioReader::Read(SampleFormat format, void* out, int64_t frames) {
    sf_count_t n = 0;
    if (format == SampleFormat::Float) {
        n = sf_readf_float(file_, static_cast<float*>(out), frames);
    } else if (info_.stream == SampleFormat::Pcm16) {
        n = sf_readf_short(file_, static_cast<short*>(out), frames);
    } else {
        scratch_.resize(static_cast<size_t>(frames * info_.channels));
        n = sf_readf_float(file_, scratch_.data(), frames);
        std::transform(scratch_.begin(), scratch_.begin() + std::max<sf_count_t>(n, 0) * info_.channels,
                       static_cast<int16_t*>(out), ToPcm16);
    }
    if (n < 0 || sf_error(file_) != SF_ERR_NO_ERROR)
        throw InputError("cannot read '" + path_ + "': " + sf_strerror(file_));
    position_ += n;
    return n;
}

void AudioReader::Rewind() {
    // Reading starts at the first frame: a pipe, which cannot seek, can still be read once.
    if (position_ == 0) return;
    if (sf_seek(file_, 0, SEEK_SET) != 0) throw InputError("cannot read '" + path_ + "' again: it does not seek");
    position_ = 0;
}

AudioWriter::AudioWriter(const std::string& path, int channels, int sampleRate, int subtype)
    : channels_(channels), path_(path) {
    // The temporary file goes beside the target, so the final rename never crosses file systems.
    std::string pattern = path + ".XXXXXX";
    if (pattern.size() >= sizeof gPendingPath) throw InputError("cannot write '" + path + "': the path is too long");
    WatchForInterrupts();
    const int fd = mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) throw InputError("cannot write '" + path + "': " + std::strerror(errno));
    tempPath_ = pattern;
    std::memcpy(gPendingPath, tempPath_.c_str(), tempPath_.size() + 1);
    gPending = 1;
    fchmod(fd, 0644);  // mkostemp's 0600 is too private for an audio file
    SF_INFO sf{};
    sf.channels = channels;
    sf.samplerate = sampleRate;
    sf.format = SF_FORMAT_WAV | subtype;
    file_ = sf_open_fd(fd, SFM_WRITE, &sf, SF_TRUE);
    if (!file_) {
        close(fd);
        throw InputError("cannot write '" + path + "': " + sf_strerror(nullptr));
    }
    sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    // A float file's PEAK chunk would cost a pass over every sample; nothing needs it.
    sf_command(file_, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
}

AudioWriter::~AudioWriter() {
    if (file_) sf_close(file_);
    if (!tempPath_.empty()) {
        gPending = 0;
        unlink(tempPath_.c_str());
    }
}

void AudioWriter::Write(SampleFormat format, const void* frames, int64_t count) {
    const sf_count_t written = format == SampleFormat::Float
                                   ? sf_writef_float(file_, static_cast<const float*>(frames), count)
                                   : sf_writef_short(file_, static_cast<const short*>(frames), count);
    if (written != count) throw InputError("cannot write '" + path_ + "': " + sf_strerror(file_));
    frames_ += count;
}

void AudioWriter::Commit() {
    const int closed = sf_close(file_);
    file_ = nullptr;
    if (closed != 0) throw InputError("cannot write '" + path_ + "': " + sf_error_number(closed));
    if (std::rename(tempPath_.c_str(), path_.c_str()) != 0)
        throw InputError("cannot write '" + path_ + "': " + std::strerror(errno));
    gPending = 0;
    tempPath_.clear();
}

int OutputSubtype(const AudioInfo& input, int outputChannels, std::optional<SampleFormat> asked) {
    const auto subtypeOf = [](SampleFormat f) { return f == SampleFormat::Float ? SF_FORMAT_FLOAT : SF_FORMAT_PCM_16; };
    if (asked) return subtypeOf(*asked);
    // WAV keeps 8-bit samples unsigned.
    const int own = input.subtype == SF_FORMAT_PCM_S8 ? SF_FORMAT_PCM_U8 : input.subtype;
    SF_INFO wav{};
    wav.channels = outputChannels;
    wav.samplerate = input.sampleRate;
    wav.format = SF_FORMAT_WAV | own;
    return sf_format_check(&wav) ? own : subtypeOf(input.stream);
}

std::string SubtypeName(int subtype) {
    SF_FORMAT_INFO info{};
    info.format = subtype;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) == 0 && info.name) return info.name;
    return "format " + std::to_string(subtype);
}

}  // namespace velvane_cli
