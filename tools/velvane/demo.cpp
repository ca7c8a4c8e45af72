// velvane demo: every factory preset of the stereo component on a built-in test signal.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <numbers>
#include <optional>
#include <system_error>
#include <vector>

#include "tools/velvane/commands.h"
#include "tools/velvane/errors.h"
#include "tools/velvane/render.h"
#include "tools/velvane/text.h"

namespace velvane_cli {

namespace {

constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr double kBeatSeconds = 0.5;  // 120 beats per minute
constexpr int kBars = 4;              // one chord a bar, four beats a bar
constexpr double kPeak = 0.5;         // -6 dBFS: room for the presets with feedback

// A band-limited sawtooth (polyBLEP), -1 … 1.
class Saw {
public:
    explicit Saw(double hz) : step_(hz / kRate) {}
    double Next() {
        double v = 2 * phase_ - 1;
        if (phase_ < step_) {
            const double x = phase_ / step_;
            v -= x + x - x * x - 1;
        } else if (phase_ > 1 - step_) {
            const double x = (phase_ - 1) / step_;
            v -= x * x + x + x + 1;
        }
        phase_ += step_;
        if (phase_ >= 1) phase_ -= 1;
        return v;
    }

private:
    double step_;
    double phase_ = 0;
};

double NoteHz(double note) { return 440 * std::pow(2.0, (note - 69) / 12); }

// Four bars at 120 BPM, interleaved stereo: a pad of detuned sawtooth chords (Am, F, C, G; the
// two sides 4 cents apart), a plucked bass on every beat and noise hats on every eighth, the hats
// alternating left and right of centre. Flanging shows on all three: combs on the pad's
// harmonics, a jet sweep on the noise, motion on the bass.
std::vector<float> TestSignal() {
    const int barFrames = static_cast<int>(4 * kBeatSeconds * kRate);
    const int frames = kBars * barFrames;
    constexpr double kChords[kBars][3] = {{57, 60, 64}, {53, 57, 60}, {48, 52, 55}, {55, 59, 62}};
    std::vector<double> mix(static_cast<size_t>(frames) * kChannels, 0.0);
    const double smooth = 1 - std::exp(-2 * std::numbers::pi * 3000.0 / kRate);
    for (int bar = 0; bar < kBars; ++bar) {
        std::vector<Saw> voices;
        for (const double note : kChords[bar])
            for (const double cents : {-4.0, 4.0}) voices.emplace_back(NoteHz(note + cents / 100));
        double low[kChannels] = {0, 0};
        double bassPhase = 0;
        const double bassStep = NoteHz(kChords[bar][0] - 12) / kRate;
        for (int i = 0; i < barFrames; ++i) {
            const double t = static_cast<double>(i) / kRate;
            const double envelope = std::min({1.0, t / 0.02, (4 * kBeatSeconds - t) / 0.05});
            for (int side = 0; side < kChannels; ++side) {
                double pad = 0;
                for (size_t v = static_cast<size_t>(side); v < voices.size(); v += 2) pad += voices[v].Next();
                low[side] += smooth * (pad - low[side]);
            }
            const double sinceBeat = std::fmod(t, kBeatSeconds);
            const double bass = std::exp(-sinceBeat / 0.15) * (std::sin(2 * std::numbers::pi * bassPhase) +
                                                               0.3 * std::sin(4 * std::numbers::pi * bassPhase));
            bassPhase += bassStep;
            const size_t at = (static_cast<size_t>(bar) * barFrames + i) * kChannels;
            for (int side = 0; side < kChannels; ++side) mix[at + side] = 0.12 * envelope * low[side] + 0.35 * bass;
        }
    }
    uint32_t noise = 0x12345678;
    double previous = 0;
    const int eighthFrames = static_cast<int>(kBeatSeconds / 2 * kRate);
    for (int i = 0; i < frames; ++i) {
        noise = noise * 1664525u + 1013904223u;
        const double white = (noise >> 8) / 8388608.0 - 1;
        const double hiss = white - previous;  // a first difference: the hats stay bright
        previous = white;
        const int eighth = i / eighthFrames;
        const double hat = 0.15 * hiss * std::exp(-(i % eighthFrames) / (0.025 * kRate));
        const double toLeft = eighth % 2 ? 0.3 : 0.7;
        mix[static_cast<size_t>(i) * kChannels] += hat * toLeft;
        mix[static_cast<size_t>(i) * kChannels + 1] += hat * (1 - toLeft);
    }
    double peak = 0;
    for (const double v : mix) peak = std::max(peak, std::abs(v));
    std::vector<float> signal(mix.size());
    std::transform(mix.begin(), mix.end(), signal.begin(),
                   [&](double v) { return static_cast<float>(v * kPeak / peak); });
    return signal;
}

class SignalSource final : public FrameSource {
public:
    explicit SignalSource(const std::vector<float>& samples) noexcept : samples_(samples) {}

private:
    int64_t Fill(BYTE* out, int64_t frames) override {
        const int64_t left = static_cast<int64_t>(samples_.size() / kChannels) - position_;
        const int64_t n = std::min(frames, left);
        std::memcpy(out, samples_.data() + position_ * kChannels, static_cast<size_t>(n) * kChannels * sizeof(float));
        position_ += n;
        return n;
    }
    void Restart() override { position_ = 0; }

    const std::vector<float>& samples_;  // outlives the run
    int64_t position_ = 0;
};

// "07-fast-rotor.wav"
std::string FileName(size_t number, const std::string& name) {
    char prefix[24];
    std::snprintf(prefix, sizeof prefix, "%02zu", number);
    std::string file = prefix;
    bool gap = true;
    for (const char c : name) {
        const bool word = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (word && gap) file += '-';
        if (word) file += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        gap = !word;
    }
    return file + ".wav";
}

}  // namespace

void Demo(const PlugInLibrary& library, const Arguments& a) {
    const std::filesystem::path folder = a.operands.empty() ? "velvane-demo" : a.operands[0];
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || !std::filesystem::is_directory(folder))
        throw InputError("cannot make the folder '" + folder.string() +
                         "': " + (error ? error.message() : "a file of that name is in the way"));

    const std::vector<float> signal = TestSignal();
    const int64_t frames = static_cast<int64_t>(signal.size() / kChannels);
    {
        AudioWriter input((folder / "00-input.wav").string(), kChannels, kRate, SF_FORMAT_FLOAT);
        input.Write(SampleFormat::Float, signal.data(), frames);
        input.Commit();
    }
    const ComponentKind& stereo = ComponentNamed("stereo");
    std::optional<Component> component;
    component.emplace(library, stereo);
    const size_t presets = component->PresetNames().size();
    Progress progress("demo", frames * static_cast<int64_t>(presets), !a.quiet);
    for (size_t i = 0; i < presets; ++i) {
        // Every preset on a fresh component, as `velvane process --preset N` would run it.
        if (i > 0) component.emplace(library, stereo);
        Settings settings;
        settings.preset = std::to_string(i + 1);
        component->Apply(settings);
        const std::string& name = component->PresetNames()[i];
        progress.StartPart(frames * static_cast<int64_t>(i));
        AudioWriter writer((folder / FileName(i + 1, name)).string(), kChannels, kRate, SF_FORMAT_FLOAT);
        const Levels levels = Render(*component, {kChannels, kRate, SampleFormat::Float},
                                     std::make_shared<SignalSource>(signal), writer, kMaxBlockFrames, progress);
        writer.Commit();
        progress.Clear();
        std::printf("%zu\t%s\tpeak %s\tRMS %s\n", i + 1, name.c_str(), Decibels(levels.peak).c_str(),
                    Decibels(levels.rms).c_str());
        std::fflush(stdout);
    }
    if (!a.quiet)
        std::fprintf(stderr, "velvane: %zu presets rendered into %s/ (00-input.wav is the dry signal)\n", presets,
                     folder.string().c_str());
}

}  // namespace velvane_cli
