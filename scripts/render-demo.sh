#!/usr/bin/env bash
# The main job: install what is missing, build the release configuration, and
# render the showcase (examples/showcase.json) on the built-in layer into a
# PNG whose path is printed on the last line.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target lustre-strand LustreStrand

output="${1:-$root/build/release/showcase.png}"
build/release/lustre-strand render --params examples/showcase.json --output "$output" >/dev/null
echo "Rendered the showcase: $output"
echo "$output"
