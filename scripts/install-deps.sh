#!/usr/bin/env bash
# Installs what the builds need on a Debian machine; quick when all is there.
#   install-deps.sh native   toolchain, GoogleTest, libsndfile, libebur128, the LV2 headers,
#                            lilv and the LV2 tools the bundle's tests run
#   install-deps.sh windows  the above, mingw-w64 for both targets, wine (32 and 64 bit),
#                            the GStreamer plug-ins Wine's WAVE parser needs, Xvfb,
#                            a Japanese font for the Japanese dialogs
#   install-deps.sh bench    sox and FFTW for the benchmarks, valgrind and perf for
#                            bench/profile.sh
#   install-deps.sh fuzz     clang and its libFuzzer runtime for the fuzz targets
set -euo pipefail
want=${1:-native}

native_pkgs=(build-essential cmake pkg-config libgtest-dev libsndfile1-dev libebur128-dev
  lv2-dev liblilv-dev lilv-utils sordi)
windows_pkgs=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686
  binutils-mingw-w64-x86-64 wine wine32:i386 wine64 xvfb xauth
  gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  imagemagick x11-apps fonts-dejavu-core fonts-ipafont-gothic)
bench_pkgs=(sox libfftw3-dev valgrind linux-perf)
fuzz_pkgs=(clang libclang-rt-dev)

pkgs=("${native_pkgs[@]}")
case "$want" in
  native) ;;
  windows) pkgs+=("${windows_pkgs[@]}") ;;
  bench) pkgs+=("${bench_pkgs[@]}") ;;
  fuzz) pkgs+=("${fuzz_pkgs[@]}") ;;
  *) echo "install-deps.sh: unknown set '$want'" >&2; exit 2 ;;
esac

missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo
if [ "$want" = windows ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
echo "installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
