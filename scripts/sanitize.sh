#!/usr/bin/env bash
# The native tests (the unit tests and those of the native tools) built with
# AddressSanitizer and UndefinedBehaviorSanitizer (build/native-asan, option
# TAPIVEX_SANITIZE) and run through ctest. Any report of either sanitizer ends
# the test that made it, and the script fails.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/native-asan
cmake -S . -B "$build" -DTAPIVEX_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
