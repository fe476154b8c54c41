#!/usr/bin/env bash
# Builds and runs the tests: a normal build, an ASan+UBSan build, and a fuzzing smoke run.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

run_suite() { # dir, cmake args...
    local dir=$1; shift
    echo "== configure $dir"
    cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
    echo "== build $dir"
    cmake --build "$dir" -j "$jobs"
    echo "== test $dir"
    (cd "$dir" && ctest --output-on-failure -j "$jobs" --timeout 600)
}

run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo
run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DZEPHRUN_SANITIZE=ON -DZEPHRUN_BENCH=OFF

if command -v clang++ >/dev/null; then
    echo "== fuzz smoke run"
    cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
        -DZEPHRUN_FUZZ=ON -DZEPHRUN_BENCH=OFF >/dev/null
    cmake --build build-fuzz -j "$jobs" --target fuzz_loader fuzz_reply
    bash tests/fuzz/smoke.sh build-fuzz
fi
echo "== all tests passed"
