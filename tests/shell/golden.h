#pragma once
// The recorded outputs that the Linux build and the Windows build in Wine's graph must both
// produce: testkit's signal through a component with its initial settings, 44100 Hz, as raw
// samples in tests/data/<name>.raw (the build copies them beside the test programs). Setting
// VELVANE_WRITE_GOLDEN to a folder makes the native test write them there instead of comparing.
#include <optional>
#include <string>
#include <vector>

#include "platform/environment.h"
#include "platform/module.h"
#include "tests/dshow/testkit.h"
#include "tests/support/files.h"

struct GoldenCase {
    const char* name;
    int row;  // of the component table: 3 stereo, 4 mono, 5 m/s (native)
    WORD channels;
    bool isFloat;
};

inline constexpr GoldenCase kGoldenCases[] = {{"stereo-pcm16", 3, 2, false},
                                              {"stereo-float", 3, 2, true},
                                              {"mono-pcm16", 4, 1, false},
                                              {"ms-pcm16", 5, 1, false},
                                              {"ms-float", 5, 1, true}};
inline constexpr size_t kGoldenFrames = 2205;

inline CMediaType GoldenInputType(const GoldenCase& c) { return testkit::AudioType(c.channels, 44100, c.isFloat); }
inline std::vector<BYTE> GoldenSignal(const GoldenCase& c) {
    return testkit::Signal(GoldenInputType(c), kGoldenFrames);
}

inline std::string GoldenFile(const GoldenCase& c) { return std::string(c.name) + ".raw"; }

inline std::vector<BYTE> ReadGolden(const GoldenCase& c) {
    const std::string folder = platform::JoinPath(platform::FolderOf(platform::ExecutablePath()), "data");
    const std::string bytes = ReadWholeFile(platform::JoinPath(folder, GoldenFile(c)));
    return {bytes.begin(), bytes.end()};
}

// True when the output was written as the new recording rather than compared.
inline bool WroteGolden(const GoldenCase& c, const std::vector<BYTE>& output) {
    const std::optional<std::string> folder = platform::GetEnvironment("VELVANE_WRITE_GOLDEN");
    if (!folder || folder->empty()) return false;
    WriteWholeFile(platform::JoinPath(*folder, GoldenFile(c)),
                   {reinterpret_cast<const char*>(output.data()), output.size()});
    return true;
}
