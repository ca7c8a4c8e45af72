// velvane: the plug-in's command-line host. Exit status 0 on success, 2 for bad input, 1 when a
// call into the plug-in or the graph fails; a failure is one line on stderr.
#include <cstdio>
#include <new>

#include "tools/velvane/arguments.h"
#include "tools/velvane/commands.h"
#include "tools/velvane/errors.h"

namespace {

using namespace velvane_cli;

int Run(int argc, char** argv) {
    const Arguments a = ParseArguments(argc, argv);
    if (a.command == "help") {
        PrintUsage(stdout);
        return 0;
    }
    const PlugInLibrary library;  // outlives every object it makes
    if (a.command == "demo") {
        Demo(library, a);
    } else if (a.command == "process") {
        Process(library, a);
    } else if (a.command == "presets") {
        ListPresets(library, a);
    } else if (a.command == "params") {
        ListParams(library, a);
    } else if (a.command == "register") {
        library.Register();
        std::printf("registered %s\n", library.Path().c_str());
    } else {
        library.Unregister();
        std::printf("unregistered %s\n", library.Path().c_str());
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const InputError& e) {
        std::fprintf(stderr, "velvane: %s\n", e.what());
        return 2;
    } catch (const InternalError& e) {
        std::fprintf(stderr, "velvane: %s\n", e.what());
        return 1;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "velvane: out of memory\n");
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "velvane: %s\n", e.what());
        return 1;
    }
}
