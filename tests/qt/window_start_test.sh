#!/bin/sh
# soarcalculus window starts on X servers, two ways.
#
# window_start_test.sh PROG [STARTS]: the window starts, again and again, on
# an X server that resets when its last client leaves (Xvfb without -noreset):
# each exit of the program resets the server, and the next start's display
# check must not leave Qt to connect into that reset (Qt aborts there). Each
# start must show the main window and run until it is told to stop (its main
# window, by its title, on the server). Skipped (77) without Xvfb.
#
# window_start_test.sh PROG --window-manager: the first start (nothing
# remembered) under the openbox window manager on screens of 1280 x 1024,
# 1366 x 768, 1920 x 1080 and 3840 x 2160 at twice the density
# (QT_SCALE_FACTOR=2): one window, framed wholly inside the screen's work
# area, and no other window of the program over it. Skipped (77) without
# Xvfb or openbox.
prog=${1:?the soarcalculus program}
starts=${2:-5}
command -v Xvfb >/dev/null 2>&1 || { echo "no Xvfb: skipped"; exit 77; }
command -v xwininfo >/dev/null 2>&1 || { echo "no xwininfo: skipped"; exit 77; }
if [ "$starts" = --window-manager ]; then
  command -v openbox >/dev/null 2>&1 || { echo "no openbox: the starts under a window manager skipped"; exit 77; }
  command -v xprop >/dev/null 2>&1 || { echo "no xprop: skipped"; exit 77; }
fi
tmp=$(mktemp -d)
xvfb=
wm=
trap 'stop_x; rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# An X server on a free display number of its own, of screen $1 (WxH). Another
# test may take the same number at the same moment: the server is ours once
# the display's lock file holds its process id; else the next number is tried.
start_x() {
  n=7700
  tries=0
  while :; do
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -nolisten tcp -screen 0 "${1}x24" >"$tmp/xvfb.log" 2>&1 &
    xvfb=$!
    k=0
    while kill -0 "$xvfb" 2>/dev/null && [ "$k" -le 100 ]; do
      if [ -S "/tmp/.X11-unix/X$n" ] && [ "$(tr -d ' \n' <"/tmp/.X$n-lock" 2>/dev/null)" = "$xvfb" ]; then
        return
      fi
      k=$((k + 1))
      sleep 0.1
    done
    kill "$xvfb" 2>/dev/null
    wait "$xvfb" 2>/dev/null
    tries=$((tries + 1))
    [ "$tries" -le 5 ] || fail "no X server started: $(cat "$tmp/xvfb.log")"
    n=$((n + 1))
  done
}
stop_x() {
  for p in $wm $xvfb; do
    kill "$p" 2>/dev/null
    wait "$p" 2>/dev/null
  done
  wm=
  xvfb=
}
# The program started on display :$n with nothing remembered, and more environment in "$@".
start_program() {
  rm -rf "$tmp/home"
  mkdir -p "$tmp/home"
  env -u WAYLAND_DISPLAY -u XDG_SESSION_TYPE DISPLAY=":$n" QT_QPA_PLATFORM=xcb \
    HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home" XDG_RUNTIME_DIR="$tmp" "$@" "$prog" \
    >"$tmp/out" 2>&1 &
  pid=$!
}
# The main window's id, once it is on the server (empty if it never came).
main_window() {
  k=0
  while [ "$k" -lt 100 ] && kill -0 "$pid" 2>/dev/null; do
    id=$(DISPLAY=":$n" xwininfo -root -tree 2>/dev/null | grep '"SOARCALCULUS' | awk '{print $1}')
    [ -n "$id" ] && { echo "$id"; return; }
    sleep 0.2
    k=$((k + 1))
  done
}
# "x y w h" of window $1 in root pixels, its frame's or its own.
client_rect() {
  DISPLAY=":$n" xwininfo -id "$1" 2>/dev/null | awk '
    /Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /^ *Width:/ {w=$NF} /^ *Height:/ {h=$NF} END {print x, y, w, h}'
}
frame_rect() {
  set -- "$1" $(client_rect "$1") \
    $(DISPLAY=":$n" xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= *//p' | tr -d ,)
  [ $# -eq 9 ] || return
  echo "$(($2 - $6)) $(($3 - $8)) $(($4 + $6 + $7)) $(($5 + $8 + $9))"
}

if [ "$starts" = --window-manager ]; then
  for screen in 1280x1024:1 1366x768:1 1920x1080:1 3840x2160:2; do
    size=${screen%:*}
    scale=${screen#*:}
    start_x "$size"
    DISPLAY=":$n" openbox >"$tmp/wm.log" 2>&1 &
    wm=$!
    k=0
    until DISPLAY=":$n" xprop -root _NET_WORKAREA 2>/dev/null | grep -q '='; do
      k=$((k + 1))
      [ "$k" -le 100 ] || fail "$size: openbox did not start: $(cat "$tmp/wm.log")"
      sleep 0.1
    done
    start_program QT_SCALE_FACTOR="$scale"
    id=$(main_window)
    [ -n "$id" ] || fail "$size: no window: $(cat "$tmp/out")"
    # Framed and placed: the frame read the same twice in a row.
    before=
    k=0
    while [ "$k" -lt 50 ]; do
      frame=$(frame_rect "$id")
      [ -n "$frame" ] && [ "$frame" = "$before" ] && break
      before=$frame
      sleep 0.3
      k=$((k + 1))
    done
    [ -n "$frame" ] || fail "$size: the window was never framed"
    set -- $(DISPLAY=":$n" xprop -root _NET_WORKAREA | sed -n 's/.*= *//p' | tr -d ,)
    ax=$1 ay=$2 aw=$3 ah=$4
    set -- $frame
    [ "$1" -ge "$ax" ] && [ "$2" -ge "$ay" ] && [ $(($1 + $3)) -le $((ax + aw)) ] &&
      [ $(($2 + $4)) -le $((ay + ah)) ] ||
      fail "$size at scale $scale: the window's frame $3x$4+$1+$2 is not inside the work area ${aw}x${ah}+$ax+$ay"
    fx=$1 fy=$2 fw=$3 fh=$4
    # No other window of the program shown over it (a floating dock, a message).
    for other in $(DISPLAY=":$n" xwininfo -root -tree | awk '/^ *0x[0-9a-f]+ "/ {print $1}'); do
      [ "$other" = "$id" ] && continue
      DISPLAY=":$n" xprop -id "$other" _NET_WM_PID 2>/dev/null | grep -q "= $pid\$" || continue
      DISPLAY=":$n" xwininfo -id "$other" | grep -q IsViewable || continue
      set -- $(client_rect "$other")
      [ "$3" -le 1 ] && [ "$4" -le 1 ] && continue
      [ $(($1 + $3)) -le "$fx" ] || [ "$1" -ge $((fx + fw)) ] ||
        [ $(($2 + $4)) -le "$fy" ] || [ "$2" -ge $((fy + fh)) ] ||
        fail "$size at scale $scale: window $other $3x$4+$1+$2 lies over the main window"
    done
    kill -TERM "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    echo "$size at scale $scale: the window framed at ${fw}x${fh}+$fx+$fy, inside ${aw}x${ah}"
    stop_x
  done
  echo "ok: four screens under a window manager"
  exit 0
fi

start_x 1280x1024
i=1
while [ "$i" -le "$starts" ]; do
  start_program
  # A second and a half alive: it has its connections by then (the check's is its
  # first act), so that no connection of this test is ever the server's last.
  k=0
  while [ "$k" -lt 15 ] && kill -0 "$pid" 2>/dev/null; do sleep 0.1; k=$((k + 1)); done
  id=$(main_window)
  kill -TERM "$pid" 2>/dev/null
  status=0
  wait "$pid" 2>/dev/null || status=$?
  [ -n "$id" ] || fail "start $i: no window (exit $status): $(cat "$tmp/out")"
  i=$((i + 1))
done
echo "ok: $starts starts"
