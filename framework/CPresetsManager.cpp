#include "framework/CPresetsManager.h"

#include <algorithm>

#include "framework/FourCC.h"
#include "framework/TextNumbers.h"

namespace {

std::optional<int32_t> SetupOf(const char* text) noexcept {
    if (!text) return std::nullopt;
    const std::string_view setup = TrimBlanks(text);
    if (setup == "A") return 0;
    if (setup == "B") return 1;
    return std::nullopt;
}

void AppendEscaped(std::string& out, std::string_view text) {
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
}

}  // namespace

std::optional<sPRESET> ReadPreset(const nrXML& element) {
    if (element.GetName() != "Preset") return std::nullopt;
    sPRESET preset;
    const char* generic = element.GetAttrib("GenericType");
    const auto genericType = generic ? ParseFourCC(generic) : std::nullopt;
    const char* name = element.GetAttrib("Name");
    if (!genericType || !name) return std::nullopt;
    preset.genericType = *genericType;
    preset.name = name;
    if (const char* components = element.GetAttrib("SubComp")) {
        std::string_view rest = components;
        for (;;) {
            const size_t comma = rest.find(',');
            const auto type = ParseFourCC(rest.substr(0, comma));
            if (!type) return std::nullopt;
            preset.components.push_back(*type);
            if (comma == std::string_view::npos) break;
            rest.remove_prefix(comma + 1);
        }
    }
    const nrXML* data = element.GetChild("PresetData");
    if (!data) return std::nullopt;
    for (const nrXML& item : data->GetChildren()) {
        if (item.GetName() == "Parameters") {
            const char* type = item.GetAttrib("Type");
            const char* setupText = item.GetAttrib("Setup");
            const auto setup = setupText ? SetupOf(setupText) : std::optional<int32_t>(sPRESET::kActiveSetup);
            auto values = ParseInt32List(item.GetValue());
            if (!type || std::string_view(type) != "States" || !setup || !values) return std::nullopt;
            preset.states.push_back({*setup, std::move(*values)});
        } else if (item.GetName() == "RealWorld") {
            const auto setup = SetupOf(item.GetAttrib("Setup"));
            const char* indexText = item.GetAttrib("Index");
            const auto index = indexText ? ParseInt32(indexText) : std::nullopt;
            const auto value = ParseFiniteDouble(item.GetValue());
            if (!setup || !index || *index < 0 || !value) return std::nullopt;
            preset.realWorld.push_back({*setup, *index, *value});
        } else {
            return std::nullopt;
        }
    }
    return preset;
}

std::string WritePreset(const sPRESET& preset, const std::string& pluginName) {
    const char generic[5] = {static_cast<char>(preset.genericType >> 24), static_cast<char>(preset.genericType >> 16),
                             static_cast<char>(preset.genericType >> 8), static_cast<char>(preset.genericType), '\0'};
    std::string text = "<Preset GenericType=\"";
    AppendEscaped(text, generic);
    text += "\" Name=\"";
    AppendEscaped(text, preset.name);
    text += "\">\n  <PresetHeader><PluginName>";
    AppendEscaped(text, pluginName);
    text += "</PluginName><ReadOnly>false</ReadOnly></PresetHeader>\n  <PresetData>\n";
    for (const sPRESET::States& list : preset.states) {
        text += "    <Parameters Type=\"States\"";
        if (list.setup != sPRESET::kActiveSetup) text += list.setup == 0 ? " Setup=\"A\"" : " Setup=\"B\"";
        text += ">";
        for (size_t i = 0; i < list.values.size(); ++i) {
            if (i) text += ' ';
            text += std::to_string(list.values[i]);
        }
        text += "</Parameters>\n";
    }
    for (const sPRESET::RealWorld& value : preset.realWorld) {
        text += value.setup == 0 ? "    <RealWorld Setup=\"A\" Index=\"" : "    <RealWorld Setup=\"B\" Index=\"";
        text += std::to_string(value.index) + "\">" + FormatDouble(value.value) + "</RealWorld>\n";
    }
    text += "  </PresetData>\n</Preset>\n";
    return text;
}

bool CPresetsManager::ReadFactoryPresets(const nrXML& root, uint32_t genericType, uint32_t componentType) {
    factory_.clear();
    if (root.GetName() != "PresetXMLTree") return false;
    std::vector<sPRESET> offered;
    for (const nrXML& element : root.GetChildren()) {
        auto preset = ReadPreset(element);
        if (!preset) return false;
        const bool forComponent =
            preset->components.empty() ||
            std::find(preset->components.begin(), preset->components.end(), componentType) != preset->components.end();
        if (preset->genericType == genericType && forComponent) offered.push_back(std::move(*preset));
    }
    factory_ = std::move(offered);
    return true;
}

const char* CPresetsManager::GetFactoryPresetName(int32_t index) const noexcept {
    const sPRESET* preset = GetFactoryPreset(index);
    return preset ? preset->name.c_str() : "";
}

const sPRESET* CPresetsManager::GetFactoryPreset(int32_t index) const noexcept {
    if (index < 0 || index >= GetFactoryPresetCount()) return nullptr;
    return &factory_[static_cast<size_t>(index)];
}
