#!/usr/bin/env bash
# Runs the demo: plays the mix table's demo package, or renders it to a WAV file where there is
# no audio device. PACKAGE=home_2010 (or home) picks another built demo package.
# DEMO=ui shows the view toolkit's widget demo in a window instead (SCALE=2 doubles it), or
# renders it to out/uidemo.png where there is no display.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
if [ "${DEMO:-}" = ui ]; then
    uidemo="$build/tools/uidemo/uidemo"
    if [ ! -x "$uidemo" ]; then
        echo "run.sh: $uidemo is missing; build first (make build)" >&2
        exit 1
    fi
    if [ -z "${CI:-}" ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
        exec "$uidemo" --scale "${SCALE:-1}"
    fi
    mkdir -p out
    exec "$uidemo" --headless out/uidemo.png --scale "${SCALE:-1}" --advance 0.5
fi
if [ ! -x "$build/tools/mxp4" ]; then
    echo "run.sh: $build/tools/mxp4 is missing; build first (make build)" >&2
    exit 1
fi
mkdir -p out
pkg="$build/resources/${PACKAGE:-mxt_2010}.mxp4"
if [ ! -f "$pkg" ]; then
    # The small synthesized package, when the demo packages were not built.
    pkg=out/demo.mxp4
    "$build/tools/mkdemo" "$pkg"
fi
if [ -z "${CI:-}" ] && "$build/tools/mxp4" play --check-device >/dev/null 2>&1; then
    echo "Playing $pkg (Ctrl-C to stop)"
    exec "$build/tools/mxp4" play "$pkg"
fi
"$build/tools/mxp4" render "$pkg" -o out/demo.wav --seconds 30
echo "No audio device: rendered 30 seconds of $pkg to $(pwd)/out/demo.wav"
