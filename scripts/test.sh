#!/usr/bin/env bash
# Builds and runs the tests: a normal build, an ASan+UBSan build, a ThreadSanitizer build of the
# thread-heavy suites, and a fuzzing smoke run.
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

# Benchmarks are built by `make bench`, not here.
run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEPHRUN_BENCH=OFF
# Line tables are enough for the sanitizers' reports, and build faster than full debug information.
run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DZEPHRUN_SANITIZE=ON -DZEPHRUN_BENCH=OFF \
    -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DCMAKE_C_FLAGS_DEBUG=-g1

# ThreadSanitizer over the suites where threads meet: players and audio outputs, run loop, HTTP,
# notices, the feeds' refresh threads, the tour map's album loaders. Only those targets are built.
tsan_tests=(test_mxp4reader test_kt_audio_stream test_audio_output test_run_loop test_http
            test_notification_center test_paged_feed test_tour_tracker_bubble)
echo "== configure build-tsan"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEPHRUN_TSAN=ON \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" \
    -DZEPHRUN_BENCH=OFF >/dev/null
echo "== build build-tsan"
cmake --build build-tsan -j "$jobs" --target "${tsan_tests[@]}"
echo "== test build-tsan"
# Each suite runs from the build directory (the feeds' fixtures find the sources from there);
# any report fails the stage.
supp="$(pwd)/scripts/tsan.supp"
for t in "${tsan_tests[@]}"; do
    echo "-- $t"
    (cd build-tsan &&
        TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$supp" "tests/$t" \
            --gtest_brief=1 >"$t.log" 2>&1) || { tail -n 80 "build-tsan/$t.log"; exit 1; }
done

if command -v clang++ >/dev/null; then
    echo "== fuzz smoke run"
    cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
        -DZEPHRUN_FUZZ=ON -DZEPHRUN_BENCH=OFF >/dev/null
    cmake --build build-fuzz -j "$jobs" --target fuzz_loader fuzz_reply fuzz_stream
    bash tests/fuzz/smoke.sh build-fuzz
fi
echo "== all tests passed"
