#!/usr/bin/env bash
# Replays the kept crash inputs, then fuzzes the loader from the seed corpus for about a minute.
# Usage: smoke.sh BUILD_DIR [SECONDS]. Exits non-zero when the fuzzer finds a crash or a leak.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:?usage: smoke.sh BUILD_DIR [SECONDS]}" && pwd)"
seconds="${2:-60}"
fuzzer="$build/tests/fuzz/fuzz_loader"
[ -x "$fuzzer" ] || { echo "missing $fuzzer (build target fuzz_loader)" >&2; exit 2; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus" "$build/fuzz-artifacts"

shopt -s nullglob
regressions=("$here"/regressions/*)
if [ ${#regressions[@]} -gt 0 ]; then
    "$fuzzer" "${regressions[@]}" >"$work/replay.log" 2>&1 ||
        { tail -n 40 "$work/replay.log"; exit 1; }
fi

# New inputs go to the scratch corpus; the committed seeds are read only.
"$fuzzer" "$work/corpus" "$here/corpus" \
    -dict="$here/mxp4.dict" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
    -max_len=65536 -print_final_stats=1 \
    -artifact_prefix="$build/fuzz-artifacts/" >"$work/fuzz.log" 2>&1 ||
    { tail -n 60 "$work/fuzz.log"; echo "crash input kept in $build/fuzz-artifacts" >&2; exit 1; }
grep -E "stat::number_of_executed_units|Done" "$work/fuzz.log" || true
