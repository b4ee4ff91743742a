#!/usr/bin/env bash
# Installs what is missing, builds the launcher (Release) and runs it in workdir/.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
tools/install-deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release
cmake --build build/release -j "$(nproc)" --target varnoquelroadchaser
mkdir -p workdir
cd workdir
exec ../build/release/launcher/varnoquelroadchaser "$@"
