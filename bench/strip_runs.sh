#!/bin/sh
# Whole tessaro-script runs of the relative orientation on the benchmark strip
# of about 1,000 (24 photographs) and 10,000 (240) image points: wall time and
# peak memory from GNU time. Usage: bench/strip_runs.sh BIN_DIR
set -e
bin=$(cd "$1" && pwd)
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
for photos in 24 240; do
  "$bin/tessaro-make-strip" $photos "$dir/strip$photos.txt"
  printf 'Open-OutputFile %s\nOpen Relative Orient %s\nEnter Relative Orient Data\nProcess Relative Orient\nExit\n' \
    "$dir/report$photos.txt" "$dir/strip$photos.txt" > "$dir/run$photos.tss"
  points=$(grep -c '^ [1-9][0-9]* [-0-9]' "$dir/strip$photos.txt")
  /usr/bin/time -f "strip of $photos photographs, $points image points: %e s wall, %U s user, peak %M KB" \
    "$bin/tessaro-script" "$dir/run$photos.tss" > "$dir/out$photos.txt"
done
