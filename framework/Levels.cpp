#include "framework/Levels.h"

#include <cmath>

double DBToAmplitude(double dB) noexcept { return std::pow(10.0, dB / 20.0); }

double ReleaseVU(double level, double current, double* release) noexcept {
    if (!release || level >= current) {
        if (release) *release = 0;
        return level;
    }
    *release += 1;
    if (*release <= kReleaseHoldCalls) return current;
    const double fallen = current * kReleaseFall;
    return fallen > level ? fallen : level;
}
