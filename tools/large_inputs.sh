#!/bin/bash
# Writes large but legal input files of error-free synthetic geometry into
# FOLDER and times each operation on them with tessaro-script:
#   tools/large_inputs.sh BIN_DIR FOLDER [POINTS] [PHOTOS]
# BIN_DIR "-" writes the files and runs nothing (the benchmarks time them).
# POINTS (default 10000) points in the image transformation (one affine film
# photo), the resection (as many control points as image points), the
# intersection (each point on two neighbouring photographs of a strip of
# PHOTOS, default 100) and the absolute orientation (every point control).
# Level photographs, f = 152, flying height 3000: x = f (X - X0) / (Z0 - Z).
set -euo pipefail
bin=$1 dir=$2 n=${3:-10000} photos=${4:-100}
[ "$bin" = - ] || bin=$(cd "$bin" && pwd)
mkdir -p "$dir"
cd "$dir"

awk -v n="$n" 'BEGIN {
  print "\"Large image transformation\""; print "1, 4"
  print "51, -106, -106"; print "52, 106, -106"; print "53, 106, 106"; print "54, -106, 106"
  # Measured = calibrated + (120, 118), a pure shift the affine model recovers.
  print "1, 2"
  print "51, 14, 12"; print "52, 226, 12"; print "53, 226, 224"; print "54, 14, 224"
  for (k = 1; k <= n; k++) printf "%d, %.3f, %.3f\n", 1000 + k, 10 + (k * 37) % 220, 10 + (k * 53) % 220
  print "0,0,0" }' > imagetrans-large.txt

awk -v n="$n" 'function gx(k) { return (k % 100) * 20 } function gy(k) { return int(k / 100) * 20 % 2000 }
  function gz(k) { return 100 + (k * 7) % 300 }
  BEGIN {
  print "\"Large resection\""; print "1, 152, 0.003"
  for (k = 1; k <= n; k++) printf "%d, %.3f, %.3f, %.3f\n", k, gx(k), gy(k), gz(k)
  print "0,0,0,0"
  # True station (1000, 1000, 3000), level; approximations 50 m and a few degrees off.
  print "1, 1050, 950, 2950, 2, -2, 3, 1000, 1000, 2000"
  for (k = 1; k <= n; k++)
    printf "%d, %.6f, %.6f\n", k, 152 * (gx(k) - 1000) / (3000 - gz(k)), 152 * (gy(k) - 1000) / (3000 - gz(k))
  print "0,0,0" }' > resection-large.txt

awk -v n="$n" -v P="$photos" 'BEGIN {
  print "\"Large intersection\""; print P
  # Point k lies between photographs a = k % (P - 1) and a + 1, 1000 m apart:
  # photograph p holds, ascending, the points whose a is p - 1 or p.
  for (p = 0; p < P; p++) {
    printf "%d, 152, %d, 0, 3000, 0, 0, 0\n", p + 1, 1000 * p
    for (base = 0; base <= n; base += P - 1)
      for (a = p - 1; a <= p; a++) {
        k = base + a
        if (a < 0 || a > P - 2 || k < 1 || k > n) continue
        X = 1000 * a + 100 + (k * 13) % 800; Y = -900 + (k * 17) % 1800; Z = (k * 7) % 300
        printf "%d, %.6f, %.6f\n", k, 152 * (X - 1000 * p) / (3000 - Z), 152 * Y / (3000 - Z)
      }
    print "0,0,0"
  } }' > intersection-large.txt

awk -v n="$n" 'BEGIN {
  print "\"Large absolute orientation\""; print "0.027"
  # Ground = 10 model + (5000, 3000, 100).
  for (k = 1; k <= n; k++)
    printf "%d, %.3f, %.3f, %.3f\n", k, 5000 + 10 * ((k % 100) - 50), 3000 + 10 * (int(k / 100) % 100 - 50), 100 + 10 * ((k * 7) % 30) / 10
  print "0,0,0,0"
  for (k = 1; k <= n; k++)
    printf "%d, %.4f, %.4f, %.4f\n", k, (k % 100) - 50, int(k / 100) % 100 - 50, ((k * 7) % 30) / 10
  print "0,0,0,0" }' > absolute-large.txt

[ "$bin" != - ] || exit 0

run() {  # OPEN-CAPTION FILE ENTER PROCESS [ANSWER]
  { echo "Open-OutputFile $2.report"; echo "$1 $2"; echo "$3"
    [ -z "${5:-}" ] || echo "answer $5"; echo "$4"; } > "$2.tss"
  local start=$(date +%s.%N)
  "$bin/tessaro-script" "$2.tss" > "$2.out"
  printf '%-26s %6.2f s  report %7d lines  %s\n' "$2" "$(echo "$(date +%s.%N) - $start" | bc)" \
    "$(wc -l < "$2.report")" "$(grep -c '^message' "$2.out" || true) message(s)"
}
run Open-ImageTrans imagetrans-large.txt "Enter ImageTransData" "Process ImageTrans" Y
run Open-Resection resection-large.txt "Enter Resection Data" "Make Resection"
run Open-Intersection intersection-large.txt "Enter Intersection Data" "Process Intersection"
run "Open Absolute Orient" absolute-large.txt "Enter Absolute Orient Data" "Process Absolute Orient"
