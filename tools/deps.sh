#!/usr/bin/env bash
# Installs the Debian packages the program and its tests need, when any is missing.
set -euo pipefail
# libxlsxwriter-dev links with -lz but does not pull in zlib1g-dev. dpkg-dev and file: the Debian
# package (tools/package.sh) finds its run-time dependencies with dpkg-shlibdeps.
pkgs=(cmake ninja-build pkg-config g++ clang qt6-base-dev libgl-dev libgtest-dev libgmock-dev
      libhidapi-dev libusb-1.0-0-dev libqcustomplot-dev libxlsxwriter-dev libfftw3-dev libeigen3-dev libqt6sql6-sqlite libqt6sql6-psql qt6-svg-dev zlib1g-dev fonts-noto-cjk xvfb xauth
      libclang-rt-14-dev locales dpkg-dev file)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# The tests check that files and figures keep the decimal point under a locale that writes a
# decimal comma.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8 || echo "deps.sh: could not make the de_DE.UTF-8 locale" >&2
fi
