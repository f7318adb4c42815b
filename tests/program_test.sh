#!/bin/sh
# The program as it is run: a command-line flight loads no Qt library; render
# finds the GUI module beside the program; without the module render says why
# and fails, and fly still works.
set -eu
prog=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

LD_DEBUG=libs "$prog" fly --pattern upwind --ticks 20 --dt 0.01 --csv "$tmp/f.csv" 2>"$tmp/libs" \
  || fail "fly exited $?"
grep -q 'libQt6' "$tmp/libs" && fail "fly loaded a Qt library"
[ "$(wc -l <"$tmp/f.csv")" -eq 21 ] || fail "fly wrote $(wc -l <"$tmp/f.csv") lines, not 21"

"$prog" render --pattern upwind --ticks 20 --dt 0.02 --png "$tmp/r.png" || fail "render exited $?"
[ "$(head -c 4 "$tmp/r.png" | od -An -c | tr -d ' ')" = '211PNG' ] || fail "render wrote no PNG"

mkdir "$tmp/alone"
cp "$prog" "$tmp/alone/soarcalculus"
status=0
"$tmp/alone/soarcalculus" render --pattern upwind --ticks 20 --dt 0.02 --png "$tmp/alone/r.png" \
  2>"$tmp/err" || status=$?
[ "$status" -eq 1 ] || fail "render without the module exited $status, not 1"
grep -q 'cannot load the window and picture module' "$tmp/err" || fail "no reason given: $(cat "$tmp/err")"
[ ! -e "$tmp/alone/r.png" ] || fail "render without the module wrote a picture"
"$tmp/alone/soarcalculus" fly --pattern upwind --ticks 20 --dt 0.01 >/dev/null 2>&1 \
  || fail "fly without the module exited $?"
# A display that is named but cannot be reached, or a Qt platform that does not
# exist: the no-display message and exit 2, never Qt's abort and core dump.
n=7531
while [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
for setting in "DISPLAY=:$n" "QT_QPA_PLATFORM=bogus" "WAYLAND_DISPLAY=wayland-9"; do
  status=0
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_SESSION_TYPE "$setting" \
    "$prog" 2>"$tmp/err" || status=$?
  [ "$status" -eq 2 ] || fail "$setting: exit $status, not 2: $(cat "$tmp/err")"
  grep -q '^soarcalculus: no display' "$tmp/err" || fail "$setting: $(cat "$tmp/err")"
done
echo "ok"
