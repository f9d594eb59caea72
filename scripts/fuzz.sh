#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang++ into build-fuzz/ and runs each
# for FUZZ_SECONDS (default 60), all at once. Fails on any crash, leak, undefined
# behaviour, time-out or broken invariant, and leaves the input that caused it in
# build-fuzz/artifacts/. Prints each target's executions and coverage.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-60}"
build=build-fuzz
targets=(config capture sim_commands)
# Inputs large enough for two frames and the read sizes; short command streams.
declare -A maxLen=([config]=4096 [capture]=20000 [sim_commands]=1024)

# clang++ and the fuzzer runtime come from the packages of scripts/fuzz_packages.txt.
if ! command -v clang++ >/dev/null || ! compgen -G "/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a" >/dev/null; then
    bash scripts/install.sh scripts/fuzz_packages.txt
fi

# A folder once configured from fuzz/ as a project of its own is configured afresh
# from the top; its corpus and artifacts stay.
if grep -qs '^CMAKE_HOME_DIRECTORY:INTERNAL=.*/fuzz$' "$build/CMakeCache.txt"; then
    rm -rf "$build/CMakeCache.txt" "$build/CMakeFiles"
fi
cmake --preset fuzz
cmake --build "$build"

mkdir -p "$build/artifacts"
pids=()
for target in "${targets[@]}"; do
    # New inputs go to the working corpus; the seeds in fuzz/corpus/ stay as they are.
    mkdir -p "$build/corpus/$target"
    "$build/fuzz_$target" "$build/corpus/$target" "fuzz/corpus/$target" \
        -max_total_time="$seconds" -max_len="${maxLen[$target]}" -timeout=30 \
        -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" \
        >"$build/$target.log" 2>&1 &
    pids+=($!)
done

failed=0
passed=0
for i in "${!targets[@]}"; do
    target="${targets[$i]}"
    status=0
    wait "${pids[$i]}" || status=$?
    log="$build/$target.log"
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    last=$(grep -E '^#[0-9]+' "$log" | tail -1 || true)
    cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
    ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
    corp=$(sed -n 's/.* corp: \([^ ]*\).*/\1/p' <<<"$last")
    if [ "$status" -eq 0 ]; then
        passed=$((passed + 1))
        echo "fuzz $target: ok, ${runs:-?} executions in ${seconds} s, coverage ${cov:-?} edges, ${ft:-?} features, corpus ${corp:-?}"
    else
        failed=$((failed + 1))
        echo "fuzz $target: FAILED (exit $status) after ${runs:-?} executions; the last lines of $log:"
        tail -n 40 "$log"
        for artifact in "$build/artifacts/$target-"*; do
            if [ -e "$artifact" ]; then echo "reproduce: $build/fuzz_$target $artifact"; fi
        done
    fi
    echo "    $last"
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
