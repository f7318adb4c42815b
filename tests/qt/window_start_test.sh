#!/bin/sh
# The window starts, again and again, on an X server that resets when its last
# client leaves (Xvfb without -noreset): each exit of the program resets the
# server, and the next start's display check must not leave Qt to connect
# into that reset (Qt aborts there). Each start must show the main window and
# run until it is told to stop (its main window, by its title, on the
# server). Skipped (77) without Xvfb.
prog=${1:?the soarcalculus program}
starts=${2:-5}
command -v Xvfb >/dev/null 2>&1 || { echo "no Xvfb: skipped"; exit 77; }
command -v xwininfo >/dev/null 2>&1 || { echo "no xwininfo: skipped"; exit 77; }
tmp=$(mktemp -d)
n=7700
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
Xvfb ":$n" -nolisten tcp >"$tmp/xvfb.log" 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
k=0
while [ ! -S "/tmp/.X11-unix/X$n" ]; do
  k=$((k + 1))
  [ "$k" -le 100 ] || fail "Xvfb :$n did not start: $(cat "$tmp/xvfb.log")"
  sleep 0.1
done
i=1
while [ "$i" -le "$starts" ]; do
  env -u WAYLAND_DISPLAY -u XDG_SESSION_TYPE DISPLAY=":$n" QT_QPA_PLATFORM=xcb \
    HOME="$tmp" XDG_CONFIG_HOME="$tmp" XDG_RUNTIME_DIR="$tmp" "$prog" >"$tmp/out" 2>&1 &
  pid=$!
  # A second and a half alive: it has its connections by then (the check's is its
  # first act), so that no connection of this test is ever the server's last.
  k=0
  while [ "$k" -lt 15 ] && kill -0 "$pid" 2>/dev/null; do sleep 0.1; k=$((k + 1)); done
  shown=no
  k=0
  while [ "$k" -lt 100 ] && kill -0 "$pid" 2>/dev/null; do
    if DISPLAY=":$n" xwininfo -root -tree 2>/dev/null | grep -q '"SOARCALCULUS'; then
      shown=yes
      break
    fi
    sleep 0.2
    k=$((k + 1))
  done
  kill -TERM "$pid" 2>/dev/null
  status=0
  wait "$pid" 2>/dev/null || status=$?
  [ "$shown" = yes ] || fail "start $i: no window (exit $status): $(cat "$tmp/out")"
  i=$((i + 1))
done
echo "ok: $starts starts"
