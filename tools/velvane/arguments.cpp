#include "tools/velvane/arguments.h"

#include <algorithm>
#include <string_view>

#include "platform/ascii.h"
#include "tools/velvane/errors.h"
#include "tools/velvane/text.h"

namespace velvane_cli {

namespace {

enum CommandBit : unsigned { kDemo = 1, kProcess = 2, kPresets = 4, kParams = 8, kRegister = 16, kHelp = 32 };

struct Command {
    const char* name;
    unsigned bit;
    size_t minOperands, maxOperands;
};
constexpr Command kCommands[] = {{"demo", kDemo, 0, 1},         {"process", kProcess, 2, 2},
                                 {"presets", kPresets, 0, 0},   {"params", kParams, 0, 0},
                                 {"register", kRegister, 0, 0}, {"unregister", kRegister, 0, 0},
                                 {"help", kHelp, 0, 0}};

struct Option {
    const char* name;
    bool takesValue;
    unsigned commands;
};
constexpr Option kOptions[] = {{"component", true, kProcess | kPresets | kParams},
                               {"preset", true, kProcess | kParams},
                               {"set", true, kProcess | kParams},
                               {"setup", true, kProcess | kParams},
                               {"tempo", true, kProcess | kParams},
                               {"format", true, kProcess},
                               {"block", true, kProcess},
                               {"quiet", false, kDemo | kProcess}};

const Command& CommandNamed(std::string_view name) {
    if (name == "--help" || name == "-h") name = "help";
    for (const Command& c : kCommands)
        if (name == c.name) return c;
    throw InputError("unknown command '" + std::string(name) + "' ('velvane help' lists them)");
}

const Option& OptionNamed(std::string_view name, const Command& command) {
    for (const Option& o : kOptions) {
        if (name != o.name) continue;
        if (!(o.commands & command.bit))
            throw InputError("--" + std::string(name) + " is not an option of '" + command.name + "'");
        return o;
    }
    throw InputError("unknown option '--" + std::string(name) + "' ('velvane help' lists them)");
}

bool LooksLikeSetting(std::string_view word) {
    return !word.starts_with("-") && word.find('=') != std::string_view::npos;
}

void Store(Arguments& a, std::string_view name, const std::string& value) {
    const auto bad = [&](const std::string& why) {
        return InputError("--" + std::string(name) + " " + value + ": " + why);
    };
    if (name == "component") {
        a.component = &ComponentNamed(value);
    } else if (name == "preset") {
        if (Trim(value).empty()) throw bad("no preset named");
        a.settings.preset = value;
    } else if (name == "set") {
        a.settings.sets.push_back(value);
    } else if (name == "setup") {
        if (platform::SameIgnoringAsciiCase(value, "A"))
            a.settings.setup = 0;
        else if (platform::SameIgnoringAsciiCase(value, "B"))
            a.settings.setup = 1;
        else
            throw bad("the setup is A or B");
    } else if (name == "tempo") {
        double bpm = 0;
        if (!ParseNumber(value, &bpm) || bpm <= 0) throw bad("the tempo is a number of beats per minute above 0");
        a.settings.tempo = bpm;
    } else if (name == "format") {
        if (value == "float")
            a.format = SampleFormat::Float;
        else if (value == "pcm16")
            a.format = SampleFormat::Pcm16;
        else
            throw bad("the format is float or pcm16");
    } else if (name == "block") {
        long long frames = 0;
        if (!ParseInteger(value, &frames) || frames < 1 || frames > kMaxBlockFrames)
            throw bad("the block is a number of frames from 1 to " + std::to_string(kMaxBlockFrames));
        a.blockFrames = static_cast<LONG>(frames);
    } else if (name == "quiet") {
        a.quiet = true;
    }
}

}  // namespace

Arguments ParseArguments(int argc, const char* const* argv) {
    if (argc < 2) throw InputError("no command given ('velvane help' lists them)");
    const Command& command = CommandNamed(argv[1]);
    Arguments a;
    a.command = command.name;
    std::vector<std::string_view> given;
    bool optionsEnd = false;
    for (int i = 2; i < argc; ++i) {
        const std::string_view word = argv[i];
        if (optionsEnd || !word.starts_with("-") || word == "-") {
            a.operands.emplace_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnd = true;
            continue;
        }
        if (!word.starts_with("--")) throw InputError("unknown option '" + std::string(word) + "'");
        const size_t equals = word.find('=');
        const std::string_view name = word.substr(2, equals == std::string_view::npos ? word.npos : equals - 2);
        const Option& option = OptionNamed(name, command);
        if (name != "set" && std::find(given.begin(), given.end(), name) != given.end())
            throw InputError("--" + std::string(name) + " is given twice");
        given.push_back(name);
        if (!option.takesValue) {
            if (equals != std::string_view::npos) throw InputError("--" + std::string(name) + " takes no value");
            Store(a, name, {});
            continue;
        }
        std::string value;
        if (equals != std::string_view::npos)
            value = word.substr(equals + 1);
        else if (i + 1 < argc)
            value = argv[++i];
        else
            throw InputError("--" + std::string(name) + " needs a value");
        Store(a, name, value);
        if (name == "set")
            while (i + 1 < argc && LooksLikeSetting(argv[i + 1])) a.settings.sets.emplace_back(argv[++i]);
    }
    if (a.operands.size() < command.minOperands || a.operands.size() > command.maxOperands) {
        if (command.bit == kProcess) throw InputError("'process' takes an input file and an output file");
        const std::string extra = a.operands.empty() ? std::string() : a.operands.back();
        throw InputError("'" + a.command + "' does not take '" + extra + "'");
    }
    return a;
}

void PrintUsage(std::FILE* to) {
    std::fputs(
        "usage: velvane COMMAND [OPTIONS]\n"
        "\n"
        "  demo [DIR]                  every factory preset on a built-in test signal, one WAV each\n"
        "                              in DIR (./velvane-demo), a line per preset: name, peak, RMS\n"
        "  process IN OUT              IN (any file libsndfile reads) through the plug-in into OUT (WAV)\n"
        "  presets                     the factory presets: number, tab, name\n"
        "  params                      the parameters: index, name, label, units, state, display text\n"
        "  register, unregister        the plug-in library in the registry\n"
        "\n"
        "options (process; presets and params take those that apply):\n"
        "  --component stereo|mono|ms  the component (stereo; ms is mono in, stereo out)\n"
        "  --preset NAME|NUMBER        a factory preset, loaded into the active setup\n"
        "  --set NAME=VALUE ...        a parameter (PARAM_ name or label) to a value as the editor\n"
        "                              shows it, or to state:N; applied in order, after the preset\n"
        "  --setup A|B                 the active setup (A)\n"
        "  --tempo BPM                 the host tempo (none)\n"
        "  --format float|pcm16        stream and write in this format (the input's)\n"
        "  --block FRAMES              frames per buffer the source delivers (8192)\n"
        "  --quiet                     no progress bar, no summary\n",
        to);
}

}  // namespace velvane_cli
