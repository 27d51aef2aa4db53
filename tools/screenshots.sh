#!/usr/bin/env bash
# Makes the pictures of the user guide from the real windows.
#   tools/screenshots.sh BINDIR
# Needs a display; `make screenshots` runs it under Xvfb (1600x1000).
set -euo pipefail

bindir=${1:?usage: tools/screenshots.sh BINDIR}
root=$(cd "$(dirname "$0")/.." && pwd)
docs="$root/docs"
mkdir -p "$docs"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "screenshots: no display; run it as: xvfb-run -a -s \"-screen 0 1600x1000x24\" $0 $bindir" >&2
  exit 1
fi

"$bindir/tessaro-screens" "$root/examples" "$docs"
for name in form1 blackboard resection form2 relative help; do
  [ -s "$docs/$name.png" ] || { echo "screenshots: $docs/$name.png is missing" >&2; exit 1; }
done
if command -v identify >/dev/null; then
  identify -format "%f %wx%h\n" "$docs"/*.png
fi
