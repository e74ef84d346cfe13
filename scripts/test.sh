#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
cmake -S . -B build/test -DCMAKE_BUILD_TYPE=Debug -DKM_SANITIZE=ON -DKM_TESTS=ON
cmake --build build/test -j"$(nproc)"
ctest --test-dir build/test --output-on-failure -j4
