#!/bin/sh
# Starts the installed console under a virtual display (logged out: its log-in dialog opens) and
# waits, within a deadline, for its main window "Corvane - Agent" to appear among the display's
# windows; then the console is stopped.
#   installed-window.sh <installed corvane-agent> <output folder>
# Exits 77 (CTest: skipped, with the reason printed) when Xvfb, xvfb-run, xauth or xwininfo is missing.
set -eu
program=$1
output=$2
for tool in Xvfb xvfb-run xauth xwininfo; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIPPED: $tool is not installed (scripts/install-deps installs it); the installed console's window was not checked"
    exit 77
  fi
done
rm -rf "$output"
mkdir -p "$output"
export CORVANE_WINDOW_PROGRAM="$program" CORVANE_WINDOW_OUTPUT="$output"
# shellcheck disable=SC2016
exec xvfb-run -a -s "-screen 0 1280x800x24" sh -c '
  "$CORVANE_WINDOW_PROGRAM" \
    >"$CORVANE_WINDOW_OUTPUT/console.log" 2>&1 &
  pid=$!
  found=""
  deadline=$(( $(date +%s) + 30 ))
  while [ "$(date +%s)" -lt "$deadline" ] && kill -0 "$pid" 2>/dev/null; do
    found=$(xwininfo -root -tree 2>/dev/null | grep "\"Corvane - Agent" || true)
    [ -n "$found" ] && break
    sleep 0.1
  done
  if [ -z "$found" ]; then
    echo "FAIL: no window \"Corvane - Agent\" within 30 s; windows:"
    xwininfo -root -tree 2>/dev/null | grep "\"" || true
  fi
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  if [ -z "$found" ]; then
    echo "console output:"
    cat "$CORVANE_WINDOW_OUTPUT/console.log"
    exit 1
  fi
  echo "main window found:$found"
'
