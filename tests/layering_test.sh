#!/usr/bin/env bash
# Includes point down the layers: the effect's folders from the top
# (shell) to the host interface, and every front-end a host that reaches the
# effect only by loading the module. A file that includes against the arrows
# fails this check, with its line.
# Usage: layering_test.sh SOURCE_DIR
set -u
cd "${1:?source folder}" || exit 2
effect='Common|shell|path|stroke|gradient|render'
# folder | the include prefixes it must not use
rules=(
  "host/sdk|host/embedded|app|cli|studio|frei0r|$effect"
  "host/embedded|app|cli|studio|frei0r|$effect"
  "Common|shell|path|stroke|gradient|render|app|cli|studio|frei0r"
  "path|shell|render|stroke|gradient|app|cli|studio|frei0r"
  "gradient|shell|render|stroke|path|app|cli|studio|frei0r"
  "stroke|shell|render|app|cli|studio|frei0r"
  "render|shell|app|cli|studio|frei0r"
  "app|cli|studio|frei0r|$effect"
  "frei0r|cli|studio|app/media|app/batch|$effect"
  "studio|cli|$effect"
  "cli|$effect"
  "fuzz|$effect"
)
status=0
for rule in "${rules[@]}"; do
  folder=${rule%%|*}
  banned=${rule#*|}
  found=$(git grep -nE "^#include \"($banned)/" -- "$folder" 2>/dev/null)
  if [ -n "$found" ]; then
    echo "$folder must not include ($banned):"
    echo "$found"
    status=1
  fi
done
exit $status
