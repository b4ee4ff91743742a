#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UndefinedBehaviorSanitizer (warnings are
# errors), runs every test. CC/CXX choose the compiler; each compiler other than the default builds in
# its own folder, build/test-<compiler>.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
tools/install-deps.sh
build=build/test
if [ -n "${CXX:-}" ]; then build="build/test-$(basename "$CXX")"; fi
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DENGINE_SANITIZE=ON -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
cmake --build "$build" -j "$(nproc)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
