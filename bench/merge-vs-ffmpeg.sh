#!/usr/bin/env bash
# Speed of a merge by zentrova-convert against the ffmpeg program's concat filter given the same
# settings: profile 90400 (H.264 Constrained Baseline 3.0, 320x240, 29.97 fps, 2000 kbit/s; AAC
# 128 kbit/s, 48 kHz, stereo) on three generated 20 s 720p H.264/AAC sources. Prints the wall
# times and their ratio.
# Usage: bench/merge-vs-ffmpeg.sh [BUILD_DIR] [RUNS]     (a benchmark, not a test)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build}" && pwd)
runs=${2:-3}
convert=$build/bin/zentrova-convert
work=$build/bench
mkdir -p "$work"
[ -x "$convert" ] || { echo "build zentrova-convert first ($convert)" >&2; exit 2; }

sources=()
patterns=(testsrc2 testsrc smptehdbars)
for i in 1 2 3; do
  src=$work/merge_source_${i}_720p_20s.mp4
  sources+=("$src")
  [ -f "$src" ] && continue
  echo "making the 20 s 720p source $i ..."
  ffmpeg -hide_banner -loglevel error -nostdin -y \
    -f lavfi -i "${patterns[$((i - 1))]}=size=1280x720:rate=30:duration=20" \
    -f lavfi -i "sine=frequency=$((220 * i)):sample_rate=48000:duration=20" \
    -ac 2 -c:v libx264 -preset veryfast -b:v 5M -pix_fmt yuv420p -c:a aac -b:a 192k -shortest "$src"
done

# The merge's settings spelled for the ffmpeg program: the three sources joined by the concat
# filter, then the 16:9 pictures fitted into 320x240 with black bars and square pixels (bicubic)
# and the 1001/30000 time base; a key frame every 5 s, no B-frames, one reference, x264's
# baseline profile at level 2.0 with a 1500 kbit/s peak over a 2000 kbit buffer, the quantiser
# and motion settings of the H.264 path; the ipod muxer with its index in front.
ffmpeg_run() {
  ffmpeg -hide_banner -loglevel error -nostdin -y -i "${sources[0]}" -i "${sources[1]}" -i "${sources[2]}" \
    -filter_complex "[0:v][0:a][1:v][1:a][2:v][2:a]concat=n=3:v=1:a=1[v][a];[v]scale=320:180:flags=bicubic,pad=320:240:0:30:black,setsar=1,format=yuv420p[vs]" \
    -map "[vs]" -map "[a]" -r 30000/1001 \
    -c:v libx264 -b:v 1500k -maxrate 1500k -bufsize 2000k -rc_init_occupancy 1500k \
    -g 150 -keyint_min 25 -bf 0 -refs 1 -qmin 10 -qmax 51 -qdiff 4 -qcomp 0.6 \
    -me_range 16 -profile:v baseline -level 2.0 \
    -f ipod -movflags +faststart \
    -c:a aac -b:a 128k -ar 48000 -ac 2 "$work/ffmpeg-merge.mp4"
}

zentrova_run() {
  rm -rf "$work/zentrova-merge"
  mkdir -p "$work/zentrova-merge"
  "$convert" --merge -p 90400 -o "$work/zentrova-merge" "${sources[@]}" > /dev/null
}

source "$(dirname "$0")/timing.sh"
compare_runs "$runs" "zentrova-convert --merge" "ffmpeg concat"

for f in "$work/zentrova-merge/$(basename "${sources[0]}")" "$work/ffmpeg-merge.mp4"; do
  echo "$(basename "$f"): $(ffprobe -v error -show_entries format=duration:stream=codec_name,profile,width,height,nb_frames,bit_rate \
    -of compact=p=0:nk=1 "$f" | tr '\n' ' ')"
done
