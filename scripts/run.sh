#!/usr/bin/env bash
# Runs the demo: plays a mix package, or renders it to a WAV file where there is no audio device.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
for tool in mkdemo mxp4; do
    if [ ! -x "$build/tools/$tool" ]; then
        echo "run.sh: $build/tools/$tool is missing; build first (make build)" >&2
        exit 1
    fi
done
mkdir -p out
pkg=out/demo.mxp4
"$build/tools/mkdemo" "$pkg"
if [ -z "${CI:-}" ] && "$build/tools/mxp4" play --check-device >/dev/null 2>&1; then
    echo "Playing $pkg (Ctrl-C to stop)"
    exec "$build/tools/mxp4" play "$pkg"
fi
"$build/tools/mxp4" render "$pkg" -o out/demo.wav --seconds 30
echo "No audio device: rendered 30 seconds to $(pwd)/out/demo.wav"
