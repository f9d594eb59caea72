#!/usr/bin/env bash
# Builds the tests that run the link thread with ThreadSanitizer into build-tsan/
# and runs them: the link thread on its own, the session and the window driving it.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-tsan
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/scripts/tsan.supp"
export QT_QPA_PLATFORM=offscreen

# The flags are those of the tsan preset in CMakePresets.json.
cmake --preset tsan
cmake --build "$build" --target test_link test_session test_form
"$build/tests/link/test_link" --gtest_filter='LinkThread.*:CaptureStream.*'
"$build/tests/session/test_session" --gtest_filter='InstrumentSession.*'
"$build/tests/app/test_form" --gtest_filter='LinkOrder.*:CaptureTick.*:ScreenClick.Dumps*:HotPlug.APortLost*'
