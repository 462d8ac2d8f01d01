#!/usr/bin/env bash
# Runs the whole test suite built with AddressSanitizer and
# UndefinedBehaviorSanitizer (build-fuzz/, see scripts/sanitizer-build.sh).
# Any report of either sanitizer fails the test that caused it, and so the run.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/sanitizer-build.sh
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizer-suppressions.txt:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
ctest --test-dir build-fuzz --output-on-failure --parallel "$(nproc)" --timeout 900
