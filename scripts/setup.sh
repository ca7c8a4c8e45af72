#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need (as root); skips what is installed.
# Usage: scripts/setup.sh [build|test]   (build: what the main job needs; test: everything)
set -euo pipefail
build_pkgs=(cmake make g++ libgtest-dev googletest libbenchmark-dev librapidxml-dev libsndfile1-dev pkg-config)
test_pkgs=(g++-mingw-w64-x86-64 wine64 wine xvfb xauth gstreamer1.0-plugins-base gstreamer1.0-plugins-good sox)
pkgs=("${build_pkgs[@]}")
[ "${1:-test}" = test ] && pkgs+=("${test_pkgs[@]}")
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}" >&2
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
fi
