#!/usr/bin/env bash
# Joins the video segments examples/slurm-render.sh wrote for OUTPUT (.mkv or
# .mov), OUTPUT.shards/FIRST-LAST.EXT, into OUTPUT without re-encoding: the
# pictures and the sound packets are copied as they are, so the decoded
# frames and samples are those of one render of the whole range.
#
#   examples/join-video.sh strand.mkv         # or: sbatch --dependency=afterok:JOB examples/join-video.sh strand.mkv
#
# Each segment's sound may run up to one audio packet past its last picture
# (the packet that straddles the cut goes whole to the earlier segment) and
# the next segment's starts as late: segment N + 1 must therefore start where
# segment N's pictures end, not where its sound does. The concat list gives
# every segment's length in frames for that.
#SBATCH --job-name=lustre-strand-join
#SBATCH --output=lustre-strand-join-%j.log
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: $0 OUTPUT.mkv|OUTPUT.mov" >&2
  exit 2
fi
output=$1
extension=${output##*.}
shards=$output.shards
segments=()
for segment in "$shards"/[0-9]*-[0-9]*."$extension"; do
  [ -e "$segment" ] && segments+=("$segment")
done
if [ ${#segments[@]} -eq 0 ]; then
  echo "$0: no segments in $shards/" >&2
  exit 2
fi

list=$shards/join.txt
: >"$list"
expected=""
frames=0
for segment in "${segments[@]}"; do
  name=${segment##*/}
  range=${name%.*}
  segment_first=$((10#${range%-*}))
  segment_last=$((10#${range#*-}))
  if [ -n "$expected" ] && [ "$segment_first" -ne "$expected" ]; then
    echo "$0: frames $expected to $((segment_first - 1)) have no segment in $shards/ (a task not finished?)" >&2
    exit 2
  fi
  rate=$(ffprobe -v error -select_streams v:0 -show_entries stream=avg_frame_rate -of csv=p=0 "$segment")
  count=$((segment_last - segment_first + 1))
  # The concat demuxer reads the length to the microsecond.
  length=$(awk -v n="$count" -v r="$rate" 'BEGIN { split(r, q, "/"); printf "%.6f", n * q[2] / q[1] }')
  printf "file '%s'\nduration %s\n" "$name" "$length" >>"$list"
  expected=$((segment_last + 1))
  frames=$((frames + count))
done

# Written under a temporary name and renamed once complete, as the frames are.
partial=$(dirname "$output")/.$(basename "$output").joining.$extension
trap 'rm -f "$partial"' EXIT
ffmpeg -nostdin -v error -y -f concat -safe 0 -i "$list" -map 0 -c copy "$partial"
mv "$partial" "$output"
echo "$output: $frames frames from ${#segments[@]} segments"
