#!/usr/bin/env bash
# Builds the whole test suite, window included, with AddressSanitizer and
# UndefinedBehaviorSanitizer into build-asan/ (benchmarks off) and runs it. Any
# memory error, leak of ours or undefined behaviour fails the run; leaks inside the
# system libraries Qt loads are listed in scripts/lsan.supp.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-asan
sanitize="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"

# The test executables are also run while building, to list their tests.
export ASAN_OPTIONS="detect_leaks=1:strict_init_order=1:check_initialization_order=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export QT_QPA_PLATFORM=offscreen

# -O1 and line tables only (-g1) keep the build quick and still give every frame
# of a report its file and line.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" -DCMAKE_CXX_FLAGS="$sanitize" \
    -DCMAKE_EXE_LINKER_FLAGS="$sanitize" -DDURUZ_BUILD_BENCH=OFF >/dev/null
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure --timeout 300 -j2
