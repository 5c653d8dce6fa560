#!/usr/bin/env bash
# A video across machines: the example Slurm script renders a clip with sound
# as a job array, each task a segment of its own (.mkv FFV1, .mov ProRes
# 4444), and a job that waits for the array joins the segments without
# re-encoding. The joined file decodes to the frames (with their times) and
# the sound samples of one render of the whole clip on one machine, and its
# sound packets are those of that render at the same times: exactly in a
# QuickTime file, to within a millisecond in Matroska (which counts whole
# milliseconds, while a segment starts between two: its times round once in
# the segment and once more when joined).
# Packet lengths are not compared: FFmpeg's QuickTime reader shortens the
# last packet of a track that starts after an empty edit, and the join keeps
# what it read (the samples are all there).
#   video_shards_test.sh LUSTRE-STRAND SOURCE-DIR
source "$(dirname "$0")/farm_lib.sh"
source "$(dirname "$0")/slurm_cluster.sh"

start_slurm_cluster

farm_workdir

# Two seconds of H.264 with AAC sound, whose packets (1024 samples) straddle
# the cuts between segments of 16 frames.
ffmpeg -nostdin -v error -f lavfi -i testsrc2=size=480x270:rate=24 -f lavfi -i sine=frequency=440:sample_rate=48000 \
  -t 2 -c:v libx264 -pix_fmt yuv420p -c:a aac -shortest clip.mp4

# What a player sees: every decoded frame's time and checksum; every sound
# packet's time and length; the decoded samples.
frames_of() { ffmpeg -nostdin -v error -i "$1" -map 0:v -f framemd5 - | grep -v '^#'; }
sound_packets_of() { ffprobe -v error -select_streams a -show_entries packet=pts_time -of csv=p=0 "$1"; }
samples_of() { ffmpeg -nostdin -v error -i "$1" -map 0:a -f f32le - | md5sum | cut -d' ' -f1; }

for extension in mkv mov; do
  if [ "$extension" = mkv ]; then slack=0.0011; else slack=0; fi
  one=$FARM_DIR/one.$extension
  "$LUSTRE_CLI" render --input clip.mp4 --params examples/animated.json --downsample 1/4 --output "$one" >/dev/null

  note "sbatch --array=0-2 examples/slurm-render.sh examples/animated.json strand.$extension 0 47 --input clip.mp4 --downsample 1/4"
  job=$(sbatch --parsable --array=0-2 examples/slurm-render.sh examples/animated.json "strand.$extension" 0 47 \
    --input clip.mp4 --downsample 1/4)
  join=$(sbatch --parsable --dependency=afterok:"$job" examples/join-video.sh "strand.$extension")
  wait_for_job "$job"
  wait_for_job "$join"
  [ "$(grep -c ' COMPLETED$' <<<"$(task_states "$job")")" -eq 3 ] || fail "not every task of job $job completed"
  scontrol -o show job "$join" | grep -q 'JobState=COMPLETED' || fail "the join failed: $(cat lustre-strand-join-"$join".log)"
  cat "lustre-strand-join-$join.log"
  ls "strand.$extension.shards"

  [ "$(frames_of "$one" | wc -l)" -eq 48 ] || fail "the one-machine $extension holds $(frames_of "$one" | wc -l) frames"
  diff <(frames_of "$one") <(frames_of "strand.$extension") >/dev/null ||
    fail "the joined $extension's frames differ from the one-machine render's"
  [ "$(sound_packets_of "$one" | wc -l)" -gt 90 ] || fail "the one-machine $extension has no sound"
  paste -d, <(sound_packets_of "$one") <(sound_packets_of "strand.$extension") | awk -F, -v slack="$slack" '
    NF != 2 || $2 - $1 > slack || $1 - $2 > slack { bad = bad "\n  " $0 }
    END { if (bad != "") { print "sound packet times differ:" bad; exit 1 } }' ||
    fail "the joined $extension's sound packets are not those of the one-machine render"
  [ "$(samples_of "$one")" = "$(samples_of "strand.$extension")" ] ||
    fail "the joined $extension's decoded sound differs from the one-machine render's"
  note "strand.$extension: 48 frames and $(sound_packets_of "$one" | wc -l) sound packets as one machine renders them"
done
