#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the release
# build's tests, then all of them again under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the ones that render on several threads,
# frames or plug-in instances at once under ThreadSanitizer, and each fuzz
# target for a short run (LUSTRE_FUZZ_SECONDS, default 30); then the 32-bit
# Windows module and its tests, cross-built and run under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh test

cmake --preset release -DLUSTRE_BUILD_TESTS=ON -DLUSTRE_BUILD_BENCH=ON >/dev/null
cmake --build --preset release
ctest --preset release

cmake --preset sanitize >/dev/null
cmake --build --preset sanitize
ctest --preset sanitize

cmake --preset tsan >/dev/null
cmake --build --preset tsan
ctest --preset tsan

for target in $(ls fuzz/corpus); do
  bash scripts/fuzz.sh "$target" "${LUSTRE_FUZZ_SECONDS:-30}"
done

bash scripts/build-gtest-mingw.sh
cmake --preset windows-x86 >/dev/null
cmake --build --preset windows-x86
ctest --preset windows-x86
