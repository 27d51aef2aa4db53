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
# sessions that press every resection command; the edges of the image
# transformation and the intersection.
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
for options in "imagetrans --photos 12 --points 50" "resection --points 25" "resection --points 4" \
            "intersection --photos 8 --points 200" "relative --photos 12" \
            "relative --photos 2" "absolute --points 100" "absolute --points 5"; do
  d=ex-big-${options// /_}
  # shellcheck disable=SC2086
  "$old/tessaro-exercise" $options --seed 5 --noise 0.003 --out "$d" > /dev/null
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

# The image transformation's and the intersection's edges: refused, rejected
# and short photos, a mark measured twice, comparator photographs, points seen
# once, numbered 0, on eight or nine photographs, parallel rays, q = 0; and a
# resection made afterwards on what they leave in the shared point arrays and
# station cells.
d=imagetrans-edges; mkdir -p "$d"
cp "$src/examples/resection.txt" "$d/res.txt"
cat > "$d/it.txt" <<'EOF'
"Edges of the image transformation"
 10, 4
 51, -106, -106
 52,  106, -106
 53,  106,  106
 54, -106,  106
 21, 1
 53, 226.373, 228.208
 901, 10.5, 20.25
 51,  13.424,  17.019
 52, 225.0, 16.0
 54,  14.318, 229.084
 902, 100, 100
 52, 225.494,  16.144
 903, 200.125, 50
 0,0,0
 22, 2
 51, 14, 12
 52, 226, 12
 53, 226, 224
 54, 14, 224
 1, 5, 5
 0,0,0
 23, 3
 51, 14.01, 12
 52, 226, 12.02
 53, 226.03, 224
 54, 14, 224.01
 1, 5, 5
 2, 7, 9
 0,0,0
 24, 4
 51, 14, 12
 52, 226, 12
 53, 226, 224
 54, 14, 224
 0,0,0
 25, -2
 7, 100, 100
 0,0,0
 26, 2
 51, 0, 0
 52, 10, 10
 53, 20, 20
 54, 30, 30
 9, 1, 1
 0,0,0
 27, 1
 51, 14, 12
 52, 226, 12
 0,0,0
 28, 2
 51, 14, 12
 52, 226, 12
 53, 226, 224
 9, 5, 6
 10, 15, 16
 0,0,0
 29, -1
 3, 100, 200
 0,0,0
 30, 1
 51, -106, -106
 52,  106, -106
 53,  106,  106
 54, -106,  106
 1,  -57.973,  -54.404
 2,   -4.562,  -58.131
 3,   51.915,  -62.256
 4,  -54.760,   -0.961
 5,   -2.166,   -3.243
 6,   56.250,   -5.778
 7,  -53.008,   52.236
 8,    0.305,   53.366
 9,   54.292,   48.514
 0,0,0
EOF
cat > "$d/run.tss" <<'EOF'
Open-OutputFile report.txt
Open-Resection res.txt
Enter Resection Data
Open-ImageTrans it.txt
Enter ImageTransData
answer y
answer N
answer No
answer
answer Y
answer Y
Process ImageTrans
dump BlackBoard
Make Resection
dump BlackBoard
Exit
EOF
d=intersection-edges; mkdir -p "$d"
cp "$src/examples/resection.txt" "$d/res.txt"
cp "$src/src/intersection/testdata/comparator.txt" "$d/comparator.txt"
cat > "$d/edges.txt" <<'EOF'
"Edges, of the intersection"
4
1, 100, 0, 0, 1000, 0, 0, 0
5, 12, 8
0, 7.5, 3
4, 1, 1
7, 12.5, -3.25
9, 3, 4
0,0,0
2, 100, 500, 0, 1000, 0, 0, 0
9, -1, -2
5, -38, 8
0, -20, 3
0,0,0
22, 120, 250, 40, 980, 1.5, -2, 91
5, -3.5, 24.25
9, 2, 2
0,0,0
3, 100, 250, 0, 1000, 0, 0, 0
7, -12.5, -3.25
0,0,0
EOF
cat > "$d/parallel.txt" <<'EOF'
T
3
1, 100, 0, 0, 1000, 0, 0, 0
5, 12, 8
7, 12.5, -3.25
0,0,0
2, 100, 500, 0, 1000, 0, 0, 0
5, -38, 8
0,0,0
3, 100, 0, 0, 1000, 0, 0, 0
7, 12.5, -3.25
0,0,0
EOF
cat > "$d/q0.txt" <<'EOF'
T
2
1, 100, 0, 0, 1000, 0, 0, 0
5, 12, 8
0,0,0
3, 100, 0, 0, 0, 0, 0, 0
5, 1, 1
0,0,0
EOF
cat > "$d/eight.txt" <<'EOF'
T
8
1, 100, 100, 5, 1000, 0.5, -1, 1
5, 1.5, 8
6, 1, -1
0,0,0
2, 100, 200, 5, 1000, 0.5, -1, 2
5, 2.5, 8
6, 1, -2
0,0,0
3, 100, 300, 5, 1000, 0.5, -1, 3
5, 3.5, 8
6, 1, -3
0,0,0
4, 100, 400, 5, 1000, 0.5, -1, 4
5, 4.5, 8
6, 1, -4
0,0,0
5, 100, 500, 5, 1000, 0.5, -1, 5
5, 5.5, 8
6, 1, -5
0,0,0
6, 100, 600, 5, 1000, 0.5, -1, 6
5, 6.5, 8
6, 1, -6
0,0,0
7, 100, 700, 5, 1000, 0.5, -1, 7
5, 7.5, 8
6, 1, -7
0,0,0
8, 100, 800, 5, 1000, 0.5, -1, 8
5, 8.5, 8
6, 1, -8
0,0,0
EOF
cat > "$d/nine.txt" <<'EOF'
T
9
1, 100, 100, 0, 1000, 0, 0, 0
5, 12, 8
6, 1, 1
0,0,0
2, 100, 200, 0, 1000, 0, 0, 0
5, 12, 8
6, 1, 1
0,0,0
3, 100, 300, 0, 1000, 0, 0, 0
5, 12, 8
6, 1, 1
0,0,0
4, 100, 400, 0, 1000, 0, 0, 0
5, 12, 8
6, 1, 1
0,0,0
5, 100, 500, 0, 1000, 0, 0, 0
5, 12, 8
6, 1, 1
0,0,0
6, 100, 600, 0, 1000, 0, 0, 0
5, 12, 8
6, 1, 1
0,0,0
7, 100, 700, 0, 1000, 0, 0, 0
5, 12, 8
6, 1, 1
0,0,0
8, 100, 800, 0, 1000, 0, 0, 0
5, 12, 8
6, 1, 1
0,0,0
9, 100, 900, 0, 1000, 0, 0, 0
5, 12, 8
6, 1, 1
0,0,0
EOF
cat > "$d/thrice.txt" <<'EOF'
T
2
1, 100, 0, 0, 1000, 0, 0, 0
5, 12, 8
0,0,0
2, 100, 500, 0, 1000, 0, 0, 0
51, 1, 1
51, 2, 2
51, 3, 3
5, 1, 1
0,0,0
EOF
cat > "$d/zero.txt" <<'EOF'
T
2
1, 100, 0, 0, 1000, 0, 0, 0
5, 12, 8
0,0,0
2, 100, 500, 0, 1000, 0, 0, 0
51, 1, 1
0, 1, 1
51, 2, 2
52, 1, 1
52, 1, 5
53, 1, 1
53, 5, 5
5, 1, 1
0,0,0
EOF
cat > "$d/run.tss" <<'EOF'
Open-OutputFile report.txt
Open Relative Orient strip.txt
Open-Resection res.txt
Enter Resection Data
Open-Intersection comparator.txt
answer
Enter Intersection Data
Process Intersection
dump BlackBoard
Make Resection
dump BlackBoard
Process Intersection
Close-Intersection
Open-Intersection comparator.txt
answer N
Enter Intersection Data
Process Intersection
Close-Intersection
Open-Intersection edges.txt
Enter Intersection Data
Process Intersection
dump BlackBoard
Make Resection
Close-Intersection
Open-Intersection eight.txt
Enter Intersection Data
Process Intersection
dump BlackBoard
Close-Intersection
Open-Intersection parallel.txt
Enter Intersection Data
Process Intersection
dump BlackBoard
Close-Intersection
Open-Intersection q0.txt
Enter Intersection Data
Process Intersection
Close-Intersection
Open-Intersection nine.txt
Enter Intersection Data
Process Intersection
Close-Intersection
Open-Intersection thrice.txt
Enter Intersection Data
Close-Intersection
Open-Intersection zero.txt
Enter Intersection Data
Exit
EOF

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
