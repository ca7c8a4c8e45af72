#include "tools/velvane/component.h"

#include <algorithm>

#include "platform/ascii.h"
#include "tools/velvane/errors.h"
#include "tools/velvane/text.h"

namespace velvane_cli {

namespace {

constexpr LONG kTextBytes = 256;
constexpr LONG kNameChars = 256;

template <class I>
platform::Ref<I> Face(IUnknown* object, REFIID iid, const char* name) {
    platform::Ref<I> face;
    Check(object->QueryInterface(iid, face.put_void()), std::string("asking the component for ") + name);
    return face;
}

}  // namespace

Component::Component(const PlugInLibrary& library, const ComponentKind& kind)
    : kind_(kind),
      object_(library.Create(kind)),
      presetAccess_(Face<IStaticFilterPreset>(object_.get(), IID_IStaticFilterPreset, "IStaticFilterPreset")),
      paramAccess_(Face<IVelvaneParameters>(object_.get(), IID_IVelvaneParameters, "IVelvaneParameters")) {
    LONG count = 0;
    Check(presetAccess_->GetPresetCount(&count), "counting the factory presets");
    for (LONG i = 0; i < count; ++i) {
        WCHAR name[kNameChars];
        if (presetAccess_->GetPresetName(i, name, kNameChars) != S_OK)
            throw InternalError("reading the name of factory preset " + std::to_string(i + 1), E_FAIL);
        presets_.push_back(Utf8FromWide(name));
    }
    Check(paramAccess_->GetParamCount(&count), "counting the parameters");
    for (LONG i = 0; i < count; ++i) {
        Param p{i, Text(i, kParamName), std::string(Trim(Text(i, kParamLabel))), Text(i, kParamUnits), 0};
        Check(paramAccess_->GetStateCount(i, &p.states), "reading the states of " + p.name);
        params_.push_back(std::move(p));
    }
}

std::string Component::Text(LONG index, LONG field) const {
    char text[kTextBytes];
    Check(paramAccess_->GetParamText(index, field, text, kTextBytes),
          "reading a text of parameter " + std::to_string(index));
    return Utf8FromAnsi(text);
}

std::string Component::StateText(LONG index, LONG state) const {
    char text[kTextBytes];
    Check(paramAccess_->GetStateText(index, state, text, kTextBytes),
          "reading a display text of parameter " + std::to_string(index));
    return Utf8FromAnsi(text);
}

LONG Component::State(LONG index) const {
    LONG state = 0;
    Check(paramAccess_->GetParamState(index, &state), "reading the state of parameter " + std::to_string(index));
    return state;
}

std::string Component::Display(LONG index) const { return Text(index, kParamDisplay); }

void Component::Apply(const Settings& settings) {
    if (settings.tempo) Check(paramAccess_->SetTempo(*settings.tempo), "setting the tempo");
    if (settings.setup) Check(paramAccess_->SetActiveSetup(*settings.setup), "choosing the setup");
    if (settings.preset) Check(presetAccess_->SelectPreset(FindPreset(*settings.preset)), "selecting the preset");
    for (const std::string& setting : settings.sets) {
        const size_t equals = setting.find('=');
        if (equals == std::string::npos) throw InputError("--set " + setting + ": expected NAME=VALUE");
        const Param& param = FindParam(setting.substr(0, equals), setting);
        const LONG state = StateFor(param, std::string_view(setting).substr(equals + 1), setting);
        Check(paramAccess_->SetParamState(param.index, state), "setting " + param.name);
    }
}

LONG Component::FindPreset(std::string_view text) const {
    const auto count = static_cast<long long>(presets_.size());
    const std::string list = std::string(" ('velvane presets --component ") + kind_.option + "' lists them)";
    long long number = 0;
    if (ParseInteger(text, &number)) {
        if (number < 1 || number > count)
            throw InputError("there is no preset " + std::string(text) + ": the " + kind_.name + " component has " +
                             std::to_string(count) + list);
        return static_cast<LONG>(number - 1);
    }
    for (LONG i = 0; i < count; ++i)
        if (presets_[static_cast<size_t>(i)] == text) return i;
    for (LONG i = 0; i < count; ++i)
        if (platform::SameIgnoringAsciiCase(presets_[static_cast<size_t>(i)], Trim(text))) return i;
    throw InputError("unknown preset '" + std::string(text) + "' for the " + kind_.name + " component" + list);
}

const Component::Param& Component::FindParam(std::string_view name, std::string_view setting) const {
    const std::string_view wanted = Trim(name);
    for (const Param& p : params_)
        if (platform::SameIgnoringAsciiCase(p.name, wanted)) return p;
    std::vector<const Param*> found;
    for (const Param& p : params_)
        if (p.label == wanted) found.push_back(&p);
    if (found.empty())
        for (const Param& p : params_)
            if (platform::SameIgnoringAsciiCase(p.label, wanted)) found.push_back(&p);
    if (found.size() == 1) return *found.front();
    const std::string prefix = "--set " + std::string(setting) + ": ";
    if (found.empty())
        throw InputError(prefix + "unknown parameter '" + std::string(name) + "' ('velvane params' lists them)");
    std::string candidates;
    for (size_t i = 0; i < found.size(); ++i)
        candidates += (i == 0 ? "" : i + 1 == found.size() ? " and " : ", ") + found[i]->name;
    throw InputError(prefix + "'" + std::string(wanted) + "' is the label of " + candidates + "; name one of them");
}

std::string Component::Takes(const Param& param) const {
    if (param.states == 1001) {
        std::string range = StateText(param.index, 0) + " to " + StateText(param.index, 1000);
        return param.units.empty() ? range : range + " " + param.units;
    }
    std::vector<std::string> shown;
    for (LONG s = 0; s < param.states; ++s) shown.push_back(StateText(param.index, s));
    const bool blank = std::all_of(shown.begin(), shown.end(), [](const std::string& t) { return t.empty(); });
    if (blank) return "0 to " + std::to_string(param.states - 1);
    std::string choices;
    for (size_t i = 0; i < shown.size(); ++i)
        choices += (i == 0 ? "" : i + 1 == shown.size() ? " or " : ", ") + shown[i];
    return choices;
}

LONG Component::StateFor(const Param& param, std::string_view value, std::string_view setting) const {
    const std::string prefix = "--set " + std::string(setting) + ": ";
    const std::string_view typed = Trim(value);
    if (typed.empty()) throw InputError(prefix + "no value given");
    if (typed.starts_with("state:")) {
        long long state = 0;
        if (!ParseInteger(typed.substr(6), &state) || state < 0 || state >= param.states)
            throw InputError(prefix + param.label + " has the states 0 to " + std::to_string(param.states - 1));
        return static_cast<LONG>(state);
    }
    // The editor reads a text without a leading number as 0; here that is a mistake to report.
    if (param.states == 1001) {
        const char c = typed[typed[0] == '-' || typed[0] == '+' ? std::min<size_t>(1, typed.size() - 1) : 0];
        if (!(c >= '0' && c <= '9') && c != '.')
            throw InputError(prefix + "'" + std::string(typed) + "' is not a number");
    }
    LONG state = -1;
    const std::string text(typed);
    const HRESULT hr = paramAccess_->StateFromText(param.index, text.c_str(), &state);
    Check(hr, "reading a value of " + param.name);
    if (hr != S_OK) throw InputError(prefix + param.label + " takes " + Takes(param));
    return state;
}

}  // namespace velvane_cli
