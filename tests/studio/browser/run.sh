#!/usr/bin/env bash
# Runs the studio page's tests: the curve test in node, then the browser tests,
# each of which starts the built `lustre-strand studio` on port 0 in a
# temporary folder and stops it afterwards. LUSTRE_STRAND names another build
# of the command; CHROMIUM another browser binary.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
# A relative path names the build from the caller's folder, before the cd below.
export LUSTRE_STRAND=$(realpath -m "${LUSTRE_STRAND:-$root/build/release/lustre-strand}")
if [ ! -x "$LUSTRE_STRAND" ]; then
  echo "run.sh: $LUSTRE_STRAND is not built (cmake --build --preset release --target lustre-strand)" >&2
  exit 2
fi
cd "$here"
locked=$(node -p "require('./package-lock.json').packages['node_modules/playwright-core'].version")
installed=$(node -p "try { require('./node_modules/playwright-core/package.json').version } catch { '' }")
if [ "$locked" != "$installed" ]; then
  npm ci --no-audit --no-fund
fi
exec node --test --test-concurrency=1 bezier.test.mjs scheduler.test.mjs patch.test.mjs keys.test.mjs studio.test.mjs timeline.test.mjs
