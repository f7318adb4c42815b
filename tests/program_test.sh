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
grep -q 'libavcodec' "$tmp/libs" && fail "fly loaded FFmpeg"
[ "$(wc -l <"$tmp/f.csv")" -eq 21 ] || fail "fly wrote $(wc -l <"$tmp/f.csv") lines, not 21"

LD_DEBUG=libs "$prog" render --pattern upwind --ticks 20 --dt 0.02 --png "$tmp/r.png" 2>"$tmp/libs" \
  || fail "render exited $?"
[ "$(head -c 4 "$tmp/r.png" | od -An -c | tr -d ' ')" = '211PNG' ] || fail "render wrote no PNG"
grep -q 'libavcodec' "$tmp/libs" && fail "render --png loaded FFmpeg"

# A video through the encoder module beside the program: an MP4 ("ftyp" box).
"$prog" render --pattern upwind --seconds 0.5 --size 64x48 --video "$tmp/v.mp4" || fail "render --video exited $?"
[ "$(head -c 8 "$tmp/v.mp4" | tail -c 4)" = 'ftyp' ] || fail "render --video wrote no MP4"
# Without the encoder module: the reason, exit 1, nothing written; pictures still work.
mkdir "$tmp/no-video"
cp "$prog" "$tmp/no-video/soarcalculus"
cp "$(dirname "$prog")/soarcalculus-gui.so" "$tmp/no-video/"
status=0
"$tmp/no-video/soarcalculus" render --pattern upwind --seconds 0.5 --video "$tmp/no-video/v.mp4" \
  2>"$tmp/err" || status=$?
[ "$status" -eq 1 ] || fail "render --video without the encoder exited $status, not 1"
grep -q 'video module cannot be loaded' "$tmp/err" || fail "no reason given: $(cat "$tmp/err")"
[ ! -e "$tmp/no-video/v.mp4" ] || fail "render --video without the encoder wrote a file"
"$tmp/no-video/soarcalculus" render --pattern upwind --ticks 5 --png "$tmp/no-video/r.png" \
  || fail "render --png without the encoder exited $?"

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
