#!/bin/bash
# Runs one corpus of sessions through two builds of tessaro-script and tells
# whether every report, standard output, standard error and exit status is
# byte for byte the same:
#   tools/same_reports.sh OLD_BIN_DIR NEW_BIN_DIR [WORK_DIR]
# OLD_BIN_DIR must also hold tessaro-exercise (the corpus is made with it).
# The corpus: the demo session on the examples; the answer-key sessions of
# seeded exercises of all five operations, exact and with noise, at several
# sizes; large synthetic inputs of every operation (tools/large_inputs.sh);
# strips of tessaro-make-strip when OLD_BIN_DIR has it; and resection
# sessions that press every resection command.
# Exit 0 when all agree, 1 with the names of those that differ.
set -euo pipefail
old=$(cd "$1" && pwd) new=$(cd "$2" && pwd)
work=${3:-$(mktemp -d)}
src=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$work/corpus"
cd "$work/corpus"

# --- the corpus: one folder per session, holding its inputs and run.tss ---
mkdir -p demo && cp "$src"/examples/* demo/ && cp demo/demo.tss demo/run.tss

for op in imagetrans resection intersection relative absolute; do
  for seed in 1 2 3 7 11 42 1234 99999; do
    for noise in 0 0.004; do
      d=ex-$op-$seed-$noise
      "$old/tessaro-exercise" $op --seed $seed --noise $noise --out "$d" > /dev/null
      cp "$d/key.tss" "$d/run.tss"
    done
  done
done
for spec in "imagetrans --photos 12 --points 50" "resection --points 25" "resection --points 4" \
            "intersection --photos 8 --points 200" "relative --photos 12" \
            "relative --photos 2" "absolute --points 100" "absolute --points 5"; do
  d=ex-big-${spec// /_}
  # shellcheck disable=SC2086
  "$old/tessaro-exercise" $spec --seed 5 --noise 0.003 --out "$d" > /dev/null
  cp "$d/key.tss" "$d/run.tss"
done

mkdir -p large
"$src/tools/large_inputs.sh" "$old" large 3000 20 > /dev/null
for f in large/*.tss; do
  d=large-$(basename "$f" .tss); mkdir -p "$d"
  cp "large/$(basename "$f" .tss)" "$d/"
  sed "s|large/||" "$f" > "$d/run.tss"
done
rm -rf large

if [ -x "$old/tessaro-make-strip" ]; then
  for photos in 3 24 60; do
    d=strip-$photos; mkdir -p "$d"
    "$old/tessaro-make-strip" $photos "$d/strip.txt"
    printf 'Open-OutputFile report.txt\nOpen Relative Orient strip.txt\nEnter Relative Orient Data\nProcess Relative Orient\ndump BlackBoard\nExit\n' > "$d/run.tss"
  done
fi

# Every resection command on the example and on an exercise.
for input in "$src/examples/resection.txt" ex-resection-7-0.004/input.txt; do
  d=resection-commands-$(basename "$(dirname "$input")"); mkdir -p "$d"
  cp "$input" "$d/res.txt"
  cat > "$d/run.tss" <<'EOF'
Open-OutputFile report.txt
Open-Resection res.txt
Enter Resection Data
Make Resection
dump BlackBoard
Change Sta Parameters
dump Station values
answer 2
answer 4
answer 9
Select Control Points
answer 2
Iterations
Make Resection
dump BlackBoard
Reverse Direction
answer 20
Iterations
Make Resection
dump Console
dump Labels
Exit
EOF
done

# Resection ends and repeated point numbers: image records and control
# numbered twice (the first control point of a number counts), drop lists
# that name a number twice or not at all, limits, divergence, free angles, a
# point level with the projection centre, standard errors of 0 and so large
# that the normal matrix is singular.
d=resection-outcomes; mkdir -p "$d"
ex=$src/examples/resection.txt
sed -e 's/^ 0,0,0,0$/ 4, 5, 2005, 100\n 0,0,0,0/' -e 's/^ 0,0,0$/ 4, -54.760, -0.961\n 1, -57.973, -54.404\n 0,0,0/' \
  "$ex" > "$d/repeats.txt"
sed 's/^111,.*/111,800,1500,2300,0,0,0,1000,1000,0/' "$ex" > "$d/free.txt"
sed 's/259.714/2300/' "$ex" > "$d/flat.txt"
sed 's/^111,.*/111,800,1500,2300,0,0,0,0,1000,2000/' "$ex" > "$d/zero.txt"
sed -e 's/^111,.*/111,800,1500,2300,0,0,0,1e200,1e200,1e200/' -e '/^ [3-9], .*\..*, .*\./d' \
  "$ex" > "$d/singular.txt"
{
  echo "Open-OutputFile report.txt"
  echo "Open-Resection repeats.txt"; echo "Enter Resection Data"; echo "Make Resection"
  echo "dump BlackBoard"
  for a in 4 4 42 4 1; do echo "answer $a"; done; echo "Select Control Points"
  echo "answer 0"; echo "Iterations"; echo "Make Resection"; echo "dump BlackBoard"
  for a in 7 4 4 1 1 9 9 3; do echo "answer $a"; done; echo "Select Control Points"
  echo "answer 1"; echo "Iterations"; echo "Make Resection"
  echo "answer 8"; echo "Iterations"; echo "Make Resection"; echo "dump BlackBoard"
  echo "Reverse Direction"; echo "Make Resection"; echo "dump BlackBoard"
  echo "Change Sta Parameters"; echo "dump Station values"
  for f in free flat zero singular; do
    echo "Close-Resection"; echo "Open-Resection $f.txt"; echo "Enter Resection Data"
    echo "Make Resection"; echo "dump BlackBoard"
  done
  echo "Exit"
} > "$d/run.tss"

# Absolute orientation with repeated numbers among control and measured
# points, measured points in reverse order, control without a partner, and
# control that cannot fix the rotation (singular normal equations).
d=absolute-repeats; mkdir -p "$d"
cat > "$d/abs.txt" <<'EOF'
"Repeats"
0.027
3701, 4612.350, 3187.620, 112.480
3702, 5688.910, 3245.070, 187.350
3709, 5000, 3500, 150
3705, 5704.280, 4093.550, 0
3701, 4612.350, 3187.620, 112.480
3708, 0, 0, 176.260
0,0,0,0
3708,  -32.826,   29.326, -140.127
3707,   35.741,   22.542, -143.152
3705,   52.316,   44.492, -144.365
3701,  -36.491,  -35.394, -146.493
3706,   23.105,  -36.002, -140.449
3702,   53.708,  -27.042, -137.865
3701,  -36.491,  -35.394, -146.493
3704,    7.443,    0.852, -137.068
3703,  -23.999,   35.345, -142.552
3705,   52.316,   44.492, -144.365
0,0,0,0
EOF
cat > "$d/flat.txt" <<'EOF'
"One model point for all control"
0.027
1, 100, 200, 10
2, 300, 200, 20
3, 300, 400, 30
0,0,0,0
1, 1, 1, 1
2, 1, 1, 1
3, 1, 1, 1
0,0,0,0
EOF
printf '%s\n' "Open-OutputFile report.txt" "Open Absolute Orient abs.txt" \
  "Enter Absolute Orient Data" "Process Absolute Orient" "Process Absolute Orient" \
  "Close Absolute Orient" "Open Absolute Orient flat.txt" "Enter Absolute Orient Data" \
  "Process Absolute Orient" "Exit" > "$d/run.tss"

# --- run both builds on every session and compare ---
differ=()
count=0
for d in */; do
  d=${d%/}
  for side in old new; do
    rm -rf "$work/$side-$d"; cp -r "$d" "$work/$side-$d"
    bin=$old; [ $side = new ] && bin=$new
    (cd "$work/$side-$d" && { "$bin/tessaro-script" run.tss > stdout.txt 2> stderr.txt; echo $? > status.txt; } || true)
  done
  if ! diff -r "$work/old-$d" "$work/new-$d" > /dev/null; then differ+=("$d"); fi
  rm -rf "$work/old-$d" "$work/new-$d"
  count=$((count + 1))
done
if [ ${#differ[@]} -eq 0 ]; then
  echo "same_reports: all $count sessions agree byte for byte"
else
  echo "same_reports: ${#differ[@]} of $count sessions differ: ${differ[*]}"
  echo "(rerun one with: cd $work/corpus/NAME && tessaro-script run.tss)"
  exit 1
fi
