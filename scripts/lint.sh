#!/usr/bin/env bash
# `make lint`: the committed .clang-tidy over every C++ source of the tree, through the compile
# commands of the build directory (configured if needed). Exits non-zero on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD:-build}"
jobs="${JOBS:-$(nproc)}"
if [ ! -f "$build/compile_commands.json" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
tidy="$(command -v run-clang-tidy || command -v run-clang-tidy-14)"
layers="engine|platform|client|feeds|player|app|server|tools|tests|bench"
start=$(date +%s)
status=0
"$tidy" -p "$build" -j "$jobs" -quiet "$PWD/($layers)/" || status=$?
echo "== lint: $(( $(date +%s) - start )) s, $([ $status -eq 0 ] && echo clean || echo findings above)"
exit $status
