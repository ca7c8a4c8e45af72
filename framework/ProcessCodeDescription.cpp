#include "framework/ProcessCodeDescription.h"

#include "framework/FourCC.h"
#include "framework/TextNumbers.h"

namespace {

bool IsDefault(std::string_view id) noexcept {
    return id == "default_stereo" || id == "default_mono_to_stereo" || id == "default_mono" || id == "Empty_Final";
}

void ApplyDefault(std::string_view id, sPROCESS_CODE_DESCRIPTION& into) {
    if (id != "Empty_Final") into.maxSampleRate = 48000;
}

std::optional<int32_t> Count(const nrXML* element) noexcept {
    if (!element) return std::nullopt;
    const auto value = ParseInt32(element->GetValue());
    if (!value || *value < 0) return std::nullopt;
    return value;
}

// Adds one named description to the combination; false on anything it cannot read.
bool Apply(const nrXML& description, sPROCESS_CODE_DESCRIPTION& into) {
    for (const nrXML& item : description.GetChildren()) {
        const std::string& name = item.GetName();
        int32_t* scalar = name == "MaxSampleRate" ? &into.maxSampleRate
                          : name == "resID"       ? &into.resID
                          : name == "States"      ? &into.states
                          : name == "Coefs"       ? &into.coefs
                          : name == "CodeNum"     ? &into.codeNum
                                                  : nullptr;
        if (scalar) {
            const auto value = Count(&item);
            if (!value) return false;
            *scalar = *value;
        } else if (name == "CanRunOn") {
            const nrXML* processor = item.GetChild("ProcessorSpecific");
            const auto cycles = Count(item.GetChild("CycleCount"));
            if (!processor || !cycles) return false;
            into.canRunOn.push_back({std::string(TrimBlanks(processor->GetValue())), *cycles});
        } else if (name == "ExternalReq") {
            const nrXML* space = item.GetChild("memSpace");
            const auto memSpace = space ? ParseFourCC(space->GetValue()) : std::nullopt;
            const auto size = Count(item.GetChild("theSize"));
            const auto accesses = Count(item.GetChild("accessCount"));
            if (!memSpace || !size || *size == 0 || !accesses) return false;
            sEXT_BUFF buffer;
            buffer.size = *size;
            buffer.memSpace = *memSpace;
            buffer.accessCount = *accesses;
            buffer.cyclic = item.GetChild("cyclic") != nullptr;
            into.externals.push_back(buffer);
        } else {
            return false;
        }
    }
    return true;
}

const nrXML* FindMatch(const nrXML& root, uint32_t componentType, uint32_t hostKind) {
    for (const nrXML& component : root.GetChildren()) {
        const nrXML* type = component.GetChild("SubComponentType");
        if (component.GetName() != "SubComponent" || !type || ParseFourCC(type->GetValue()) != componentType) continue;
        for (const nrXML& match : component.GetChildren()) {
            if (match.GetName() != "ProcessCodeMatch") continue;
            for (const nrXML& kind : match.GetChildren())
                if (kind.GetName() == "thng" && ParseFourCC(kind.GetValue()) == hostKind) return &match;
        }
    }
    return nullptr;
}

}  // namespace

std::optional<sPROCESS_CODE_DESCRIPTION> ReadProcessCodeDescription(const nrXML& root, uint32_t componentType,
                                                                    uint32_t processCode) {
    if (root.GetName() != "ComponentDefinitions") return std::nullopt;
    const nrXML* match = FindMatch(root, componentType, processCode);
    if (!match) match = FindMatch(root, componentType, FourCC("pcDX"));
    if (!match) return std::nullopt;

    sPROCESS_CODE_DESCRIPTION combined;
    for (const nrXML& entry : match->GetChildren()) {
        if (entry.GetName() != "ProcessCodeDescriptionID") continue;
        const std::string_view id = TrimBlanks(entry.GetValue());
        const nrXML* found = nullptr;
        for (const nrXML& description : root.GetChildren()) {
            const char* name = description.GetAttrib("ID");
            if (description.GetName() != "ProcessCodeDescription" || !name || id != name) continue;
            if (found) return std::nullopt;  // defined twice
            found = &description;
        }
        if (found) {
            if (!Apply(*found, combined)) return std::nullopt;
        } else if (IsDefault(id)) {
            ApplyDefault(id, combined);
        } else {
            return std::nullopt;
        }
        const char* final = entry.GetAttrib("final");
        if (final && std::string_view(final) == "yes") break;
    }
    return combined;
}
