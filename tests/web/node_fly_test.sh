#!/bin/sh
# fly under Node.js writes the very rows of the native program, every pattern,
# a flight stopped by a fault included, and refuses what the program refuses.
# Usage: node_fly_test.sh PROGRAM WEB_BUILD_DIR
# Skipped (exit 77, with the reason) where emscripten or the web build is missing.
program=$1
fly_js=$2/soarcalculus-fly.js
if ! command -v em++ >/dev/null 2>&1 || ! command -v node >/dev/null 2>&1; then
    echo "skipped: emscripten and Node.js are not installed (make web installs them)"
    exit 77
fi
if [ ! -f "$fly_js" ]; then
    echo "skipped: the web build is not made ($fly_js); make web makes it"
    exit 77
fi
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
status=0
for pattern in upwind downwind crosswind circlezoom profile; do
    "$program" fly --pattern "$pattern" --ticks 12000 --dt 0.025 --energy --csv "$dir/native.csv" \
        >"$dir/native.out" 2>&1
    native=$?
    node "$fly_js" fly --pattern "$pattern" --ticks 12000 --dt 0.025 --energy --csv "$dir/node.csv" \
        >"$dir/node.out" 2>&1
    web=$?
    if [ $native != $web ] || ! cmp -s "$dir/native.csv" "$dir/node.csv" ||
        ! cmp -s "$dir/native.out" "$dir/node.out"; then
        echo "$pattern: Node.js fly differs (exit $web, the program's $native)"
        cmp "$dir/native.csv" "$dir/node.csv"
        diff "$dir/native.out" "$dir/node.out" | head -5
        status=1
    else
        echo "$pattern: $(wc -l <"$dir/node.csv") lines identical, exit $web"
    fi
done
# A bad argument: the same refusal, exit 2, no file.
node "$fly_js" fly --pattern upwind --ticks 10 --dt 20 --csv "$dir/refused.csv" >"$dir/out" 2>&1
if [ $? != 2 ] || [ -e "$dir/refused.csv" ] || ! grep -q -- '--dt needs a number' "$dir/out"; then
    echo "a bad --dt is not refused as the program refuses it"
    status=1
fi
exit $status
