#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test:
#   1. the release build (gcc, -Werror): all tests (unit, threads, interop, slow);
#   2. AddressSanitizer + UndefinedBehaviorSanitizer (clang, with libFuzzer
#      coverage): unit tests, then each fuzz target for a bounded time;
#   3. ThreadSanitizer (clang): the tests of the threaded parts.
# Set MVD_FUZZ_SECONDS to change the time per fuzz target (default 60; the
# targets run two at a time, so the 11 targets take about 6 minutes).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
cd "$here"
jobs="$(nproc)"

bash scripts/install-deps.sh

start=$(date +%s)
step() { printf '\n==== %s (%ds so far) ====\n' "$*" "$(( $(date +%s) - start ))"; }

step "release build"
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=g++
cmake --build build/release -j "$jobs"
step "release tests"
(cd build/release && ctest --output-on-failure -j "$jobs")

step "ASan + UBSan build"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_C_COMPILER=clang -DMVD_SANITIZE=address -DMVD_BUILD_FUZZ=ON -DMVD_BUILD_BENCH=OFF \
  -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g"
cmake --build build/asan -j "$jobs"
step "ASan + UBSan unit tests"
(cd build/asan && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j "$jobs" -L '^(unit|threads)$')
step "fuzzing"
bash scripts/fuzz.sh build/asan "${MVD_FUZZ_SECONDS:-60}"

step "ThreadSanitizer build"
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_C_COMPILER=clang -DMVD_SANITIZE=thread -DMVD_BUILD_BENCH=OFF -DMVD_BUILD_TOOLS=OFF \
  -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g"
cmake --build build/tsan -j "$jobs" --target threads_tests
step "ThreadSanitizer tests"
(cd build/tsan && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -j "$jobs" -L threads)

step "all tests passed"
