#!/usr/bin/env bash
# zentrova-convert against the ffmpeg program given exactly our settings, on seven anchors, in
# paired rounds (each round runs ours, then ffmpeg, on every anchor), printed as one table:
#   1080p   60 s 1080p29.97 H.264 High + AAC          -> profile 90400
#   tv      the same 1080p source                     -> profile 90401 (640x480)
#   1080i   60 s 1080i29.97 H.264 + AC-3 (MPEG-TS)     -> profile 90400
#   mpeg2   60 s 720p25 MPEG-2 + AC-3 5.1 (MPEG-TS)    -> profile 90400
#   mpeg4   60 s 480p29.97 MPEG-4 + MP3 44.1 kHz (AVI) -> profile 90400
#   audio   the 1080p file's sound                      -> profile 90106 (MP3 44.1 kHz)
#   merge   three 20 s 720p30 H.264 + AAC sources       -> one 90400 file, against the concat filter
# Columns: medians over the rounds of the wall and CPU (user + system) ratios ours / ffmpeg, our
# CPU/wall, our CPU over the core time the host left us (CPU / (wall x (1 - steal))) and the
# host's share of the machine's time during our runs (steal), and both programs' peak resident
# memory. The machine is best left idle meanwhile; on a shared one the paired rounds keep the
# ratios comparable, the absolute times are not.
# Usage: bench/anchors-vs-ffmpeg.sh [BUILD_DIR] [ROUNDS] [ANCHOR...]   (a benchmark, not a test)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build}" && pwd)
rounds=${2:-3}
shift $(($# < 2 ? $# : 2))
anchors=("$@")
[ ${#anchors[@]} -gt 0 ] || anchors=(1080p tv 1080i mpeg2 mpeg4 audio merge)
convert=$build/bin/zentrova-convert
work=$build/bench
mkdir -p "$work"
[ -x "$convert" ] || { echo "build zentrova-convert first ($convert)" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (apt-get install time)" >&2; exit 2; }

make_source() {  # NAME FFMPEG-ARGS...
  local out=$work/$1; shift
  [ -f "$out" ] && return
  echo "making $(basename "$out") ..." >&2
  ffmpeg -hide_banner -loglevel error -nostdin -y "$@" "$out"
}
make_source source_1080p_60s.mp4 \
  -f lavfi -i testsrc2=size=1920x1080:rate=30:duration=60 -f lavfi -i sine=frequency=440:sample_rate=48000:duration=60 \
  -ac 2 -c:v libx264 -preset veryfast -b:v 8M -pix_fmt yuv420p -c:a aac -b:a 192k -shortest
# Top field first, each field a moment of its own (59.94 pictures a second woven in pairs).
make_source source_1080i_ac3_60s.ts \
  -f lavfi -i testsrc2=size=1920x1080:rate=60000/1001:duration=60 -f lavfi -i sine=frequency=660:sample_rate=48000:duration=60 \
  -vf tinterlace=interleave_top,setfield=tff -ac 2 -c:v libx264 -preset veryfast -b:v 12M -flags +ilme+ildct \
  -x264opts tff=1 -pix_fmt yuv420p -c:a ac3 -b:a 384k -shortest
make_source source_720p_mpeg2_ac3_60s.ts \
  -f lavfi -i testsrc2=size=1280x720:rate=25:duration=60 -f lavfi -i sine=frequency=330:sample_rate=48000:duration=60 \
  -ac 6 -c:v mpeg2video -b:v 8M -maxrate 12M -bufsize 4M -pix_fmt yuv420p -c:a ac3 -b:a 448k -shortest
make_source source_480p_mpeg4_mp3_60s.avi \
  -f lavfi -i testsrc2=size=640x480:rate=30000/1001:duration=60 -f lavfi -i sine=frequency=550:sample_rate=44100:duration=60 \
  -ac 2 -c:v mpeg4 -b:v 2M -c:a libmp3lame -b:a 192k -shortest
patterns=(testsrc2 testsrc smptehdbars)
for i in 1 2 3; do
  make_source merge_source_${i}_720p_20s.mp4 \
    -f lavfi -i "${patterns[$((i - 1))]}=size=1280x720:rate=30:duration=20" \
    -f lavfi -i "sine=frequency=$((220 * i)):sample_rate=48000:duration=20" \
    -ac 2 -c:v libx264 -preset veryfast -b:v 5M -pix_fmt yuv420p -c:a aac -b:a 192k -shortest
done

source "$top/bench/ffmpeg-settings.sh"
ff=(ffmpeg -hide_banner -loglevel error -nostdin -y)

# Each fills cmd with the command line for ANCHOR writing into OUTPUT_DIR.
ffmpeg_cmd() {  # ANCHOR OUTPUT_DIR
  local out=$2
  case $1 in
    1080p) cmd=("${ff[@]}" -i "$work/source_1080p_60s.mp4" -map 0:v -map 0:a -vf "$wide" "${h264[@]}" \
             -c:a aac -b:a 128k -ar 48000 -ac 2 -af "$(resample 48000)" -f ipod -movflags +faststart "$out/1080p.mp4") ;;
    tv) cmd=("${ff[@]}" -i "$work/source_1080p_60s.mp4" -map 0:v -map 0:a -vf "$wide_tv" "${h264_tv[@]}" \
             -c:a aac -b:a 128k -ar 48000 -ac 2 -af "$(resample 48000)" -f ipod -movflags +faststart "$out/tv.mp4") ;;
    1080i) cmd=("${ff[@]}" -i "$work/source_1080i_ac3_60s.ts" -map 0:v -map 0:a -vf "$deinterlace,$wide" "${h264[@]}" \
             -c:a aac -b:a 128k -ar 48000 -ac 2 -af "$(resample 48000)" -f ipod -movflags +faststart "$out/1080i.mp4") ;;
    mpeg2) cmd=("${ff[@]}" -i "$work/source_720p_mpeg2_ac3_60s.ts" -map 0:v -map 0:a -vf "$wide" "${h264[@]}" \
             -c:a aac -b:a 128k -ar 48000 -ac 2 -af "$(resample 48000)" -f ipod -movflags +faststart "$out/mpeg2.mp4") ;;
    mpeg4) cmd=("${ff[@]}" -i "$work/source_480p_mpeg4_mp3_60s.avi" -map 0:v -map 0:a -vf "$square" "${h264[@]}" \
             -c:a aac -b:a 128k -ar 48000 -ac 2 -af "$(resample 48000)" -f ipod -movflags +faststart "$out/mpeg4.mp4") ;;
    audio) cmd=("${ff[@]}" -i "$work/source_1080p_60s.mp4" -map 0:a -c:a libmp3lame -b:a 128k -ar 44100 -ac 2 \
             -af "$(resample 44100)" -f mp3 "$out/audio.mp3") ;;
    merge) cmd=("${ff[@]}" -i "$work/merge_source_1_720p_20s.mp4" -i "$work/merge_source_2_720p_20s.mp4" \
             -i "$work/merge_source_3_720p_20s.mp4" -filter_complex \
             "[0:v][0:a][1:v][1:a][2:v][2:a]concat=n=3:v=1:a=1[v][a];[v]$wide[vs];[a]$(resample 48000)[as]" \
             -map "[vs]" -map "[as]" "${h264[@]}" -c:a aac -b:a 128k -ar 48000 -ac 2 -f ipod -movflags +faststart \
             "$out/merge.mp4") ;;
  esac
}

ours_cmd() {  # ANCHOR OUTPUT_DIR
  case $1 in
    1080p) cmd=("$convert" -p 90400 -o "$2" "$work/source_1080p_60s.mp4") ;;
    tv) cmd=("$convert" -p 90401 -o "$2" "$work/source_1080p_60s.mp4") ;;
    1080i) cmd=("$convert" -p 90400 -o "$2" "$work/source_1080i_ac3_60s.ts") ;;
    mpeg2) cmd=("$convert" -p 90400 -o "$2" "$work/source_720p_mpeg2_ac3_60s.ts") ;;
    mpeg4) cmd=("$convert" -p 90400 -o "$2" "$work/source_480p_mpeg4_mp3_60s.avi") ;;
    audio) cmd=("$convert" -p 90106 -o "$2" "$work/source_1080p_60s.mp4") ;;
    merge) cmd=("$convert" --merge -p 90400 -o "$2" "$work"/merge_source_{1,2,3}_720p_20s.mp4) ;;
  esac
}

# The machine's CPU time so far and the part of it the host gave to others (steal): a virtual
# machine whose cores are taken away now and then shows it as our cores standing idle.
cpu_times() { awk '/^cpu / { t = 0; for (i = 2; i <= NF; i++) t += $i; print t, $9 }' /proc/stat; }

# Runs cmd into a fresh OUTPUT_DIR and prints "wall cpu peak_kib steal", steal being the share of
# the machine's CPU time the host took meanwhile. The files the run before wrote are on disk
# first, so that writing them back does not take CPU time from this one.
measure() {  # OUTPUT_DIR
  local stats=$work/time.txt before
  rm -rf "$1"; mkdir -p "$1"; sync
  before=$(cpu_times)
  /usr/bin/time -o "$stats" -f "%e %U %S %M" "${cmd[@]}" > /dev/null || { echo "failed: ${cmd[*]}" >&2; exit 1; }
  echo "$before $(cpu_times) $(tail -1 "$stats")" |
    awk '{ d = $3 - $1; printf "%s %.3f %s %.4f\n", $5, $6 + $7, $8, (d > 0 ? ($4 - $2) / d : 0) }'
}

results=$work/anchors.txt
: > "$results"
started=$(date '+%Y-%m-%d %H:%M %Z'); load_before=$(cut -d' ' -f1-3 /proc/loadavg); times_before=$(cpu_times)
for round in $(seq 1 "$rounds"); do
  for a in "${anchors[@]}"; do
    ours_cmd "$a" "$work/ours-$a"; z=$(measure "$work/ours-$a")
    ffmpeg_cmd "$a" "$work/ffmpeg-$a"; f=$(measure "$work/ffmpeg-$a")
    echo "$a $round $z $f" >> "$results"
    echo "round $round $a: ours $z  ffmpeg $f" >&2
  done
done

echo "zentrova-convert / ffmpeg, $rounds paired rounds, $(nproc) cores; started $started (load $load_before)," \
     "ended $(date '+%H:%M') (load $(cut -d' ' -f1-3 /proc/loadavg)); $(echo "$times_before $(cpu_times)" |
     awk '{ d = $3 - $1; printf "%.1f %% of the CPU time went to the host (steal)", (d > 0 ? 100 * ($4 - $2) / d : 0) }')"
printf '%-7s %9s %9s %7s %7s %9s %9s %7s %9s %9s %7s\n' anchor ours_s ffmpeg_s wall cpu cpu/wall cpu/given steal% \
  ours_MiB ffm_MiB mem
for a in "${anchors[@]}"; do
  awk -v a="$a" '
    function median(v, n,   i, j, t) {
      for (i = 2; i <= n; i++) for (j = i; j > 1 && v[j - 1] > v[j]; j--) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
      return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
    }
    $1 == a {
      n++; zw[n] = $3; fw[n] = $7; wr[n] = $3 / $7; cr[n] = $4 / $8; cw[n] = $4 / $3; zm[n] = $5; fm[n] = $9
      st[n] = 100 * $6; cg[n] = $4 / ($3 * (1 - $6))
    }
    END {
      if (!n) exit
      z = median(zw, n); f = median(fw, n); w = median(wr, n); c = median(cr, n); u = median(cw, n)
      m1 = median(zm, n) / 1024; m2 = median(fm, n) / 1024
      printf "%-7s %9.2f %9.2f %7.3f %7.3f %9.2f %9.2f %7.1f %9.0f %9.0f %7.2f\n", a, z, f, w, c, u, median(cg, n),
             median(st, n), m1, m2, m1 / m2
    }' "$results"
done
