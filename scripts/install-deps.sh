#!/usr/bin/env bash
# Installs what the project needs from Debian's packages.
#   install-deps.sh          what building and rendering need (the main job)
#   install-deps.sh test     that, plus everything the tests, benchmarks and
#                            sanitizer/fuzz runs need (ffmpeg, melt, GStreamer,
#                            a one-node Slurm cluster and sshd for the farm tests, ...)
#                            and the 32-bit Windows cross-build with Wine to run it
# Idempotent: when every package is already there it returns without touching apt.
set -euo pipefail

build_packages=(
  cmake ninja-build g++ pkg-config
  nlohmann-json3-dev libcli11-dev
  libopenimageio-dev
  libavformat-dev libavcodec-dev libswscale-dev libavutil-dev libswresample-dev
  frei0r-plugins-dev
  libdeflate-dev
  libcpp-httplib-dev
)
test_packages=(
  clang llvm libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libpng-dev libcairo2-dev
  ffmpeg melt gstreamer1.0-tools gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  gstreamer1.0-plugins-bad
  parallel
  munge slurmctld slurmd slurm-client openssh-server openssh-client
  chromium
)
# The 32-bit Windows module: the mingw-w64 cross-compilers, GoogleTest's
# sources to cross-build it, and 32-bit Wine to run the tests.
windows_packages=(
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686 googletest
  wine wine32:i386
)

packages=("${build_packages[@]}")
if [ "${1:-}" = "test" ]; then packages+=("${test_packages[@]}" "${windows_packages[@]}"); fi
# Node.js and npm run the studio page's browser tests (with Chromium above); a
# machine that has its own Node.js build keeps it, since Debian's npm would
# conflict with it.
if [ "${1:-}" = "test" ] && ! command -v npm >/dev/null; then packages+=(nodejs npm); fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}" >&2
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
# wine32 is an i386 package: its architecture must be known before the update.
if printf '%s\n' "${missing[@]}" | grep -q ':i386$' &&
   ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
# A fresh machine's package lists may be missing or old; the install of
# ffmpeg, melt and GStreamer alone is a few hundred packages, so give it time.
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
