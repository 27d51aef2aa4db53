#!/usr/bin/env bash
# Runs a program on a virtual screen of the given size under a real window
# manager (openbox), which decorates and places windows as a desktop does;
# the offscreen platform has no window frames at all.
#   with_window_manager.sh WIDTHxHEIGHT PROGRAM [ARGS...]
# Exits with the program's status, or 77 (a skip for ctest) when Xvfb,
# openbox or xprop is not installed.
set -euo pipefail

size=${1:?usage: with_window_manager.sh WIDTHxHEIGHT PROGRAM [ARGS...]}
shift
for tool in Xvfb openbox xprop; do
  if ! command -v "$tool" >/dev/null; then
    echo "with_window_manager: $tool is missing (Debian packages xvfb, openbox, x11-utils);" \
      "skipped" >&2
    exit 77
  fi
done

work=$(mktemp -d)
xvfb=""
wm=""
cleanup() {
  [ -n "$wm" ] && kill "$wm" 2>/dev/null && wait "$wm" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "with_window_manager: $1" >&2
  for log in "$work"/*.log; do
    echo "--- $(basename "$log")" >&2
    cat "$log" >&2
  done
  exit 1
}

# The server picks a free display itself and writes its number once it
# listens, so that tests run side by side never race for one.
Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && xprop -display ":$(tr -d '\n' <"$work/display")" -root >/dev/null 2>&1 &&
    break
  kill -0 "$xvfb" 2>/dev/null || break
  sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not start"
DISPLAY=":$(tr -d '\n' <"$work/display")"
export DISPLAY
xprop -root >/dev/null 2>&1 || fail "Xvfb does not answer on $DISPLAY"

# Openbox's own defaults, not the settings of whoever runs the test.
config=()
[ -f /etc/xdg/openbox/rc.xml ] && config=(--config-file /etc/xdg/openbox/rc.xml)
for attempt in 1 2 3; do
  openbox --sm-disable "${config[@]}" >>"$work/openbox.log" 2>&1 &
  wm=$!
  for _ in $(seq 100); do
    # Openbox names its theme on the root window at the end of its start,
    # just before it takes on windows.
    xprop -root _OB_THEME 2>/dev/null | grep -q = && break 2
    kill -0 "$wm" 2>/dev/null || break
    sleep 0.1
  done
  echo "(attempt $attempt failed)" >>"$work/openbox.log"
  kill "$wm" 2>/dev/null && wait "$wm" 2>/dev/null
  wm=""
done
[ -n "$wm" ] || fail "openbox did not start on $DISPLAY"

status=0
QT_QPA_PLATFORM=xcb "$@" || status=$?
exit "$status"
