# Sourced by the bench scripts: our settings spelled for the ffmpeg program.

# Profile 90400 spelled for the ffmpeg program: a key frame every 5 s (150 frames), no B-frames,
# one reference, x264's baseline profile at level 2.0 with a 1500 kbit/s peak over a 2000 kbit
# buffer three quarters full at the start, the quantiser and motion settings of our H.264 path;
# 29.97 fps time base with each picture in the slot at or after its time (no copies added); the
# ipod muxer with its index in front. Our resampler's settings (a short filter, the mix
# normalised) spelled as aresample's.
h264=(-c:v libx264 -b:v 1500k -maxrate 1500k -bufsize 2000k -rc_init_occupancy 1500k
      -g 150 -keyint_min 25 -bf 0 -refs 1 -qmin 10 -qmax 51 -qdiff 4 -qcomp 0.6
      -me_range 16 -profile:v baseline -level 2.0 -r 30000/1001 -fps_mode vfr)
# Profile 90401: the same for the 640x480 frame, at level 3.0.
h264_tv=("${h264[@]/#2.0/3.0}")
resample() { echo "aresample=$1:filter_size=16:phase_shift=10:linear_interp=0:cutoff=0.8:rematrix_maxval=1.0:out_chlayout=stereo"; }
# Interlaced sources: every picture made whole before it is scaled.
deinterlace=bwdif=mode=send_frame:parity=auto:deint=all
wide=scale=320:180:flags=bicubic,pad=320:240:0:30:black,setsar=1,format=yuv420p
wide_tv=scale=640:360:flags=bicubic,pad=640:480:0:60:black,setsar=1,format=yuv420p
square=scale=320:240:flags=bicubic,setsar=1,format=yuv420p
