#!/usr/bin/env bash
# Builds the whole test suite, window included, with AddressSanitizer and
# UndefinedBehaviorSanitizer into build-asan/ (benchmarks off) and runs it. Any
# memory error, leak of ours or undefined behaviour fails the run; leaks inside the
# system libraries Qt loads are listed in scripts/lsan.supp.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-asan

# The test executables are also run while building, to list their tests.
export ASAN_OPTIONS="detect_leaks=1:strict_init_order=1:check_initialization_order=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export QT_QPA_PLATFORM=offscreen

# The flags are those of the asan preset in CMakePresets.json.
cmake --preset asan
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure --timeout 300 -j2
