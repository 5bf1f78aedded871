#!/usr/bin/env bash
# How close to the source the 1080p anchor's picture comes out of zentrova-convert and of the
# ffmpeg program given our settings: SSIM of each output picture against the source picture it
# was made from, scaled and padded to the frame as both programs do.
#
# The output runs at 29.97 fps and the source at 30, so each program leaves out a picture now and
# then, each at its own moments. The ssim filter pairs pictures by time, which then compares
# neighbouring pictures from the first one left out on (even ffmpeg's own output scores 0.978 that
# way). Here each output is paired by position with the source minus the pictures it left out,
# found one at a time: where the pictures stop matching, the source picture there was left out.
#
# With `grain`, it makes both outputs itself from a 20 s 1080p source under heavy moving grain, at
# 29.97 fps so that neither program leaves a picture out. Grain is where scaling shortcuts show
# most, and the drop search below cannot work on it (no two pictures match closely).
# With `interlaced`, the source is 20 s of 1080i under grain, each field a moment of its own, woven
# from 59.94 progressive pictures; both outputs are compared with the progressive picture each
# frame's first field came from.
# Usage: bench/ssim-vs-ffmpeg.sh [BUILD_DIR] [grain|interlaced]
#        (without either, after bench/anchors-vs-ffmpeg.sh made the 1080p outputs)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build}" && pwd)
work=$build/bench
source "$top/bench/ffmpeg-settings.sh"
frame=$wide

# Converts SOURCE with both programs (ffmpeg's picture filters FILTERS) into NAME folders.
convert_both() {  # SOURCE NAME FILTERS
  rm -rf "$work/ours-$2" "$work/ffmpeg-$2"; mkdir -p "$work/ours-$2" "$work/ffmpeg-$2"
  "$build/bin/zentrova-convert" -p 90400 -o "$work/ours-$2" "$1" > /dev/null
  ffmpeg -hide_banner -loglevel error -nostdin -y -i "$1" -map 0:v -map 0:a -vf "$3" "${h264[@]}" \
    -c:a aac -b:a 128k -ar 48000 -ac 2 -af "$(resample 48000)" -f ipod -movflags +faststart "$work/ffmpeg-$2/$2.mp4"
}

# Prints both programs' SSIM for the outputs in the NAME folders against the pictures the
# REFERENCE-INPUT arguments give through REFERENCE-FILTERS, paired by position.
ssim_both() {  # NAME REFERENCE-FILTERS REFERENCE-INPUT...
  local name=$1 filters=$2 who; shift 2
  for who in ours ffmpeg; do
    ffmpeg -hide_banner -nostdin -i "$(ls "$work/$who-$name"/*.mp4)" "$@" -lavfi \
      "[1:v]$filters,setpts=N/(30*TB)[r];[0:v]setpts=N/(30*TB)[o];[o][r]ssim" -f null - 2>&1 |
      grep -o 'All:[0-9.]*' | sed "s/All:/$who: /"
  done
}

if [ "${2:-}" = interlaced ]; then
  original="testsrc2=size=1920x1080:rate=60000/1001:duration=20,noise=alls=20:allf=t+u"
  source=$work/source_grain_1080i_20s.ts
  [ -f "$source" ] || ffmpeg -hide_banner -loglevel error -nostdin -y -f lavfi -i "$original" \
    -f lavfi -i sine=frequency=440:sample_rate=48000:duration=20 -vf tinterlace=interleave_top,setfield=tff -ac 2 \
    -c:v libx264 -preset veryfast -b:v 15M -flags +ilme+ildct -x264opts tff=1 -pix_fmt yuv420p -c:a ac3 -shortest "$source"
  convert_both "$source" interlaced "$deinterlace,$wide"
  ssim_both interlaced "select='not(mod(n\,2))',${frame/bicubic/lanczos}" -f lavfi -i "$original"
  exit 0
fi

if [ "${2:-}" = grain ]; then
  source=$work/source_grain_1080p_20s.mp4
  [ -f "$source" ] || ffmpeg -hide_banner -loglevel error -nostdin -y \
    -f lavfi -i "testsrc2=size=1920x1080:rate=30000/1001:duration=20,noise=alls=24:allf=t+u" \
    -f lavfi -i sine=frequency=440:sample_rate=48000:duration=20 -ac 2 -c:v libx264 -preset medium -g 300 \
    -b:v 10M -pix_fmt yuv420p -c:a aac -shortest "$source"
  convert_both "$source" grain "$wide"
  ssim_both grain "$frame" -i "$source"
  exit 0
fi

source=$work/source_1080p_60s.mp4
ours=$(ls "$work"/ours-1080p/*.mp4 2>/dev/null | head -1)
theirs=$work/ffmpeg-1080p/1080p.mp4
[ -f "$source" ] && [ -n "$ours" ] && [ -f "$theirs" ] || {
  echo "run bench/anchors-vs-ffmpeg.sh $build 1 1080p first" >&2; exit 2; }

# Prints the overall SSIM, then the first output position (0-based) whose picture no longer
# matches, or -1.
compare() {  # OUTPUT LEFT-OUT...
  local output=$1; shift
  local keep=1 d
  for d in "$@"; do keep="$keep*not(eq(n\\,$d))"; done
  ffmpeg -hide_banner -nostdin -i "$output" -i "$source" -lavfi \
    "[1:v]select='$keep',$frame,setpts=N/(30*TB)[r];[0:v]setpts=N/(30*TB)[o];[o][r]ssim=stats_file=$work/ssim.txt" \
    -f null - 2>&1 | grep -o 'All:[0-9.]*' | cut -d: -f2
  awk '{ split($5, a, ":"); if (a[2] < 0.99) { print substr($1, 3) - 1; found = 1; exit } } END { if (!found) print -1 }' \
    "$work/ssim.txt"
}

measure() {  # OUTPUT
  local left=() result first d i
  for i in 1 2 3 4 5 6; do
    result=($(compare "$1" "${left[@]}"))
    first=${result[1]}
    [ "$first" -lt 0 ] && break
    # The position counts the source pictures kept; the picture left out there, in source numbers.
    d=$first
    for l in "${left[@]}"; do [ "$l" -le "$d" ] && d=$((d + 1)); done
    left+=("$d")
  done
  echo "${result[0]} (pictures left out: ${left[*]:-none})"
}

echo "ours:   $(measure "$ours")"
echo "ffmpeg: $(measure "$theirs")"
