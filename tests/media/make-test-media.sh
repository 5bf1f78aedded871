#!/usr/bin/env bash
# Generates the small synthetic sources the tests read, once per build tree.
# Usage: make-test-media.sh OUTPUT_DIR
set -euo pipefail
out=$1
stamp=$out/.complete-v1
[ -f "$stamp" ] && exit 0
mkdir -p "$out"
cd "$out"

ff() { ffmpeg -hide_banner -loglevel error -nostdin -y "$@"; }
bars() { echo "testsrc2=size=${1}:rate=${2}:duration=${3}"; }
tone() { echo "sine=frequency=${1}:sample_rate=${2}:duration=${3}"; }

# H.264 + AAC stereo, 12 s: the common case, with a known duration.
ff -f lavfi -i "$(bars 320x240 25 12)" -f lavfi -i "$(tone 440 48000 12)" \
   -ac 2 -c:v libx264 -preset ultrafast -g 25 -pix_fmt yuv420p -c:a aac -b:a 128k -shortest h264_aac_stereo_12s.mp4

# MPEG-2 video with 5.1 AC-3 in a transport stream.
ff -f lavfi -i "$(bars 352x288 25 5)" -f lavfi -i "$(tone 330 48000 5)" \
   -c:v mpeg2video -b:v 1M -c:a ac3 -ac 6 -b:a 384k -shortest mpeg2_ac3_5_1.ts

# MPEG-4 part 2 with MP3 in AVI.
ff -f lavfi -i "$(bars 320x240 25 5)" -f lavfi -i "$(tone 550 44100 5)" \
   -c:v mpeg4 -q:v 5 -c:a libmp3lame -b:a 128k -ac 2 -shortest mpeg4_mp3.avi

# Two audio streams at different frequencies; the last one is the one converted.
ff -f lavfi -i "$(bars 320x240 25 5)" -f lavfi -i "$(tone 440 48000 5)" -f lavfi -i "$(tone 1000 44100 5)" \
   -map 0:v -map 1:a -map 2:a -c:v libx264 -preset ultrafast -c:a:0 libvorbis -c:a:1 aac -ac 1 -shortest two_audio_streams.mkv

# Audio-only sources.
ff -f lavfi -i "$(tone 440 44100 6)" -ac 2 -c:a libmp3lame -b:a 192k audio_only.mp3
ff -f lavfi -i "$(tone 440 44100 4)" -ac 2 -c:a flac audio_only.flac
ff -f lavfi -i "$(tone 440 22050 3)" -ac 1 -c:a pcm_s16le audio_only.wav
ff -f lavfi -i "$(tone 440 44100 4)" -ac 2 -c:a libvorbis audio_only.ogg

# Video without audio.
ff -f lavfi -i "$(bars 320x240 25 4)" -c:v libx264 -preset ultrafast video_only.mp4

# Frame rates the engine treats specially: 30000/1 (read as 29.97) and exactly 359/12.
ff -f lavfi -i "$(bars 160x120 30000 0.01)" -c:v mpeg4 -q:v 5 -video_track_timescale 30000 fps_30000.mp4
ff -f lavfi -i "$(bars 160x120 359/12 3)" -c:v mpeg4 -q:v 5 fps_359_12.avi

# A raw H.264 elementary stream: no container duration.
ff -f lavfi -i "$(bars 320x240 25 2)" -c:v libx264 -preset ultrafast -f h264 no_duration.h264

# Broken inputs.
: > zero_bytes.mp4
head -c 65536 /dev/urandom > random_bytes.avi
head -c 20000 h264_aac_stereo_12s.mp4 > truncated.mp4

# A name with spaces and non-ASCII letters.
cp h264_aac_stereo_12s.mp4 "name with spaces ÄÖü 视频.mp4"

touch "$stamp"
