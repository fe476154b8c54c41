#!/usr/bin/env bash
# Runs the application: the reference content server with its demo content on
# http://127.0.0.1:8642/ (the address of the shipped configuration; a server already listening
# there is used instead), then Zephrun against it.
#
#   with a display:  zephrun in a window (SCALE=2 doubles it), the per-user data in the XDG data
#                    directory as an installed application keeps it
#   headless or CI:  zephrun --headless runs the demo tour (scripts/demo-tour.zephrun) from a
#                    first launch and writes its screenshots, audio and log to out/app/
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

app="$build/app/zephrun"
need "$app"
server_url="http://127.0.0.1:$port/"
if has_display; then
    echo "Zephrun in a window against $server_url (Escape or closing the window quits)"
    "$app" --scale "${SCALE:-1}" --server "$server_url"
    exit 0
fi

rm -rf out/app
mkdir -p out/app
# The picture the tour's photo report takes from the phone's album.
cp "$build/resources/server-media/photos/1002_01.jpg" out/app/report-photo.jpg
if ! "$app" --headless --seed 7 --lang fr --data-dir out/app/data --server "$server_url" \
    --script scripts/demo-tour.zephrun --out out/app; then
    echo "run.sh: the demo tour failed (see out/app/log.txt)" >&2
    exit 1
fi
echo "No display: Zephrun ran the demo tour headless from a first launch."
echo "  screenshots and view dumps: $(pwd)/out/app/*.png, *.json"
echo "  what it played:             $(pwd)/out/app/*.wav"
echo "  its log:                    $(pwd)/out/app/log.txt"
