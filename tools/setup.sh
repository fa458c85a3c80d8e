#!/usr/bin/env bash
# tools/setup.sh [dist]: installs what the build and the tests need on Debian 12, and nothing
# that is already there. "dist" (make test, make dist) adds wixl, which builds the installer,
# osslsigncode, which signs the program and the installer, and openssl, with which the dist
# test makes its throwaway certificate.
set -eu
packages="mingw-w64 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools wine wine64 xvfb xauth
          fonts-noto-cjk locales cmake ninja-build googletest make
          dpkg-dev patch libheif-examples libvips-tools libimage-exiftool-perl"
if [ "${1:-}" = dist ]; then packages="$packages wixl osslsigncode openssl"; fi

sudo_cmd=""
if [ "$(id -u)" != 0 ]; then sudo_cmd="sudo"; fi

# npm fetches the prebuilt libvips below. Debian's npm only when there is no npm at all: a
# Node.js from elsewhere brings its own, and Debian's package would clash with it.
if ! command -v npm >/dev/null; then packages="$packages npm"; fi

missing=""
for p in $packages; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
if [ -n "$missing" ]; then
  echo "setup: installing$missing"
  $sudo_cmd apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -q --no-install-recommends $missing
fi

# Wine turns Japanese arguments and file names into '?' without a Japanese UTF-8 locale.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  echo "setup: generating the ja_JP.UTF-8 locale"
  if ! grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    echo 'ja_JP.UTF-8 UTF-8' | $sudo_cmd tee -a /etc/locale.gen >/dev/null
  fi
  $sudo_cmd locale-gen >/dev/null
fi

# libvips, its headers and its DLL, pinned and checked in tools/libvips/pins.
"$(dirname "$0")/fetch-libvips.sh" >/dev/null
# The HEIC decoder's two DLLs, built once from the Debian sources pinned in tools/heif/pins.
"$(dirname "$0")/fetch-heif.sh" >/dev/null
