#!/usr/bin/env bash
# Makes the pictures of the user guide from the real windows.
#   tools/screenshots.sh BINDIR
# Needs a display; `make screenshots` runs it under Xvfb (1600x1000).
set -euo pipefail

bindir=$(cd "${1:?usage: tools/screenshots.sh BINDIR}" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
docs="$root/docs"
mkdir -p "$docs"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "screenshots: no display; run it as: xvfb-run -a -s \"-screen 0 1600x1000x24\" $0 $bindir" >&2
  exit 1
fi

"$bindir/tessaro-screens" "$root/examples" "$docs"

# The picture of each operation, as the example session's plot lines write
# them, drawn as PNG for the guide.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$root"/examples/*.txt "$root"/examples/demo.tss "$work"
(cd "$work" && "$bindir/tessaro-script" demo.tss > /dev/null)
for op in imagetrans resection intersection relative absolute; do
  rsvg-convert --background-color=white -o "$docs/plot-$op.png" "$work/demo-$op.svg"
done

for name in form1 blackboard resection plot form2 relative help plot-imagetrans \
            plot-resection plot-intersection plot-relative plot-absolute; do
  [ -s "$docs/$name.png" ] || { echo "screenshots: $docs/$name.png is missing" >&2; exit 1; }
done
if command -v identify >/dev/null; then
  identify -format "%f %wx%h\n" "$docs"/*.png
fi
