#include "tools/velvane/commands.h"

#include <cstdio>

#include "tools/velvane/errors.h"
#include "tools/velvane/render.h"
#include "tools/velvane/text.h"

namespace velvane_cli {

void Process(const PlugInLibrary& library, const Arguments& a) {
    const std::string& in = a.operands[0];
    const std::string& out = a.operands[1];
    AudioReader reader(in);
    const AudioInfo& info = reader.Info();
    const ComponentKind& kind = *a.component;
    if (info.channels != kind.inputs)
        throw InputError("'" + in + "' has " + std::to_string(info.channels) + " channels; the " + kind.name +
                         " component takes " + std::to_string(kind.inputs));
    const int subtype = OutputSubtype(info, kind.outputs, a.format);
    AudioWriter writer(out, kind.outputs, info.sampleRate, subtype);
    Component component(library, kind);
    component.Apply(a.settings);
    const StreamFormat stream{info.channels, info.sampleRate, a.format.value_or(info.stream)};
    Progress progress("processing", info.frames, !a.quiet);
    const Levels levels =
        Render(component, stream, std::make_shared<FileSource>(reader, stream.format), writer, a.blockFrames, progress);
    writer.Commit();
    progress.Clear();
    if (!a.quiet)
        std::printf("%s: %lld frames, %d %s, %s, %d Hz, peak %s, RMS %s\n", out.c_str(),
                    static_cast<long long>(levels.frames), kind.outputs, kind.outputs == 1 ? "channel" : "channels",
                    SubtypeName(subtype).c_str(), info.sampleRate, Decibels(levels.peak).c_str(),
                    Decibels(levels.rms).c_str());
}

void ListPresets(const PlugInLibrary& library, const Arguments& a) {
    const Component component(library, *a.component);
    const auto& names = component.PresetNames();
    for (size_t i = 0; i < names.size(); ++i) std::printf("%zu\t%s\n", i + 1, names[i].c_str());
}

void ListParams(const PlugInLibrary& library, const Arguments& a) {
    Component component(library, *a.component);
    component.Apply(a.settings);
    for (const Component::Param& p : component.Params())
        std::printf("%ld\t%s\t%s\t%s\t%ld\t%s\n", static_cast<long>(p.index), p.name.c_str(), p.label.c_str(),
                    p.units.c_str(), static_cast<long>(component.State(p.index)), component.Display(p.index).c_str());
}

}  // namespace velvane_cli
