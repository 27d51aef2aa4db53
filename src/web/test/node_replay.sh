#!/bin/bash
# The node build of tessaro-script against the native one: the demo session
# and a 10,000-point intersection, reports and standard output byte for byte.
#   node_replay.sh NATIVE_BIN_DIR TESSARO_SCRIPT_JS WORK_DIR
set -euo pipefail
native=$1/tessaro-script js=$2 work=$3
src=$(cd "$(dirname "$0")/../../.." && pwd)
rm -rf "$work" && mkdir -p "$work/native" "$work/node"
cp "$src"/examples/* "$work/native/"
"$src/tools/large_inputs.sh" - "$work/native" 10000 > /dev/null
printf 'Open-OutputFile large.report\nOpen-Intersection intersection-large.txt\nEnter Intersection Data\nProcess Intersection\n' \
  > "$work/native/large.tss"
cp "$work"/native/* "$work/node/"
status=0
for session in demo large; do
  (cd "$work/native" && "$native" $session.tss > $session.out)
  (cd "$work/node" && node --no-experimental-fetch "$js" $session.tss > $session.out)
  for f in $session.out $([ $session = demo ] && echo demo-report.txt || echo large.report); do
    if cmp -s "$work/native/$f" "$work/node/$f"; then echo "$f: same bytes"; else echo "$f: differs"; status=1; fi
  done
done
exit $status
