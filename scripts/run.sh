#!/usr/bin/env bash
# Runs the demo: plays a mix package, or renders it to a WAV file where there is no audio device.
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p out
pkg=out/demo.mxp4
./build/tools/mkdemo "$pkg"
if [ -z "${CI:-}" ] && ./build/tools/mxp4 play "$pkg" --check-device 2>/dev/null; then
    echo "Playing $pkg (Ctrl-C to stop)"
    exec ./build/tools/mxp4 play "$pkg"
fi
./build/tools/mxp4 render "$pkg" -o out/demo.wav --seconds 30
echo "No audio device: rendered 30 seconds to $(pwd)/out/demo.wav"
