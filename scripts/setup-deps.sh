#!/usr/bin/env bash
# Installs the Debian packages the project builds and runs with. Idempotent; quiet when all present.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev clang-tidy
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    libvorbisidec-dev libogg-dev libvorbis-dev
    libcurl4-openssl-dev libexpat1-dev nettle-dev
    libsdl2-dev libsdl2-ttf-dev libsdl2-image-dev libfontconfig-dev fonts-open-sans fonts-liberation2
    libavformat-dev libavcodec-dev libswresample-dev libswscale-dev libavutil-dev
    libcpp-httplib-dev libsqlite3-dev libstb-dev nlohmann-json3-dev
    libgif-dev fonts-dejavu-core
    libgeoclue-2-dev
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
