#pragma once
// sCONTROL_PARAM: one parameter of the algorithm, built from its row of the parameter table
// (resource XPRM): the scale and its conversions between states and real-world values, the two
// setups' states and values, flags, the refresh mark and the icon.
//
// [the thread that changes parameters; callers serialise] No locking of its own.
//
// States: a linear or logarithmic parameter has the 1001 states 0..1000 whatever its resolution;
// a toggle has `resolution` states 0..N-1. A stored state is always in range: toggles reduce it
// modulo N, the others clamp it. The conversions themselves neither clamp nor round to the
// resolution grid.
#include <cstdint>
#include <string>

#include "framework/DisplayFunctions.h"

enum EPluginSetup : int32_t { eSetupA = 0, eSetupB = 1 };

enum EScaleType : int32_t { eScaleLinear = 0, eScaleLogarithmic = 1, eScaleToggle = 2 };

enum EParamFlag : uint32_t {
    eFlagRealWorldResolution = 1,  // keep a real-world value that still converts to the state
    eFlagNotSavable = 2,           // left out of saved settings and presets
    eFlagAlwaysUpdate = 4,         // an unchanged state still reaches the change handler
};

enum ERefreshMark : int32_t { eRefreshNone = 0, eRefreshRedraw = 2, eRefreshChanged = 3 };

struct sCONTROL_PARAM {
    // The table row.
    std::string name;   // "PARAM_DEPTH"
    std::string label;  // as the table holds it, blanks and tabs included
    std::string units;
    EScaleType scaleType = eScaleLinear;
    double minimum = 0;
    double maximum = 1;
    double resolution = 1;
    bool resetIsState = false;  // the reset value is a state rather than a real-world value
    double resetValue = 0;
    int32_t initialState = 0;  // also the default state (neutral value, read-out at rest)
    uint32_t flags = 0;
    DisplayFunction display = nullptr;  // null: the text stays empty

    int32_t refreshMark = eRefreshNone;  // ERefreshMark
    void* icon = nullptr;                // the bitmap frame a read-out shows; not owned

    bool HasFlag(EParamFlag flag) const noexcept { return (flags & flag) != 0; }
    // 1001 for linear and logarithmic parameters, the toggle's state count otherwise.
    int32_t GetNumStates() const noexcept;
    // The state brought into range (toggle: modulo N, a negative state counted back from N;
    // others: clamped to 0..1000).
    int32_t NormalizeState(int32_t state) const noexcept;

    // Unclamped conversions. Real-world to state rounds to the nearest state (halves away from
    // zero); a value beyond the scale gives a state beyond the range (saturated to 32 bits; NaN
    // and values below the logarithmic scale's zero give INT32_MIN).
    double StateToRealWorld(int32_t state) const noexcept;
    int32_t RealWorldToState(double value) const noexcept;

    int32_t GetState(EPluginSetup setup) const noexcept { return state_[setup]; }
    double GetRealWorld(EPluginSetup setup) const noexcept { return realWorld_[setup]; }
    // Stores the state, brought into range; the real-world value is left as it is.
    void SetState(EPluginSetup setup, int32_t state) noexcept { state_[setup] = NormalizeState(state); }
    // Stores the real-world value; the state is left as it is.
    void SetRealWorld(EPluginSetup setup, double value) noexcept { realWorld_[setup] = value; }
    // The real-world value of the stored state. With eFlagRealWorldResolution the current value
    // stays while it still converts to the stored state.
    void UpdateRealWorldFromState(EPluginSetup setup) noexcept;
    // The stored state of the current real-world value (brought into range).
    void UpdateStateFromRealWorld(EPluginSetup setup) noexcept;

    int32_t GetDefaultState() const noexcept { return initialState; }
    // The state that resetting the parameter restores.
    int32_t GetResetState() const noexcept;

private:
    int32_t state_[2] = {0, 0};
    double realWorld_[2] = {0, 0};
};
