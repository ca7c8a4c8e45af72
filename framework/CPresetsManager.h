#pragma once
// Presets: the factory presets of resource XPST and the preset text (the same Preset element)
// that settings are saved in. A preset holds state lists in parameter order (-1: leave that
// parameter as it is), each for setup A, setup B or the active setup, and optionally exact
// real-world values for parameters whose value is not the plain value of their state.
//
// Preset element:
//   <Preset GenericType="FLNG" Name="…" [SubComp="FLNS,FLNX"]>
//     <PresetHeader><PluginName>…</PluginName><ReadOnly>true|false</ReadOnly></PresetHeader>
//     <PresetData>
//       <Parameters Type="States" [Setup="A|B"]>1000 445 …</Parameters>   (no Setup: active)
//       <RealWorld Setup="A|B" Index="1">0.333</RealWorld>
//     </PresetData>
//   </Preset>
//
// [the thread that changes parameters; callers serialise] No locking of its own.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "framework/nrXML.h"

struct sPRESET {
    static constexpr int32_t kActiveSetup = -1;
    struct States {
        int32_t setup = kActiveSetup;  // 0 = A, 1 = B, kActiveSetup
        std::vector<int32_t> values;   // parameter 0, 1, …
    };
    struct RealWorld {
        int32_t setup = 0;  // 0 = A, 1 = B
        int32_t index = 0;
        double value = 0;
    };
    uint32_t genericType = 0;
    std::string name;
    std::vector<uint32_t> components;  // offered to these component types; empty: to all
    std::vector<States> states;
    std::vector<RealWorld> realWorld;
};

// [any thread] A Preset element; nullopt when it is malformed.
std::optional<sPRESET> ReadPreset(const nrXML& element);
// [any thread] The Preset element of a preset (not read-only), without SubComp.
std::string WritePreset(const sPRESET& preset, const std::string& pluginName);

class CPresetsManager {
public:
    // Reads XPST's root element and keeps the presets of `genericType` that are offered to
    // `componentType`, in menu order. False, with nothing kept, when malformed.
    bool ReadFactoryPresets(const nrXML& root, uint32_t genericType, uint32_t componentType);

    int32_t GetFactoryPresetCount() const noexcept { return static_cast<int32_t>(factory_.size()); }
    // The preset's name; "" outside 0 … count - 1.
    const char* GetFactoryPresetName(int32_t index) const noexcept;
    // The preset; null outside 0 … count - 1.
    const sPRESET* GetFactoryPreset(int32_t index) const noexcept;

private:
    std::vector<sPRESET> factory_;
};
