#!/usr/bin/env bash
# Checks that includes point down the layers, installs what is needed, builds, and
# runs every test. On CI (CI=true) the Debian package is then made, installed,
# started and removed (DURUZ_PACKAGE_TESTS=1 asks for that elsewhere). On CI, or
# with DURUZ_FULL_TESTS=1, the test suite then runs again under AddressSanitizer
# and UndefinedBehaviorSanitizer, the link thread's
# tests under ThreadSanitizer, and each fuzz target runs for a short while.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/check_layers.sh
bash scripts/install.sh
bash scripts/build.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure --timeout 300 -j2

if [ "${CI:-}" = true ] || [ "${DURUZ_PACKAGE_TESTS:-}" = 1 ]; then
    start=$SECONDS
    bash scripts/test-package.sh
    echo "Debian package: $((SECONDS - start)) s"
fi

if [ "${CI:-}" = true ] || [ "${DURUZ_FULL_TESTS:-}" = 1 ]; then
    start=$SECONDS
    bash scripts/sanitize.sh
    echo "sanitizer build and tests: $((SECONDS - start)) s"
    start=$SECONDS
    bash scripts/tsan.sh
    echo "thread sanitizer build and tests: $((SECONDS - start)) s"
    start=$SECONDS
    FUZZ_SECONDS="${FUZZ_SECONDS:-45}" bash scripts/fuzz.sh
    echo "fuzzing: $((SECONDS - start)) s"
fi
if [ "${CI:-}" = true ] || [ "${DURUZ_WINDOWS_TESTS:-}" = 1 ]; then bash scripts/test-windows.sh; fi
