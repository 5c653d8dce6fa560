#!/usr/bin/env bash
# The main job: install what is missing, build the release configuration, and
# render the showcase (examples/showcase.json) on the built-in layer into a
# PNG whose path is printed on the last line. An argument names another output.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

bash scripts/install-deps.sh
cmake --preset release -DLUSTRE_BUILD_TESTS=OFF -DLUSTRE_BUILD_BENCH=OFF >/dev/null
cmake --build --preset release --target lustre-strand LustreStrand

output="${1:-$root/build/release/showcase.png}"
# The command prints the path of the PNG it wrote.
build/release/lustre-strand render --params examples/showcase.json --output "$output"
