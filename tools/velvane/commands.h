#pragma once
// The commands: each prints its results on stdout and throws InputError or InternalError.
#include "tools/velvane/arguments.h"
#include "tools/velvane/plugin_library.h"

namespace velvane_cli {

void Demo(const PlugInLibrary& library, const Arguments& arguments);
void Process(const PlugInLibrary& library, const Arguments& arguments);
void ListPresets(const PlugInLibrary& library, const Arguments& arguments);
void ListParams(const PlugInLibrary& library, const Arguments& arguments);

}  // namespace velvane_cli
