// ns per frame of VelvaneProc and VelvaneProcMono in every kernel module, on the block the
// plug-in typically runs: 512 frames at 44.1 kHz, wet filter on, centre delay 2.2 ms, LFO at
// 0.2 Hz, feedback 0.5.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "Code/Native/VelvaneFunctions.h"
#include "platform/module.h"

namespace {

constexpr int32_t kBlockFrames = 512;
constexpr int32_t kDelayFrames = 32768;
constexpr int32_t kTableLength = 1024;

enum class Path { Stereo, MonoToStereo, Mono };

struct Scenario {
    std::vector<uint8_t> coefs = std::vector<uint8_t>(4 * kStereoCoefSlots);
    std::vector<uint8_t> state = std::vector<uint8_t>(4 * kStereoStateSlots);
    std::vector<float> line = std::vector<float>(2 * kDelayFrames);
    std::vector<float> table = std::vector<float>(kTableLength);
    ExternStruct externs[2] = {};
    std::vector<float> inFloat, outFloat;
    std::vector<int16_t> in16, out16;
    NordeSoundBuf in[2] = {}, out[2] = {};

    Scenario(Path path, int32_t format) {
        const double rate = 44100.0;
        for (int32_t k = 0; k < kTableLength; ++k)
            table[k] = static_cast<float>(std::sin(2.0 * M_PI * k / kTableLength));
        const int32_t centre = static_cast<int32_t>(0.0022 * rate);            // 97 frames
        const float taps[5] = {-0.0075f, 0.0268f, 0.1243f, 0.2207f, 0.2714f};  // a low-pass, quartered
        SetSlot(coefs.data(), COEF_LFO_TABLE_OFFSET, 0);
        SetSlot(coefs.data(), COEF_LFO_INDEX_MASK, kTableLength - 1);
        SetSlot(coefs.data(), COEF_LFO_HALF_STEP, static_cast<float>(0.2 * kTableLength / rate / 2.0));
        SetSlot(coefs.data(), COEF_DELAY_CENTER, centre);
        SetSlot(coefs.data(), COEF_DELAY_MASK, kDelayFrames - 1);
        SetSlot(coefs.data(), COEF_DEPTH, 0.9f);
        SetSlot(coefs.data(), COEF_FEEDBACK, 0.5f);
        SetSlot(coefs.data(), COEF_DRY_WRITE_OFFSET, 2 * centre + 2);
        SetSlot(coefs.data(), COEF_DRY_READ_OFFSET, 2 * centre + 2);
        SetSlot(coefs.data(), COEF_DRY_GAIN, 0.125f);
        for (int k = 0; k < 5; ++k) SetSlot(coefs.data(), COEF_WET_TAP_0_8 + k, taps[k]);
        SetSlot(coefs.data(), COEF_LFO_PHASE_OFFSET_R, kTableLength / 4);
        SetSlot(coefs.data(), COEF_DELAY_CENTER_R, centre);
        externs[kExternDelayLine].data = line.data();
        externs[kExternLfoTables].data = table.data();

        const int inChannels = path == Path::Stereo ? 2 : 1, outChannels = path == Path::Mono ? 1 : 2;
        inFloat.resize(inChannels * kBlockFrames);
        in16.resize(inFloat.size());
        for (size_t k = 0; k < inFloat.size(); ++k) {
            inFloat[k] = static_cast<float>(0.5 * std::sin(0.05 * k) + 0.25 * std::sin(0.31 * k));
            in16[k] = static_cast<int16_t>(inFloat[k] * 32767.0f);
        }
        outFloat.resize(outChannels * kBlockFrames);
        out16.resize(outFloat.size());
        void* inData = format == kSampleFloat32 ? static_cast<void*>(inFloat.data()) : in16.data();
        void* outData = format == kSampleFloat32 ? static_cast<void*>(outFloat.data()) : out16.data();
        const size_t sampleBytes = format == kSampleFloat32 ? 4 : 2;
        for (int c = 0; c < 2; ++c) {
            in[c] = {static_cast<char*>(inData) + (c % inChannels) * sampleBytes, inChannels, format, 0, 0};
            out[c] = {static_cast<char*>(outData) + (c % outChannels) * sampleBytes, outChannels, format, 0, 0};
        }
        inputs = inChannels;
        outputs = outChannels;
    }
    int32_t inputs = 0, outputs = 0;
};

void Run(benchmark::State& st, VelvaneProcessFn routine, Path path, int32_t format) {
    Scenario s(path, format);
    int32_t produced = 0;
    for (auto _ : st) {
        routine(s.in, s.inputs, kBlockFrames, s.out, s.outputs, &produced, s.coefs.data(), s.state.data(), s.externs,
                0);
        benchmark::ClobberMemory();
    }
    st.counters["ns_per_frame"] =
        benchmark::Counter(static_cast<double>(st.iterations()) * kBlockFrames,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}

std::vector<std::string> Split(const std::string& list) {
    std::vector<std::string> names;
    size_t start = 0;
    for (size_t comma; (comma = list.find(',', start)) != std::string::npos; start = comma + 1)
        names.push_back(list.substr(start, comma - start));
    names.push_back(list.substr(start));
    return names;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    static std::vector<platform::Library> modules;
    for (const std::string& name : Split(VELVANE_KERNEL_MODULES)) {
        const std::string path = std::string(VELVANE_KERNEL_DIR) + "/" + name + ".so";
        platform::Library module = platform::Library::Open(path);
        if (!module) {
            std::fprintf(stderr, "cannot load %s: %s\n", path.c_str(), platform::Library::LastError().c_str());
            return 1;
        }
        const auto stereo = reinterpret_cast<VelvaneProcessFn>(module.Symbol("VelvaneProc"));
        const auto mono = reinterpret_cast<VelvaneProcessFn>(module.Symbol("VelvaneProcMono"));
        const struct {
            const char* name;
            VelvaneProcessFn routine;
            Path path;
        } kPaths[] = {{"stereo_2to2", stereo, Path::Stereo},
                      {"stereo_1to2", stereo, Path::MonoToStereo},
                      {"mono_1to1", mono, Path::Mono}};
        for (int32_t format : {kSampleFloat32, kSampleInt16})
            for (const auto& p : kPaths) {
                const std::string label = name + "/" + p.name + (format == kSampleFloat32 ? "/float" : "/int16");
                // The machine is shared: the least of several runs is the figure least disturbed.
                benchmark::RegisterBenchmark(label.c_str(), Run, p.routine, p.path, format)
                    ->Repetitions(5)
                    ->ReportAggregatesOnly(true)
                    ->ComputeStatistics(
                        "min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });
            }
        modules.push_back(std::move(module));
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
