#!/usr/bin/env bash
# Speed of zentrova-convert against the ffmpeg program given the same settings: profile 90400
# (H.264 Constrained Baseline, 320x240, 29.97 fps, the 2000 kbit/s default lowered to the devices'
# 1500 kbit/s; AAC 128 kbit/s, 48 kHz, stereo)
# on a generated 60 s 1080p H.264/AAC source. Prints the wall times and their ratio (target <= 1.10).
# Usage: bench/convert-vs-ffmpeg.sh [BUILD_DIR] [RUNS]     (a benchmark, not a test)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build}" && pwd)
runs=${2:-3}
convert=$build/bin/zentrova-convert
work=$build/bench
mkdir -p "$work"
[ -x "$convert" ] || { echo "build zentrova-convert first ($convert)" >&2; exit 2; }

src=$work/source_1080p_60s.mp4
if [ ! -f "$src" ]; then
  echo "making the 60 s 1080p source ..."
  ffmpeg -hide_banner -loglevel error -nostdin -y \
    -f lavfi -i testsrc2=size=1920x1080:rate=30:duration=60 \
    -f lavfi -i sine=frequency=440:sample_rate=48000:duration=60 \
    -ac 2 -c:v libx264 -preset veryfast -b:v 8M -pix_fmt yuv420p -c:a aac -b:a 192k -shortest "$src"
fi

# The settings profile 90400 gives the encoders, spelled for the ffmpeg program: a key frame every
# 5 s (150 frames), no B-frames, one reference, x264's baseline profile at level 2.0 with a
# 1500 kbit/s peak over a 2000 kbit buffer (three quarters full at the start), the quantiser and
# motion settings of the H.264 path; the 16:9 picture fitted into 320x240 with black bars and
# square pixels (bicubic), 1001/30000 time base; the ipod muxer with its index in front; the
# audio mix normalised.
ffmpeg_run() {
  ffmpeg -hide_banner -loglevel error -nostdin -y -i "$src" -map 0:v -map 0:a \
    -vf scale=320:180:flags=bicubic,pad=320:240:0:30:black,setsar=1,format=yuv420p -r 30000/1001 \
    -c:v libx264 -b:v 1500k -maxrate 1500k -bufsize 2000k -rc_init_occupancy 1500k \
    -g 150 -keyint_min 25 -bf 0 -refs 1 -qmin 10 -qmax 51 -qdiff 4 -qcomp 0.6 \
    -me_range 16 -profile:v baseline -level 2.0 \
    -c:a aac -b:a 128k -ar 48000 -ac 2 -af aresample=rematrix_maxval=1.0:out_chlayout=stereo \
    -f ipod -movflags +faststart "$work/ffmpeg.mp4"
}

zentrova_run() {
  rm -rf "$work/zentrova"
  mkdir -p "$work/zentrova"
  "$convert" -p 90400 -o "$work/zentrova" "$src" > /dev/null
}

source "$(dirname "$0")/timing.sh"
compare_runs "$runs" "zentrova-convert" "ffmpeg"

for f in "$work/zentrova/source_1080p_60s.mp4" "$work/ffmpeg.mp4"; do
  echo "$(basename "$f"): $(ffprobe -v error -show_entries stream=codec_name,profile,width,height,nb_frames,bit_rate \
    -of compact=p=0:nk=1 "$f" | tr '\n' ' ')"
done
