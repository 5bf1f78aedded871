#!/usr/bin/env bash
# Generates the small synthetic sources the tests read, once per build tree.
# Usage: make-test-media.sh OUTPUT_DIR
set -euo pipefail
out=$1
stamp=$out/.complete-v8
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

# Pictures that start 7 s after the sound, as in a source cut between key frames.
ff -f lavfi -i "$(tone 440 48000 10)" -itsoffset 7 -f lavfi -i "$(bars 320x240 25 3)" \
   -map 0:a -map 1:v -c:v libx264 -preset ultrafast -c:a aac late_pictures.ts

# Stored landscape (top half white, bottom half grey), to be shown turned as a phone marks it.
ff -f lavfi -i "color=c=white:s=320x90:r=10:d=1" -f lavfi -i "color=c=gray:s=320x90:r=10:d=1" \
   -filter_complex vstack -c:v libx264 -preset ultrafast -pix_fmt yuv420p turned_0.mp4
for turn in 90 180 270; do
  ff -i turned_0.mp4 -c copy -metadata:s:v:0 rotate=$turn turned_$turn.mp4
done

# Video without audio.
ff -f lavfi -i "$(bars 320x240 25 4)" -c:v libx264 -preset ultrafast video_only.mp4

# Frame rates the engine treats specially: 30000/1 (read as 29.97) and exactly 359/12.
ff -f lavfi -i "$(bars 160x120 30000 0.01)" -c:v mpeg4 -q:v 5 -video_track_timescale 30000 fps_30000.mp4
ff -f lavfi -i "$(bars 160x120 359/12 3)" -c:v mpeg4 -q:v 5 fps_359_12.avi

# A raw H.264 elementary stream: no container duration.
ff -f lavfi -i "$(bars 320x240 25 2)" -c:v libx264 -preset ultrafast -f h264 no_duration.h264

# Broken inputs.
: > zero_bytes.mp4
# Noise from a fixed seed: the same bytes in every build tree, so no tree draws bytes that
# happen to read as some format.
ff -f lavfi -i "anoisesrc=seed=7:sample_rate=65536:duration=1:amplitude=1" -f u8 -ac 1 random_bytes.avi
head -c 20000 h264_aac_stereo_12s.mp4 > truncated.mp4

# Short H.264/AAC source (3 s, 25 fps) for the round trip of every profile.
ff -f lavfi -i "$(bars 320x240 25 3)" -f lavfi -i "$(tone 440 48000 3)" \
   -ac 2 -c:v libx264 -preset ultrafast -g 25 -pix_fmt yuv420p -c:a aac -b:a 128k -shortest short_h264_aac_3s.mp4

# 30 fps, 8 s, whose luma tells the frame number (3 levels per frame): clips must start on the right frame.
ff -f lavfi -i "nullsrc=size=320x240:rate=30:duration=8,geq=lum='mod(N*3,256)':cb=128:cr=128" \
   -f lavfi -i "$(tone 440 48000 8)" -ac 2 -c:v libx264 -preset ultrafast -g 30 -pix_fmt yuv420p \
   -c:a aac -b:a 128k -shortest counter_30fps.mp4

# 30 fps, 6 s: a white flash (two frames) and a 1 kHz blip (1/30 s) at every whole second, for A/V sync.
ff -f lavfi -i "nullsrc=size=320x240:rate=30:duration=6,geq=lum='if(lt(mod(N,30),2),235,16)':cb=128:cr=128" \
   -f lavfi -i "aevalsrc='if(lt(mod(t,1),1/30),0.8*sin(2*PI*1000*t),0)|if(lt(mod(t,1),1/30),0.8*sin(2*PI*1000*t),0)':s=48000:d=6" \
   -c:v libx264 -preset ultrafast -g 30 -pix_fmt yuv420p -c:a aac -b:a 128k -shortest flash_sync_30fps.mp4

# 30 s, long enough to stop a conversion in the middle.
ff -f lavfi -i "$(bars 320x240 25 30)" -f lavfi -i "$(tone 440 48000 30)" \
   -ac 2 -c:v libx264 -preset ultrafast -g 25 -pix_fmt yuv420p -c:a aac -b:a 96k -shortest long_h264_aac_30s.mp4

# Colour bars (red, green, blue thirds) for the preview picture.
ff -f lavfi -i "rgbtestsrc=size=320x240:rate=25:duration=2" -c:v libx264 -preset ultrafast -pix_fmt yuv420p rgb_bars.mp4

# An MP3 with cover art: a still picture stream that is not a video to convert.
ff -f lavfi -i "color=c=orange:size=64x64" -frames:v 1 cover.png
ff -i audio_only.mp3 -i cover.png -map 0:a -map 1:v -c:a copy -c:v png -disposition:v attached_pic \
   -id3v2_version 3 audio_with_cover.mp3
rm -f cover.png

# Merges: plain sources of 2 and 4 s (with short_h264_aac_3s.mp4 they make 9 s).
for n in 2 4; do
  ff -f lavfi -i "$(bars 160x120 25 $n)" -f lavfi -i "$(tone 440 48000 $n)" \
     -ac 2 -c:v libx264 -preset ultrafast -g 25 -pix_fmt yuv420p -c:a aac -b:a 96k -shortest plain_${n}s.mp4
done

# Unlike sources of 2 s for merges: each starts with a white flash (two frames) and a 1 kHz blip
# (1/30 s), and repeats them at 1 s, so every join can be checked for sync.
flash() { echo "nullsrc=size=${1}:rate=${2}:duration=2,geq=lum='if(lt(mod(N\,${3})\,2)\,235\,16)':cb=128:cr=128"; }
blip() {
  local ch="if(lt(mod(t,1),1/30),0.8*sin(2*PI*1000*t),0)" expr
  expr=$ch; for _ in $(seq 2 "$2"); do expr="$expr|$ch"; done
  echo "aevalsrc='$expr':s=${1}:d=2"
}
# 320x240, 25 fps, H.264; AAC 48 kHz stereo.
ff -f lavfi -i "$(flash 320x240 25 25)" -f lavfi -i "$(blip 48000 2)" \
   -c:v libx264 -preset ultrafast -g 25 -pix_fmt yuv420p -c:a aac -b:a 128k -shortest sync_h264_25fps_48k_stereo.mp4
# 176x144, 29.97 fps, MPEG-4; PCM 44.1 kHz mono.
ff -f lavfi -i "$(flash 176x144 30000/1001 30)" -f lavfi -i "$(blip 44100 1)" \
   -c:v mpeg4 -q:v 4 -c:a pcm_s16le -shortest sync_mpeg4_2997fps_44k_mono.mkv
# 160x120, 30 fps, MPEG-2; AC-3 48 kHz 5.1, in a transport stream (which starts at 1.4 s).
ff -f lavfi -i "$(flash 160x120 30 30)" -f lavfi -i "$(blip 48000 6)" \
   -c:v mpeg2video -q:v 4 -c:a ac3 -b:a 384k -channel_layout 5.1 -shortest sync_mpeg2_30fps_ac3_5_1.ts
# Picture without sound (240x180, 25 fps) and sound without picture (44.1 kHz stereo FLAC).
ff -f lavfi -i "$(flash 240x180 25 25)" -c:v libx264 -preset ultrafast -g 25 -pix_fmt yuv420p sync_video_only.mp4
ff -f lavfi -i "$(blip 44100 2)" -c:a flac sync_audio_only.flac

# 25 fps, 22 s, with a tone: the top half's luma tells the second (16 + 9 per step), the bottom
# half the frame within it, so a picture read back tells its frame number without wrapping.
ff -f lavfi -i "nullsrc=size=320x240:rate=25:duration=22,geq=lum='16+9*if(lt(Y,H/2),floor(N/25),mod(N,25))':cb=128:cr=128" \
   -f lavfi -i "$(tone 440 48000 22)" -ac 2 -c:v libx264 -preset ultrafast -g 50 -pix_fmt yuv420p \
   -c:a aac -b:a 96k -shortest counter_bands_25fps_22s.mp4

# A name with spaces and non-ASCII letters.
cp h264_aac_stereo_12s.mp4 "name with spaces ÄÖü 视频.mp4"

# Streams that hold nothing or next to nothing, and sources that end early.
# Video and a 440 Hz track, then an empty video and an empty audio track: neither empty one is read.
ff -f lavfi -i "$(bars 320x240 25 3)" -f lavfi -i "$(tone 440 48000 3)" -f lavfi -i "$(bars 160x120 25 1)" \
   -f lavfi -i "$(tone 1000 22050 1)" -filter_complex "[2:v]trim=end_frame=0[ev];[3:a]atrim=end_sample=0[ea]" \
   -map 0:v -map 1:a -map "[ev]" -map "[ea]" -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -ac 2 \
   empty_trailing_tracks.mkv
# Video and a 440 Hz track, then 20 ms of a 1 kHz track at 22050 Hz: next to nothing beside 3 s.
ff -f lavfi -i "$(bars 320x240 25 3)" -f lavfi -i "$(tone 440 48000 3)" -f lavfi -i "$(tone 1000 22050 3)" \
   -filter_complex "[2:a]atrim=end=0.02[b]" -map 0:v -map 1:a -map "[b]" -c:v libx264 -preset ultrafast \
   -pix_fmt yuv420p -c:a aac -ac 2 blip_trailing_audio.mp4
# Video whose only audio track is empty: an audio profile finds nothing to convert.
ff -f lavfi -i "$(bars 320x240 25 3)" -f lavfi -i "$(tone 1000 22050 1)" -filter_complex "[1:a]atrim=end_sample=0[ea]" \
   -map 0:v -map "[ea]" -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac video_empty_audio.mkv

# Device output: picture shape, interlace, downmix level, rate peaks.
# A centred white square on black (half the picture's height) shows whether shapes are kept.
square() { echo "color=black:size=${1}:rate=${2}:duration=${3},drawbox=x=(iw-ih/2)/2:y=ih/4:w=ih/2:h=ih/2:color=white:t=fill"; }
# 16:9 anamorphic PAL, interlaced top field first (SAR 64:45), with a bar moving fast enough to
# comb when fields are mixed; 5.1 AC-3 with every channel at full scale, in phase.
ff -f lavfi -i "$(square 1024x576 50 4)" -f lavfi -i "color=white:size=16x576:rate=50" \
   -f lavfi -i "aevalsrc='0.99*sin(2*PI*440*t)|0.99*sin(2*PI*440*t)|0.99*sin(2*PI*440*t)|0.99*sin(2*PI*440*t)|0.99*sin(2*PI*440*t)|0.99*sin(2*PI*440*t)':s=48000:d=4:c=5.1" \
   -filter_complex "[0:v][1:v]overlay=x='mod(t*800,1000)':y=0:shortest=1,scale=720:576,tinterlace=interleave_top,setfield=tff,setsar=64/45[v]" \
   -map "[v]" -map 2:a -c:v mpeg2video -b:v 6M -flags +ilme+ildct -top 1 -aspect 16:9 \
   -c:a ac3 -b:a 448k -shortest pal_16x9_anamorphic_interlaced_ac3_5_1_fullscale.mpg
# The same moving bar in Motion JPEG whose pictures are not marked interlaced: only the
# container's field order tells.
ff -f lavfi -i "$(square 1024x576 50 3)" -f lavfi -i "color=white:size=16x576:rate=50" \
   -filter_complex "[0:v][1:v]overlay=x='mod(t*800,1000)':y=0:shortest=1,scale=720:576,tinterlace=interleave_top,setfield=tff,setsar=64/45[v]" \
   -map "[v]" -c:v mjpeg -q:v 3 -field_order tt -aspect 16:9 interlaced_unmarked_mjpeg.mov
# Square pixels, 16:9 and portrait.
ff -f lavfi -i "$(square 640x360 25 2)" -f lavfi -i "$(tone 440 48000 2)" \
   -ac 2 -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -b:a 96k -shortest square_16x9.mp4
ff -f lavfi -i "$(square 360x640 25 2)" -f lavfi -i "$(tone 440 48000 2)" \
   -ac 2 -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -b:a 96k -shortest square_portrait.mp4
# 16:9 anamorphic with the pixel shape in the container only (the H.264 stream says nothing).
ff -f lavfi -i "$(square 1024x576 25 2),scale=720:576,setsar=0" -c:v libx264 -preset ultrafast -pix_fmt yuv420p \
   -f h264 container_sar.h264
ff -r 25 -i container_sar.h264 -c copy -aspect 16:9 square_16x9_container_sar.mkv
rm -f container_sar.h264
# Moving bars under heavy grain: hard to code (over 2 Mb/s in MPEG-4 at 640x480 without limits),
# yet within what the coarsest quantiser reaches.
ff -f lavfi -i "testsrc2=size=640x480:rate=30:duration=4,noise=alls=40:allf=t+u" \
   -f lavfi -i "$(tone 440 48000 4)" -ac 2 -c:v libx264 -preset ultrafast -qp 34 -pix_fmt yuv420p \
   -c:a aac -b:a 96k -shortest grain_640x480_30fps.mp4

touch "$stamp"
