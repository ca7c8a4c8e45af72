#pragma once
// Levels for meters: decibels to amplitude and the falling meter.
//
// [any thread] Plain functions; ReleaseVU's state belongs to the caller (one per meter).

// Amplitude of a level in decibels: 10^(dB / 20).
double DBToAmplitude(double dB) noexcept;

// The displayed level after a new reading: a reading at or above the display shows at once; below
// it the display holds for kReleaseHoldCalls calls, then falls by kReleaseFall per call (about
// 20 dB a second at the editor's 80 ms idle rate), never below the reading. `release` counts the
// calls since the last rise; a null `release` shows the reading as it is.
inline constexpr int kReleaseHoldCalls = 6;
inline constexpr double kReleaseFall = 0.831763771102671;  // -1.6 dB
double ReleaseVU(double level, double current, double* release) noexcept;
