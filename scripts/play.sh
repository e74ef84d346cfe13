#!/usr/bin/env bash
# Builds the suite and starts the menu, with every game of the build on the command path.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build/play -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKM_TESTS=OFF >/dev/null
cmake --build build/play -j"$(nproc)" >/dev/null
export PATH="$PWD/build/play/bin:$PATH"
exec kelmora
