# Shared by the bench scripts: times zentrova_run against ffmpeg_run, alternating, and prints
# each run, the means and the median of the per-run ratios.
# Usage (after defining zentrova_run and ffmpeg_run): compare_runs RUNS ZENTROVA_LABEL FFMPEG_LABEL

seconds() { date +%s.%N; }
calc() { awk "BEGIN { print $1 }"; }

compare_runs() {
  local runs=$1 zlabel=$2 flabel=$3
  local z_total=0 f_total=0 ratios=() i t0 t1 t2 z f
  for i in $(seq 1 "$runs"); do
    t0=$(seconds); zentrova_run; t1=$(seconds); ffmpeg_run; t2=$(seconds)
    z=$(calc "$t1 - $t0"); f=$(calc "$t2 - $t1")
    printf 'run %d: %s %6.2f s   %s %6.2f s   ratio %.3f\n' "$i" "$zlabel" "$z" "$flabel" "$f" "$(calc "$z / $f")"
    ratios+=("$(calc "$z / $f")")
    z_total=$(calc "$z_total + $z"); f_total=$(calc "$f_total + $f")
  done
  printf 'mean:  %s %6.2f s   %s %6.2f s   ratio %.3f\n' \
    "$zlabel" "$(calc "$z_total / $runs")" "$flabel" "$(calc "$f_total / $runs")" "$(calc "$z_total / $f_total")"
  # The machine may be shared: the median of the per-run ratios is the steadier figure.
  printf 'median of the run ratios: %s\n' "$(printf '%s\n' "${ratios[@]}" | sort -g |
    awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }')"
}
