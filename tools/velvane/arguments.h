#pragma once
// The command line: a command, its operands and its options. Options may come anywhere after the
// command, as "--name VALUE" or "--name=VALUE"; "--" ends them. --set takes one NAME=VALUE, and
// the words after it that look like NAME=VALUE too; it may be given again. Any other option may
// be given once.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "tools/velvane/audio_file.h"
#include "tools/velvane/component.h"
#include "tools/velvane/plugin_library.h"

namespace velvane_cli {

inline constexpr LONG kDefaultBlockFrames = 8192;
inline constexpr LONG kMaxBlockFrames = 1 << 20;

struct Arguments {
    std::string command;  // demo, process, presets, params, register, unregister, help
    std::vector<std::string> operands;
    const ComponentKind* component = &kComponents[0];
    Settings settings;
    std::optional<SampleFormat> format;
    LONG blockFrames = kDefaultBlockFrames;
    bool quiet = false;
};

// InputError for an unknown command or option, an option the command does not take, a missing
// or malformed value, or the wrong number of operands.
Arguments ParseArguments(int argc, const char* const* argv);
void PrintUsage(std::FILE* to);

}  // namespace velvane_cli
