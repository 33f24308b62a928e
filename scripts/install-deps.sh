#!/usr/bin/env bash
# Installs the Debian 12 packages Quillmoor needs to build, run and test, when any
# is missing. Idempotent; runs as root without prompts (or through sudo).
set -euo pipefail

PACKAGES=(
    build-essential cmake ninja-build ccache pkg-config clang libclang-rt-14-dev clang-format
    libgtest-dev libgmock-dev libbenchmark-dev
    libsqlite3-dev libcurl4-openssl-dev libboost-regex-dev libpcre2-dev libcpp-httplib-dev
    qt6-base-dev fonts-noto-cjk xvfb xauth
    nginx-light curl
)

missing=()
for pkg in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$pkg")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=()
[ "$(id -u)" -eq 0 ] || SUDO=(sudo)
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" apt-get update -qq
"${SUDO[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
# Debian's nginx package starts a server on port 80 when installed; Quillmoor's
# tests run their own nginx on loopback and do not need the system one.
