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
