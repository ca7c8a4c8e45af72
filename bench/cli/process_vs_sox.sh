#!/usr/bin/env bash
# velvane process against sox's flanger on the same 10-minute stereo float WAV, in the same run:
# wall time, best of three each. Usage: bench/cli/process_vs_sox.sh [BUILD_DIR]   (build)
set -euo pipefail
cd "$(dirname "$0")/../.."
velvane=${1:-build}/bin/velvane
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export VELVANE_REGISTRY=$work/registry.reg

# Ten minutes of program-like material: a chord and pink noise, 44.1 kHz, 32-bit float.
sox -n -r 44100 -c 2 -b 32 -e floating-point "$work/in.wav" \
  synth 600 pinknoise synth 600 sine mix 220 sine mix 330 vol 0.4
"$velvane" register > /dev/null

# Seconds taken by the command, from bash's own clock.
seconds() {
  local start=$EPOCHREALTIME
  "$@" > /dev/null
  awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.3f\n", b - a }'
}
best() { for _ in 1 2 3; do seconds "$@"; done | sort -n | head -1; }

copy=$(best sox "$work/in.wav" "$work/copy.wav")
velvane_s=$(best "$velvane" process "$work/in.wav" "$work/velvane.wav" --preset "Classic phaser" --quiet)
sox_s=$(best sox "$work/in.wav" "$work/sox.wav" flanger)
echo "10-minute stereo 32-bit float WAV at 44.1 kHz, wall time, best of 3"
printf '  %-44s %7.3f s\n' "sox IN OUT (file I/O only)" "$copy" \
  "velvane process IN OUT --preset \"Classic phaser\"" "$velvane_s" "sox IN OUT flanger" "$sox_s"
awk -v v="$velvane_s" -v s="$sox_s" 'BEGIN { printf "  velvane / sox = %.2f (target: at most 0.50)\n", v / s }'
