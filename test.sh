#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UndefinedBehaviorSanitizer, runs every test.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
tools/install-deps.sh
cmake -S . -B build/test -DCMAKE_BUILD_TYPE=Debug -DENGINE_SANITIZE=ON
cmake --build build/test -j "$(nproc)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build/test --output-on-failure -j "$(nproc)"
