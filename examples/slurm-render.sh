#!/usr/bin/env bash
# Renders a frame range on a Slurm cluster, one shard of frames per task of a
# job array. Every task renders its own frames into the same shared folder;
# --skip-existing makes a re-queued or restarted task redo only what is
# missing. Submit from the project's root, for example 960 frames in 10 shards:
#
#   mkdir -p frames
#   sbatch --array=0-9 examples/slurm-render.sh examples/animated.json 'frames/strand.%04d.png' 0 959
#
# A video: with an output file ending in .mkv or .mov instead of a frame
# pattern (and the input video among the render options), every task writes
# its frames, with their stretch of the sound, to a segment of its own,
# OUTPUT.shards/FIRST-LAST.EXT. FFV1 (.mkv) and ProRes 4444 (.mov) frames
# each stand alone, so examples/join-video.sh joins the segments into OUTPUT
# without re-encoding once every task has finished:
#
#   job=$(sbatch --parsable --array=0-9 examples/slurm-render.sh examples/animated.json strand.mkv 0 959 --input clip.mp4)
#   sbatch --dependency=afterok:$job examples/join-video.sh strand.mkv
#
# LUSTRE_STRAND names the command (default build/release/lustre-strand);
# extra arguments after the four given are passed on to `render`.
#
# A task asks for no particular number of CPUs, so it runs on any node (one
# CPU each by default); `sbatch -c 4 ...` asks for four, and the task then
# renders four frames at once, one thread each (a video segment: one frame at
# a time on four threads).
#SBATCH --job-name=lustre-strand
#SBATCH --time=02:00:00
#SBATCH --output=lustre-strand-%A_%a.log
set -euo pipefail

if [ $# -lt 4 ]; then
  echo "usage: sbatch --array=0-N $0 PARAMS.json OUTPUT-PATTERN|OUTPUT.mkv|OUTPUT.mov FIRST LAST [render options]" >&2
  exit 2
fi
params="$1" output="$2" first="$3" last="$4"
shift 4

task=$(( ${SLURM_ARRAY_TASK_ID:?submit with sbatch --array} - ${SLURM_ARRAY_TASK_MIN:-0} ))
tasks=${SLURM_ARRAY_TASK_COUNT:-1}
total=$(( last - first + 1 ))
per_task=$(( (total + tasks - 1) / tasks ))
shard_first=$(( first + task * per_task ))
shard_last=$(( shard_first + per_task - 1 ))
if [ "$shard_last" -gt "$last" ]; then shard_last=$last; fi
if [ "$shard_first" -gt "$last" ]; then exit 0; fi
cpus=${SLURM_CPUS_PER_TASK:-${SLURM_CPUS_ON_NODE:-1}}
lustre_strand=${LUSTRE_STRAND:-build/release/lustre-strand}

case "$output" in
  *%* | *'#'*) ;;
  *.mkv | *.mov)
    # A segment is written under a temporary name and renamed once complete:
    # one that exists is finished.
    segment=$(printf '%s.shards/%06d-%06d.%s' "$output" "$shard_first" "$shard_last" "${output##*.}")
    mkdir -p "$output.shards"
    if [ -e "$segment" ]; then
      echo "$segment exists: skipped"
      exit 0
    fi
    exec "$lustre_strand" render --params "$params" --frames "$shard_first-$shard_last" \
      --threads "$cpus" --output "$segment" "$@"
    ;;
  *)
    echo "$0: the output is a frame pattern (out.%04d.png), or a video .mkv or .mov;" \
      "H.264 (.mp4) segments cannot be joined frame-exact: join .mkv segments, then encode" >&2
    exit 2
    ;;
esac

"$lustre_strand" render --params "$params" \
  --frames "$shard_first-$shard_last" --jobs "$cpus" \
  --threads 1 --skip-existing --output "$output" "$@"
