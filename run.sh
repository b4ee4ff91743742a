#!/usr/bin/env bash
# Installs what is missing, builds a release build and runs the launcher.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
tools/install-deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release
cmake --build build/release -j "$(nproc)"
if [ -x build/release/launcher/varnoquelroadchaser ]; then
  mkdir -p workdir
  cd workdir
  exec ../build/release/launcher/varnoquelroadchaser "$@"
fi
echo "The launcher is not there yet: the engine libraries are built, there is nothing to run."
