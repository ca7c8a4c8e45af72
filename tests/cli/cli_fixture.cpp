#include "tests/cli/cli_fixture.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

#include "tests/support/files.h"

extern char** environ;

std::vector<float> TestSignal(int64_t frames, int channels, int seed) {
    std::vector<float> s(static_cast<size_t>(frames * channels));
    uint32_t noise = 0x9E3779B9u * static_cast<uint32_t>(seed + 1);
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i / static_cast<size_t>(channels));
        const int c = static_cast<int>(i % static_cast<size_t>(channels));
        noise = noise * 1664525u + 1013904223u;
        const double white = (noise >> 8) / 8388608.0 - 1;
        const double v = 0.5 * std::sin(0.031 * t * (c + 1) + seed) + 0.2 * std::sin(0.27 * t + c) + 0.1 * white;
        s[i] = static_cast<float>(std::clamp(v, -0.8, 0.8));
    }
    return s;
}

std::vector<int16_t> ToShorts(const std::vector<float>& samples) {
    std::vector<int16_t> s(samples.size());
    std::transform(samples.begin(), samples.end(), s.begin(),
                   [](float v) { return static_cast<int16_t>(std::lrint(v * 32767.0)); });
    return s;
}

RunResult Cli::Velvane(const std::vector<std::string>& args) const {
    std::vector<std::string> words{VELVANE_PROGRAM};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    const std::string out = Path(".stdout"), err = Path(".stderr");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addchdir_np(&actions, folder_.Path().c_str());
    pid_t child = 0;
    RunResult result;
    if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        waitpid(child, &status, 0);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    result.out = ReadWholeFile(out);
    result.err = ReadWholeFile(err);
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return result;
}

void Cli::WriteWav(const std::string& name, int channels, int rate, int subtype,
                   const std::vector<float>& samples) const {
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = rate;
    info.format = SF_FORMAT_WAV | subtype;
    SNDFILE* file = sf_open(Path(name).c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    const auto frames = static_cast<sf_count_t>(samples.size() / static_cast<size_t>(channels));
    EXPECT_EQ(sf_writef_float(file, samples.data(), frames), frames);
    sf_close(file);
}

Audio Cli::ReadWav(const std::string& name, bool asShorts) const {
    SF_INFO info{};
    Audio audio;
    SNDFILE* file = sf_open(Path(name).c_str(), SFM_READ, &info);
    EXPECT_NE(file, nullptr) << name << ": " << sf_strerror(nullptr);
    if (!file) return audio;
    EXPECT_EQ(info.format & SF_FORMAT_TYPEMASK, SF_FORMAT_WAV) << name;
    audio.channels = info.channels;
    audio.rate = info.samplerate;
    audio.subtype = info.format & SF_FORMAT_SUBMASK;
    const auto samples = static_cast<size_t>(info.frames * info.channels);
    if (asShorts) {
        audio.shorts.resize(samples);
        EXPECT_EQ(sf_readf_short(file, audio.shorts.data(), info.frames), info.frames);
    } else {
        audio.floats.resize(samples);
        EXPECT_EQ(sf_readf_float(file, audio.floats.data(), info.frames), info.frames);
    }
    sf_close(file);
    return audio;
}

std::vector<std::string> Cli::Files() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder_.Path()))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}
