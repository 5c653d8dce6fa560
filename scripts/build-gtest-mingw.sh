#!/usr/bin/env bash
# Cross-builds GoogleTest (and GoogleMock) for 32-bit Windows from the sources
# of Debian's googletest package into build/mingw-gtest, where the
# windows-x86 preset's toolchain file finds them. Does nothing when they are
# there already.
set -euo pipefail
cd "$(dirname "$0")/.."
prefix="$PWD/build/mingw-gtest"
if [ -f "$prefix/lib/libgtest.a" ] && [ -f "$prefix/lib/libgmock_main.a" ]; then
  exit 0
fi
work="$PWD/build/mingw-gtest-build"
rm -rf "$work"
cmake -S /usr/src/googletest -B "$work" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
  -Dgtest_disable_pthreads=OFF -DBUILD_GMOCK=ON >/dev/null
cmake --build "$work"
cmake --install "$work" >/dev/null
rm -rf "$work"
