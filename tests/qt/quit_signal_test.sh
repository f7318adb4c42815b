#!/bin/sh
# A log-out (SIGTERM) or a closed terminal (SIGHUP) ends the window's program
# cleanly, as closing its window does: exit status 0 and the remembered
# settings written. Each signal is sent once the program handles it (its
# caught-signals mask in /proc says so), not after a guessed delay.
prog=${1:?the soarcalculus program}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
for pair in TERM:15 HUP:1; do
  sig=${pair%%:*}
  num=${pair#*:}
  rm -rf "$tmp/config"
  env QT_QPA_PLATFORM=offscreen HOME="$tmp" XDG_CONFIG_HOME="$tmp/config" \
    XDG_RUNTIME_DIR="$tmp" "$prog" >"$tmp/out" 2>&1 &
  pid=$!
  k=0
  while :; do
    kill -0 "$pid" 2>/dev/null || fail "SIG$sig: the program ended before the signal: $(cat "$tmp/out")"
    caught=$(sed -n 's/^SigCgt:[[:space:]]*//p' "/proc/$pid/status" 2>/dev/null)
    if [ -n "$caught" ] && [ $(( (0x$caught >> (num - 1)) & 1 )) -eq 1 ]; then break; fi
    k=$((k + 1))
    [ "$k" -le 600 ] || { kill -KILL "$pid"; fail "SIG$sig: never handled"; }
    sleep 0.1
  done
  kill -"$sig" "$pid"
  status=0
  wait "$pid" || status=$?
  [ "$status" -eq 0 ] || fail "SIG$sig: exit status $status: $(cat "$tmp/out")"
  ini="$tmp/config/soarcalculus/settings.ini"
  [ -f "$ini" ] || fail "SIG$sig: no settings written"
  grep -q '^pace=' "$ini" || fail "SIG$sig: the settings lack the pace: $(cat "$ini")"
done
echo "ok: SIGTERM and SIGHUP end the program with its settings saved"
