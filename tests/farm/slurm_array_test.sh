#!/usr/bin/env bash
# The README's sbatch line on a real one-node Slurm cluster: a job array of
# 4 tasks renders the animated example, byte for byte the frames of one
# render on one machine. Then a lost task: one task of a second array is
# cancelled halfway through its shard, and resubmitting the array renders
# only the frames that are missing.
#   slurm_array_test.sh LUSTRE-STRAND SOURCE-DIR
source "$(dirname "$0")/farm_lib.sh"
source "$(dirname "$0")/slurm_cluster.sh"

start_slurm_cluster

farm_workdir

# Frames printed as written ("frames/strand.0007.png" lines) in the logs $@.
written_in() { cat "$@" | grep -c '^frames/strand\.[0-9]*\.png$' || true; }
# The sums of the frames rendered and skipped that the logs $@ end with
# ("lustre-strand: frames 12-23: rendered 10 in 0:03 (3.30 fps), skipped 2
# already written"); a log without that line, or with a redrawn bar, fails.
summed_from() {
  local log
  for log in "$@"; do
    ! grep -q $'\r' "$log" || fail "$log holds a redrawn progress bar"
    tail -1 "$log" | grep -q '^lustre-strand: frames [0-9]*-[0-9]*: rendered [0-9]* in .*, skipped [0-9]* already written$' ||
      fail "$log does not end by saying what was rendered: $(tail -1 "$log")"
  done
  tail -q -n 1 "$@" | sed 's/.*: rendered \([0-9]*\) in .*, skipped \([0-9]*\) .*/\1 \2/' |
    awk '{ r += $1; s += $2 } END { print r, s }'
}

# ---- Four tasks, every frame --------------------------------------------------
small=(--size 480x270 --downsample 1/4)
render_reference "$FARM_DIR/ref" --params examples/animated.json --frames 0-23 "${small[@]}"

mkdir -p frames
note "sbatch --array=0-3 examples/slurm-render.sh examples/animated.json 'frames/strand.%04d.png' 0 23 ${small[*]}"
job=$(sbatch --parsable --array=0-3 examples/slurm-render.sh examples/animated.json 'frames/strand.%04d.png' 0 23 \
  "${small[@]}")
wait_for_job "$job"
states=$(task_states "$job")
echo "$states"
[ "$(grep -c ' COMPLETED$' <<<"$states")" -eq 4 ] || fail "not every task of job $job completed"
[ "$(written_in lustre-strand-"$job"_*.log)" -eq 24 ] || fail "the logs of job $job do not list 24 frames written"
[ "$(summed_from lustre-strand-"$job"_*.log)" = "24 0" ] || fail "the logs of job $job do not sum to 24 rendered, 0 skipped"
same_frames "$FARM_DIR/ref" frames
note "a task's log:"
cat "lustre-strand-${job}_2.log"

# ---- A lost task ----------------------------------------------------------------
# Full-size frames, so that a shard of 12 takes a second or more and task 1
# can be cancelled between its first frame and its last (at 960x540 with
# downsampling, a shard took 0.15 s: the cancel sometimes came after its
# last frame).
rm -rf frames "$FARM_DIR/ref"
mkdir frames
large=(--size 1920x1080)
render_reference "$FARM_DIR/ref" --params examples/animated.json --frames 0-47 "${large[@]}"

task1_frames() { ls frames/strand.00{1,2}?.png 2>/dev/null | awk -F'[.]' '$2 >= 12 && $2 <= 23' | wc -l; }
job=$(sbatch --parsable --array=0-3 examples/slurm-render.sh examples/animated.json 'frames/strand.%04d.png' 0 47 \
  "${large[@]}")
task1_started() { [ "$(task1_frames)" -ge 1 ]; }
FARM_POLL=0.05 wait_for 120 task1_started || fail "task 1 of job $job wrote no frame"
scancel "${job}_1"
note "cancelled ${job}_1 after $(task1_frames) of its 12 frames"
wait_for_job "$job"
task_states "$job"
task_states "$job" | grep -qx '1 CANCELLED' || fail "task 1 was not cancelled"
first_run=$(ls frames | grep -c '^strand\.[0-9]*\.png$')
missing=$((48 - first_run))
[ "$missing" -gt 0 ] && [ "$missing" -lt 12 ] || fail "$missing frames missing after the cancel: not halfway"
leftovers=$(ls frames | grep -c 'lustre-tmp' || true)
[ "$leftovers" -eq 0 ] || fail "the cancelled task left $leftovers temporary files"

# A node that died mid-write leaves a temporary file: it must not pass for a
# finished frame.
absent=$(for f in $(seq 0 47); do printf 'strand.%04d.png\n' "$f"; done | comm -23 - <(ls frames) | head -1)
printf 'partial' >"frames/$absent.lustre-tmp-99999-AbCdEf"

again=$(sbatch --parsable --array=0-3 examples/slurm-render.sh examples/animated.json 'frames/strand.%04d.png' 0 47 \
  "${large[@]}")
wait_for_job "$again"
rendered=$(written_in lustre-strand-"$again"_*.log)
read -r logged_rendered logged_skipped <<<"$(summed_from lustre-strand-"$again"_*.log)"
note "lost task: $first_run of 48 frames after the cancel (no temporary file left by it), $missing missing;" \
  "the resubmitted array rendered $rendered ($logged_rendered by the logs' last lines, which add up $logged_skipped skipped)"
[ "$rendered" -eq "$missing" ] || fail "the resubmitted array rendered $rendered frames, not the $missing missing"
[ "$logged_rendered $logged_skipped" = "$missing $first_run" ] ||
  fail "the resubmitted logs say $logged_rendered rendered and $logged_skipped skipped, not $missing and $first_run"
[ "$(grep -c ' COMPLETED$' <<<"$(task_states "$again")")" -eq 4 ] || fail "not every resubmitted task completed"
rm "frames/$absent.lustre-tmp-99999-AbCdEf"
same_frames "$FARM_DIR/ref" frames
note "the resubmitted task 1's log:"
cat "lustre-strand-${again}_1.log"
