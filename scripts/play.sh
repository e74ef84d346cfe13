#!/usr/bin/env bash
# Builds the suite, showing the build's progress, and starts the menu, with
# every game of the build on the command path. A run with nothing to rebuild
# goes straight to the menu.
# usage: scripts/play.sh [--build-only]   (--build-only: build/play/bin, no menu)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh play
build=build/play
if [ ! -f "$build/configured" ]; then
    # Once only: later builds re-run CMake by themselves when a CMake file changes.
    echo "Configuring the build in $build (first run only)..."
    mkdir -p "$build"
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKM_TESTS=OFF > "$build/configure.log" 2>&1 ||
        { cat "$build/configure.log"; exit 1; }
    touch "$build/configured"
    echo "Building (about ten seconds on two cores)..."
fi
# Nothing to build when no file of the source tree changed since the last
# build: a glance at the tree is quicker than asking make about every target.
stamp="$build/built"
if [ ! -f "$stamp" ] || [ ! -x "$build/bin/kelmora" ] ||
   [ -n "$(find . \( -path ./build -o -path ./.git \) -prune -o -newer "$stamp" -print -quit)" ]; then
    # Taken before the build, so a file changed while it runs counts next time.
    touch "$stamp.new"
    # The build's own progress lines: [ 42%] Building CXX object ...
    cmake --build "$build" -j"$(nproc)"
    mv "$stamp.new" "$stamp"
fi
[ "${1:-}" != --build-only ] || exit 0
export PATH="$PWD/$build/bin:$PATH"
exec kelmora
