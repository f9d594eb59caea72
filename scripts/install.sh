#!/usr/bin/env bash
# Installs the Debian packages of a list (scripts/packages.txt by default) that are not
# installed yet, with sudo when not root. Usage: install.sh [--no-recommends] [LIST]
set -euo pipefail
cd "$(dirname "$0")/.."

options=()
if [ "${1:-}" = --no-recommends ]; then
    options+=(--no-install-recommends)
    shift
fi
list="${1:-scripts/packages.txt}"

mapfile -t packages < <(grep -v '^\s*#' "$list" | grep -v '^\s*$')
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${options[@]}" "${missing[@]}"
fi
