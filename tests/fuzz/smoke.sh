#!/usr/bin/env bash
# Replays the kept crash inputs, then fuzzes the loader from the seed corpus for about a minute,
# then the client's reply path (when built) for REPLY_SECONDS (default 20), then the stream
# player's input (when built) for STREAM_SECONDS (default 20).
# Usage: smoke.sh BUILD_DIR [SECONDS [REPLY_SECONDS [STREAM_SECONDS]]]. Exits non-zero when a
# fuzzer finds a crash or a leak.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:?usage: smoke.sh BUILD_DIR [SECONDS]}" && pwd)"
seconds="${2:-60}"
reply_seconds="${3:-20}"
stream_seconds="${4:-20}"
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

# The reply path: enciphered and plain replies, its own seeds and scratch corpus.
reply_fuzzer="$build/tests/fuzz/fuzz_reply"
if [ -x "$reply_fuzzer" ]; then
    mkdir -p "$work/corpus_reply"
    "$reply_fuzzer" "$work/corpus_reply" "$here/corpus_reply" \
        -max_total_time="$reply_seconds" -timeout=10 -rss_limit_mb=2048 -max_len=16384 \
        -print_final_stats=1 -artifact_prefix="$build/fuzz-artifacts/reply-" \
        >"$work/fuzz_reply.log" 2>&1 ||
        { tail -n 60 "$work/fuzz_reply.log"; echo "crash input kept in $build/fuzz-artifacts" >&2; exit 1; }
    grep -E "stat::number_of_executed_units|Done" "$work/fuzz_reply.log" || true
fi

# The stream player's input: downloaded bytes through the decoder, its own seeds.
stream_fuzzer="$build/tests/fuzz/fuzz_stream"
if [ -x "$stream_fuzzer" ]; then
    mkdir -p "$work/corpus_stream"
    "$stream_fuzzer" "$work/corpus_stream" "$here/corpus_stream" \
        -max_total_time="$stream_seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
        -print_final_stats=1 -artifact_prefix="$build/fuzz-artifacts/stream-" \
        >"$work/fuzz_stream.log" 2>&1 ||
        { tail -n 60 "$work/fuzz_stream.log"; echo "crash input kept in $build/fuzz-artifacts" >&2; exit 1; }
    grep -E "stat::number_of_executed_units|Done" "$work/fuzz_stream.log" || true
fi
