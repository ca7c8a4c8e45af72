#pragma once
// One component of the plug-in as the command line drives it: its factory presets
// (IStaticFilterPreset), its parameters (IVelvaneParameters) and the settings a run asks for.
//
// Settings apply in this order, to a component that starts fresh (setup A, no tempo): the host
// tempo, the active setup, the preset (loaded into the active setup), then every --set in the
// order given.
//
// A parameter is named by its PARAM_ name (any case) or by its label, blanks and tabs around it
// ignored: an exact label first, else a label that differs only in case. A name several
// parameters answer to ("Tape", "clip", "filter on/off") is refused, naming them.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/comptr.h"
#include "plugin/shell/interfaces/host_interfaces.h"
#include "tools/velvane/plugin_library.h"

namespace velvane_cli {

struct Settings {
    std::optional<double> tempo;        // beats per minute
    std::optional<LONG> setup;          // 0 = A, 1 = B
    std::optional<std::string> preset;  // a name, or a number as `velvane presets` lists it (from 1)
    std::vector<std::string> sets;      // NAME=VALUE; VALUE as the editor shows it, or state:N
};

class Component {
public:
    struct Param {
        LONG index;
        std::string name;
        std::string label;  // without the blanks and tabs around it
        std::string units;
        LONG states;  // 1001 for a continuous parameter
    };

    // InternalError when the library cannot make it or it lacks an interface.
    Component(const PlugInLibrary& library, const ComponentKind& kind);

    const ComponentKind& Kind() const noexcept { return kind_; }
    IUnknown* Object() const noexcept { return object_.get(); }
    // Menu order: preset number n is element n - 1.
    const std::vector<std::string>& PresetNames() const noexcept { return presets_; }
    const std::vector<Param>& Params() const noexcept { return params_; }
    // In the active setup.
    LONG State(LONG index) const;
    std::string Display(LONG index) const;

    // InputError for a preset or parameter the component does not have, a value it does not take
    // or a malformed NAME=VALUE; nothing after the failing setting is applied.
    void Apply(const Settings& settings);

private:
    LONG FindPreset(std::string_view text) const;
    const Param& FindParam(std::string_view name, std::string_view setting) const;
    LONG StateFor(const Param& param, std::string_view value, std::string_view setting) const;
    std::string Text(LONG index, LONG field) const;
    std::string StateText(LONG index, LONG state) const;
    // What a parameter takes, for messages: "0 to 100 %", "Off or On".
    std::string Takes(const Param& param) const;

    const ComponentKind& kind_;
    platform::Ref<IUnknown> object_;
    platform::Ref<IStaticFilterPreset> presetAccess_;
    platform::Ref<IVelvaneParameters> paramAccess_;
    std::vector<std::string> presets_;
    std::vector<Param> params_;
};

}  // namespace velvane_cli
