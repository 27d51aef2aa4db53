#!/usr/bin/env bash
# run.sh HARNESS FUZZ_DIR NAME SECONDS [WORK_DIR [LIBFUZZER_OPTION...]]
# Replays every kept regression input of NAME, then fuzzes for SECONDS on a
# copy of its seed corpus in WORK_DIR (the corpus in the repository is never
# written). Any crash, hang (past 10 s), memory blow-up or sanitizer report
# fails the run and leaves its input in WORK_DIR/findings.
set -euo pipefail
harness=$(realpath "$1") dir=$(realpath "$2") name=$3 seconds=$4
# The harnesses write their files for every input: a memory-backed folder
# keeps the disk out of the loop.
if [ -z "${TMPDIR:-}" ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
if [ $# -ge 5 ]; then
  work=$(realpath -m "$5")
else
  # A throw-away folder, kept only when the run failed.
  work=$(mktemp -d)
  trap 'if [ $? -eq 0 ]; then rm -rf "$work"; else echo "run.sh: findings kept in $work" >&2; fi' EXIT
fi
shift $(( $# < 5 ? $# : 5 ))
mkdir -p "$work/corpus" "$work/findings"
opts=(-timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=2048)
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:quarantine_size_mb=16
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

shopt -s nullglob
regressions=("$dir/regressions/$name"/*)
if [ ${#regressions[@]} -gt 0 ]; then
  "$harness" "${opts[@]}" "${regressions[@]}"
fi
cp "$dir/corpus/$name"/* "$work/corpus/"
"$harness" "${opts[@]}" -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix="$work/findings/" "$@" "$work/corpus"
