#!/usr/bin/env bash
# Runs what exists of the application: the reference content server with its demo content on
# http://127.0.0.1:8642/ (the address of the shipped configuration), the view toolkit's widget
# demo and the mix table's demo package.
#
#   with a display:  the widget demo in a window (SCALE=2 doubles it) while the mix plays
#   headless or CI:  the widget demo's pages rendered to out/uidemo-N.png, 30 s of the mix
#                    rendered to out/demo.wav, and the French news fetched from the server
#
# DEMO=ui runs only the widget demo, DEMO=mix only the mix (PACKAGE=home_2010 or home picks
# another built package).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
port=${PORT:-8642}
mkdir -p out

need() {
    if [ ! -x "$1" ]; then
        echo "run.sh: $1 is missing; build first (make build)" >&2
        exit 1
    fi
}

has_display() { [ -z "${CI:-}" ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; }
has_audio() { [ -z "${CI:-}" ] && "$build/tools/mxp4" play --check-device >/dev/null 2>&1; }

mix_package() {
    local pkg="$build/resources/${PACKAGE:-mxt_2010}.mxp4"
    if [ ! -f "$pkg" ]; then
        # The small synthesized package, when the demo packages were not built.
        pkg=out/demo.mxp4
        "$build/tools/mkdemo" "$pkg"
    fi
    echo "$pkg"
}

run_mix() {
    need "$build/tools/mxp4"
    local pkg
    pkg=$(mix_package)
    if has_audio; then
        echo "Playing $pkg (Ctrl-C to stop)"
        exec "$build/tools/mxp4" play "$pkg"
    fi
    "$build/tools/mxp4" render "$pkg" -o out/demo.wav --seconds 30
    echo "No audio device: rendered 30 seconds of $pkg to $(pwd)/out/demo.wav"
}

run_ui() {
    local uidemo="$build/tools/uidemo/uidemo"
    need "$uidemo"
    if has_display; then
        "$uidemo" --scale "${SCALE:-1}"
        return
    fi
    for page in 1 2 3 4; do
        "$uidemo" --headless "out/uidemo-$page.png" --page "$page" --scale "${SCALE:-1}" --advance 0.5
    done
    echo "No display: rendered the widget demo's pages to $(pwd)/out/uidemo-{1..4}.png"
}

case "${DEMO:-}" in
ui) run_ui; exit 0 ;;
mix) run_mix ;;
esac

# The reference server, unless one already answers on the port; stopped on exit.
need "$build/server/zephrun-server"
server_pid=""
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
    [ -n "${mix_pid:-}" ] && kill "$mix_pid" 2>/dev/null || true
}
trap cleanup EXIT
if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
    "$build/server/zephrun-server" --content resources/server \
        --media "$build/resources/server-media" --packages "$build/resources" \
        --port "$port" >out/server.log 2>&1 &
    server_pid=$!
    for _ in $(seq 50); do
        (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
        sleep 0.1
    done
    echo "Reference server on http://127.0.0.1:$port/ (log: out/server.log)"
fi

if has_display; then
    need "$build/tools/mxp4"
    pkg=$(mix_package)
    if has_audio; then
        "$build/tools/mxp4" play "$pkg" >/dev/null 2>&1 &
        mix_pid=$!
        echo "Playing $pkg"
    fi
    run_ui
    exit 0
fi

run_ui
need "$build/tools/mxp4"
pkg=$(mix_package)
"$build/tools/mxp4" render "$pkg" -o out/demo.wav --seconds 30
echo "No audio device: rendered 30 seconds of $pkg to $(pwd)/out/demo.wav"
if [ -x "$build/tools/ktclient" ]; then
    "$build/tools/ktclient" request "http://127.0.0.1:$port/" 105 num_page=1 >out/news-fr.xml
    echo "French news, page 1, from the reference server: $(grep -o '<new>' out/news-fr.xml | wc -l) items in out/news-fr.xml"
fi
