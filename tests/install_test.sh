#!/bin/sh
# The install as another project sees it: `cmake --install` into a fresh
# prefix, the installed program flying and drawing with its own modules and
# core, an outside CMake project that finds the package and flies a Flight,
# and the installed Python package. Usage: install_test.sh BUILD_DIR VERSION [PYTHON]
set -eu
build=$1
version=$2
python=${3:-}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
p=$tmp/prefix

cmake --install "$build" --prefix "$p" >"$tmp/install.log" || { cat "$tmp/install.log"; fail "install"; }
[ -f "$p/include/soarcalculus/sim/flight.h" ] || fail "no sim/flight.h under include/soarcalculus"

# The installed program loads the installed core and modules, none of the build tree's.
LD_DEBUG=libs "$p/bin/soarcalculus" render --pattern upwind --ticks 20 --dt 0.02 --png "$tmp/r.png" \
  2>"$tmp/libs" || fail "the installed render exited $?"
[ "$(head -c 4 "$tmp/r.png" | od -An -c | tr -d ' ')" = '211PNG' ] || fail "render wrote no PNG"
grep -q "calling init: $p/[^ ]*/libsoarcore[.]so" "$tmp/libs" || fail "the installed core was not loaded"
grep -q "calling init: $p/[^ ]*/soarcalculus/soarcalculus-gui[.]so" "$tmp/libs" || fail "the installed GUI module was not loaded"
grep -q "calling init: $build/" "$tmp/libs" && fail "the installed program loaded from the build tree"
"$p/bin/soarcalculus" render --pattern upwind --seconds 0.5 --size 64x48 --video "$tmp/v.mp4" \
  || fail "the installed render --video exited $?"

# Five lines of CMake and a flight of one second.
mkdir "$tmp/outside"
cat >"$tmp/outside/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.25)
project(outside LANGUAGES CXX)
find_package(soarcalculus $version REQUIRED)
add_executable(outside outside.cpp)
target_link_libraries(outside PRIVATE soarcalculus::core)
CMAKE
cat >"$tmp/outside/outside.cpp" <<'CPP'
#include <cstdio>

#include "sim/flight.h"

int main() {
    soar::Flight flight(soar::pattern_defaults(soar::Mode::upwind), soar::Mode::upwind);
    for (int k = 0; k < 100; ++k) flight.step(0.01);
    std::printf("t=%.2f Z=%.3f V=%.3f\n", flight.state().t, flight.state().Z, flight.state().V);
}
CPP
cmake -S "$tmp/outside" -B "$tmp/outside/build" -DCMAKE_PREFIX_PATH="$p" >"$tmp/outside.log" 2>&1 \
  || { cat "$tmp/outside.log"; fail "the outside project does not configure"; }
cmake --build "$tmp/outside/build" >>"$tmp/outside.log" 2>&1 \
  || { cat "$tmp/outside.log"; fail "the outside project does not build"; }
out=$("$tmp/outside/build/outside") || fail "the outside program exited $?"
echo "$out"
case $out in
  "t=1.00 Z="*) ;;
  *) fail "the outside flight did not reach t = 1 s: $out" ;;
esac

if [ -n "$python" ]; then
  site=$(find "$p" -type d -name soarcalculus -path '*-packages/*' | head -1)
  [ -n "$site" ] || fail "no Python package installed"
  PYTHONPATH=$(dirname "$site") "$python" -c '
import sys, soarcalculus
rows = soarcalculus.fly("upwind", 20, 0.01)
sys.exit(0 if len(rows) == 20 and soarcalculus.__file__.startswith(sys.argv[1]) else 1)' "$p" \
    || fail "the installed Python package does not import and fly"
fi
echo "ok"
