#!/usr/bin/env bash
# Builds one fuzz target (the fuzz preset) and runs it for SECONDS seconds:
#   scripts/fuzz.sh effect|params|image|video|frei0r SECONDS [extra libFuzzer options]
# The corpus grows in build/fuzz/corpus/TARGET, seeded from fuzz/corpus/TARGET;
# a crashing input is saved in build/fuzz/artifacts/ and the script fails.
# One input may take up to LUSTRE_FUZZ_TIMEOUT seconds (default 300) before it
# counts as a hang: a wide stroke along handles far outside a 512 x 512 frame
# takes most of a minute under the sanitizers.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -lt 2 ]; then
  echo "usage: scripts/fuzz.sh TARGET SECONDS [libFuzzer options]" >&2
  exit 2
fi
target=$1 seconds=$2
shift 2
if [ ! -d "fuzz/corpus/$target" ]; then
  echo "fuzz.sh: no target '$target' (there is no fuzz/corpus/$target)" >&2
  exit 2
fi
[ -f build/fuzz/build.ninja ] || cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "fuzz_$target" >/dev/null
corpus=build/fuzz/corpus/$target
mkdir -p "$corpus" build/fuzz/artifacts
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}
# Leaks inside OpenImageIO are recognised (tests/lsan.supp) only with stacks
# unwound through its frames, which the fast unwinder cannot do.
if [ "$target" = image ]; then export ASAN_OPTIONS=$ASAN_OPTIONS:fast_unwind_on_malloc=0; fi
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}
log=build/fuzz/$target.log
# The seeds are read but not written to: new inputs go to the build's corpus.
status=0
"build/fuzz/fuzz/fuzz_$target" "$corpus" "fuzz/corpus/$target" \
  -max_total_time="$seconds" -timeout="${LUSTRE_FUZZ_TIMEOUT:-300}" -rss_limit_mb=4096 \
  -artifact_prefix=build/fuzz/artifacts/"$target"- -print_final_stats=1 "$@" >"$log" 2>&1 || status=$?
# The progress lines of new inputs are many; the rest (start, end, any report) is shown.
grep -v -E '^(#[0-9]+.*(NEW|REDUCE)|\s*NEW_FUNC)' "$log" || true
if [ "$status" -ne 0 ]; then echo "fuzz.sh: fuzz_$target failed (exit $status); see $log" >&2; fi
exit "$status"
