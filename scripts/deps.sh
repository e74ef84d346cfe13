#!/usr/bin/env bash
# Installs, from Debian's packages, what a job needs when something is missing;
# without root it names the missing packages and stops.
# usage: scripts/deps.sh [play|test|bench|all]
#   play   building and playing (scripts/play.sh)
#   test   play, and the tests: the terminal harness, manual pages, the Debian
#          package and its checks (scripts/test.sh)
#   bench  play, and Google Benchmark (scripts/bench.sh)
#   all    every set; the default
set -euo pipefail

play=(cmake make g++ pkg-config libncurses-dev ncurses-base ncurses-term)
test=(libgtest-dev libgmock-dev tmux man-db groff-base dpkg-dev file binutils lintian desktop-file-utils)
bench=(libbenchmark-dev)

job=${1:-all}
case $job in
    play)  packages=("${play[@]}") what="build and play" ;;
    test)  packages=("${play[@]}" "${test[@]}") what="build and run every test" ;;
    bench) packages=("${play[@]}" "${bench[@]}") what="build and run the benchmarks" ;;
    all)   packages=("${play[@]}" "${test[@]}" "${bench[@]}") what="build, play, test and benchmark" ;;
    *) echo "usage: scripts/deps.sh [play|test|bench|all]" >&2; exit 2 ;;
esac

# One question to dpkg for all of them, so a run with nothing missing is quick.
installed=$(dpkg-query -W -f='${Package} ${Status}\n' "${packages[@]}" 2>/dev/null |
            awk '$NF == "installed" {print $1}' || true)
missing=()
for p in "${packages[@]}"; do
    grep -qx "$p" <<< "$installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
    echo "Installing what it takes to $what: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    apt-get install -y -q --no-install-recommends "${missing[@]}"
else
    echo "To $what, these Debian packages are missing: ${missing[*]}" >&2
    echo "Install them with: sudo apt-get install ${missing[*]}" >&2
    exit 1
fi
