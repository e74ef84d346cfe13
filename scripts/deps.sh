#!/usr/bin/env bash
# Installs what building, playing and testing need, from Debian's packages,
# when something is missing. Without root it names the packages to install.
set -euo pipefail

packages=(cmake make g++ pkg-config libncurses-dev ncurses-base ncurses-term libgtest-dev libgmock-dev
          libbenchmark-dev tmux man-db groff-base dpkg-dev file)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    apt-get install -y -q --no-install-recommends "${missing[@]}"
else
    echo "Missing packages: ${missing[*]}" >&2
    echo "Install them with: sudo apt-get install ${missing[*]}" >&2
    exit 1
fi
