#include "framework/sCONTROL_PARAM.h"

#include <cmath>
#include <limits>

namespace {

int32_t RoundToState(double x) noexcept {
    constexpr double kLowest = std::numeric_limits<int32_t>::min();
    constexpr double kHighest = std::numeric_limits<int32_t>::max();
    x = std::round(x);
    if (!(x >= kLowest)) return std::numeric_limits<int32_t>::min();  // NaN lands here too
    if (x > kHighest) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(x);
}

}  // namespace

int32_t sCONTROL_PARAM::GetNumStates() const noexcept {
    return scaleType == eScaleToggle ? static_cast<int32_t>(resolution) : 1001;
}

int32_t sCONTROL_PARAM::NormalizeState(int32_t state) const noexcept {
    if (scaleType != eScaleToggle) return state < 0 ? 0 : state > 1000 ? 1000 : state;
    const int32_t count = GetNumStates();
    const int32_t rest = state % count;
    return rest < 0 ? rest + count : rest;
}

// The formulas are evaluated exactly as written, in double precision: callers truncate results
// (delays in frames), so a rearranged expression would change them.
double sCONTROL_PARAM::StateToRealWorld(int32_t state) const noexcept {
    switch (scaleType) {
        case eScaleLogarithmic:
            return minimum * std::pow(maximum / minimum, state / 1000.0);
        case eScaleToggle:
            return minimum + state * (maximum - minimum) / (resolution - 1);
        case eScaleLinear:
            break;
    }
    return minimum + (maximum - minimum) * state / 1000.0;
}

int32_t sCONTROL_PARAM::RealWorldToState(double value) const noexcept {
    switch (scaleType) {
        case eScaleLogarithmic:
            return RoundToState(std::log(value / minimum) / std::log(maximum / minimum) * 1000.0);
        case eScaleToggle:
            return RoundToState((value - minimum) * (resolution - 1) / (maximum - minimum));
        case eScaleLinear:
            break;
    }
    return RoundToState((value - minimum) * 1000.0 / (maximum - minimum));
}

void sCONTROL_PARAM::UpdateRealWorldFromState(EPluginSetup setup) noexcept {
    if (HasFlag(eFlagRealWorldResolution) && RealWorldToState(realWorld_[setup]) == state_[setup]) return;
    realWorld_[setup] = StateToRealWorld(state_[setup]);
}

void sCONTROL_PARAM::UpdateStateFromRealWorld(EPluginSetup setup) noexcept {
    state_[setup] = NormalizeState(RealWorldToState(realWorld_[setup]));
}

int32_t sCONTROL_PARAM::GetResetState() const noexcept {
    return NormalizeState(resetIsState ? static_cast<int32_t>(resetValue) : RealWorldToState(resetValue));
}
