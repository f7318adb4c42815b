# Quick start (Debian 12, as root):  make run   |   make test
# Both install what is missing with apt-get, then build.
#   make check     the core suite (builds only its test program and the core)
#   make test      the whole suite in Release, and under ASan/UBSan all but the loop solves
#   make test-all  that, the solves under ASan/UBSan, ThreadSanitizer, the fuzzers,
#                  the web page and the format check (CI)
#   make python    the Python module into build/python (README, "Python")
#   make web       the page and fly for Node.js into build-web (emscripten)
#   make web-serve the page at http://localhost:8000/ (Python's http.server)

BUILD      ?= build
BUILD_SAN  ?= build-san
BUILD_FUZZ ?= build-fuzz
BUILD_TSAN ?= build-tsan
BUILD_WEB  ?= build-web
WEB_PORT   ?= 8000
FUZZ_SECONDS ?= 30
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
# New build folders are made for Ninja (a folder made for another generator
# keeps it: CMake reads this only when it creates a folder's cache).
export CMAKE_GENERATOR ?= Ninja
DEBS       := cmake make ninja-build g++ pkg-config qt6-base-dev libgl-dev libgtest-dev libgmock-dev \
              libbenchmark-dev fonts-liberation fonts-dejavu-core xvfb openbox x11-utils \
              qt6-charts-dev qt6-svg-dev libtomlplusplus-dev libgeographiclib-dev \
              coinor-libipopt-dev libceres-dev clang libfuzzer-14-dev libclang-rt-14-dev \
              clang-format ccache libavcodec-dev libavformat-dev libswscale-dev libavutil-dev \
              python3-dev pybind11-dev python3-numpy python3-pytest python3-distributed \
              python3-matplotlib python3-setuptools python3-wheel python3-pip python3-venv

.PHONY: deps configure build python run check test test-all test-release sanitize-build test-sanitize \
        test-sanitize-solves test-tsan test-fuzz bench \
        format format-check clean web-deps web web-loops web-serve test-web number-text-exhaustive

deps:
	@missing=""; for p in $(DEBS); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "installing:$$missing"; \
	  if [ "$$(id -u)" != 0 ]; then echo "run as root (or install:$$missing)"; exit 1; fi; \
	  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing >/dev/null; \
	fi

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null

build: configure
	cmake --build $(BUILD) -j$(JOBS)

# The Python module into $(BUILD)/python (PYTHONPATH=$(BUILD)/python /usr/bin/python3).
python: configure
	cmake --build $(BUILD) -j$(JOBS) --target soarcalculus_python

# Opens the window. Without a display there is no window to open: the program
# then flies 20 s of the upwind pattern headless and saves its picture instead.
run: build
	@if [ -n "$$DISPLAY" ] || [ -n "$$WAYLAND_DISPLAY" ]; then \
	  ./$(BUILD)/soarcalculus; \
	else \
	  echo "No display (DISPLAY is not set): the window cannot open here."; \
	  echo "Flying 20 s of the upwind pattern headless instead:"; \
	  ./$(BUILD)/soarcalculus fly --pattern upwind --ticks 1000 --dt 0.02 --csv soarcalculus-upwind.csv && \
	  ./$(BUILD)/soarcalculus render --pattern upwind --ticks 1000 --dt 0.02 --png soarcalculus-upwind.png && \
	  echo "Wrote soarcalculus-upwind.csv and soarcalculus-upwind.png."; \
	fi

# Only what the label runs: the core library and the core suite's program.
check: configure
	cmake --build $(BUILD) -j$(JOBS) --target soar_tests
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest -L quick --output-on-failure -j$(JOBS)

test: test-release test-sanitize

test-all: format-check test test-sanitize-solves test-tsan test-fuzz test-web

test-release: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

# The suite under AddressSanitizer and UndefinedBehaviorSanitizer. Line tables
# only (-g1): the reports keep their files and lines. -O1 compiles in much less
# time than -O2 and the sanitizers check the same code (docs/performance.md).
# The quick core cases run as a few processes (GoogleTest's shards) rather than
# one each: a process under the sanitizers takes long to start. The test
# programs' own files are compiled at -O0 (SOAR_TEST_OPTIMIZE): half their
# compile time, the code they test still at -O1 (docs/performance.md).
SAN_ENV := QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 \
  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
  UBSAN_OPTIONS=print_stacktrace=1
SAN_SHARDS ?= 8
sanitize-build: deps
	cmake -S . -B $(BUILD_SAN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSOAR_SANITIZE=ON \
	  "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG" -DSOAR_TEST_SHARDS=$(SAN_SHARDS) \
	  -DSOAR_TEST_OPTIMIZE=-O0 >/dev/null
	cmake --build $(BUILD_SAN) -j$(JOBS)

# All but the loop solves and the validation table's rows (labels solves and
# validation), which make test runs in Release and make test-all under the
# sanitizers too (test-sanitize-solves): single-threaded Ipopt solves, most of
# this pass's time when they ran here.
test-sanitize: sanitize-build
	cd $(BUILD_SAN) && $(SAN_ENV) ctest --output-on-failure -j$(JOBS) -LE 'solves|validation'

test-sanitize-solves: sanitize-build
	cd $(BUILD_SAN) && $(SAN_ENV) ctest --output-on-failure -j$(JOBS) -L 'solves|validation'

# Under ThreadSanitizer (kept apart from AddressSanitizer, which cannot share a
# build with it): the core suite, with the fly writer thread, the least-wind
# trials and every other thread of ours, and the window tests, with the render
# thread's hand-off of pictures to the window (frame pace, main window, Flight
# data window). There the threads of Qt's image thread pool, which synchronise
# through futexes inside the uninstrumented Qt libraries, go unwatched, and
# QtTest's watchdog thread is suppressed (tests/tsan.supp); two canaries show
# that a race of ours, one of them on the render thread, is still reported. The
# other Qt tests run one thread of ours at most and are left to the other
# builds; so are the loop solves, which run on one thread and take minutes here.
test-tsan: deps
	cmake -S . -B $(BUILD_TSAN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSOAR_TSAN=ON >/dev/null
	cmake --build $(BUILD_TSAN) -j$(JOBS) --target soar_tests tsan_canary tsan_window_canary \
	  soar_qt_tests
	cd $(BUILD_TSAN) && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
	  ctest --output-on-failure -j$(JOBS) -LE 'solves|validation'

# libFuzzer targets (clang): each runs FUZZ_SECONDS on its seed corpus; new inputs
# it finds go to $(BUILD_FUZZ)/corpus, not into the repository.
test-fuzz: deps
	cmake -S tests/fuzz -B $(BUILD_FUZZ) -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	cmake --build $(BUILD_FUZZ) -j$(JOBS)
	@for t in number_text command_line param_file; do \
	  mkdir -p $(BUILD_FUZZ)/corpus/$$t; \
	  echo "fuzzing $$t for $(FUZZ_SECONDS) s"; \
	  ./$(BUILD_FUZZ)/fuzz_$$t -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 -close_fd_mask=3 \
	    $(BUILD_FUZZ)/corpus/$$t tests/fuzz/corpus/$$t 2>$(BUILD_FUZZ)/$$t.log \
	    || { tail -40 $(BUILD_FUZZ)/$$t.log; exit 1; }; \
	  grep -E "stat::number_of_executed_units" $(BUILD_FUZZ)/$$t.log; \
	done

# The engine for the web, apart from the native build: emscripten's compiler
# (Debian's, with its Node.js and the JavaScript parser its optimiser needs).
WEB_DEBS := emscripten node-acorn
web-deps:
	@missing=""; for p in $(WEB_DEBS); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "installing:$$missing"; \
	  if [ "$$(id -u)" != 0 ]; then echo "run as root (or install:$$missing)"; exit 1; fi; \
	  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing >/dev/null; \
	fi

web: web-deps
	NODE_PATH=/usr/share/nodejs emcmake cmake -S web -B $(BUILD_WEB) -DCMAKE_BUILD_TYPE=Release >/dev/null
	NODE_PATH=/usr/share/nodejs cmake --build $(BUILD_WEB) -j$(JOBS)
	@$(MAKE) --no-print-directory web-loops
	@cd $(BUILD_WEB) && n=0; for f in index.html soarcalculus.js soarcalculus.wasm page.js style.css least_wind_worker.js optimal_loops.txt; do \
	  n=$$((n + $$(gzip -9c $$f | wc -c))); done; \
	  echo "the page: $(BUILD_WEB)/index.html with its engine, script and loops, $$n bytes compressed"

# The presets' optimal loops for the page, which has no optimiser: the native
# program (built first when it is missing or out of date) solves each with
# optimise --loop-file, again only when the program is newer than the loops.
# A loop solved for the same problem as one before (a preset that changes the
# wind alone poses the same loop) is kept once: the page finds loops by problem.
WEB_PRESETS := design-albatross heavier-albatross light-wind draggy-wing zhao-glider sachs-2005-albatross
web-loops: configure
	cmake --build $(BUILD) -j$(JOBS) --target soarcalculus
	@$(MAKE) --no-print-directory $(BUILD_WEB)/optimal_loops.txt

$(BUILD_WEB)/optimal_loops.txt: $(BUILD)/soarcalculus $(wildcard $(BUILD)/libsoarcore.so)
	@mkdir -p $(BUILD_WEB) && rm -f $@.part && touch $@.part
	@for p in $(WEB_PRESETS); do \
	  echo "the optimal loop of the preset $$p"; \
	  if ./$(BUILD)/soarcalculus optimise --preset $$p --loop-file $@.$$p >/dev/null; then \
	    grep -qxF "$$(sed -n 2p $@.$$p)" $@.part || cat $@.$$p >> $@.part; rm -f $@.$$p; \
	  else echo "  no loop found for $$p: the page offers none for it"; rm -f $@.$$p; fi; \
	done
	@mv $@.part $@

web-serve: web
	@echo "the page at http://localhost:$(WEB_PORT)/ (Ctrl-C ends)"
	cd $(BUILD_WEB) && python3 -m http.server $(WEB_PORT) --bind 127.0.0.1

# The page in a real browser (Debian's Chromium, headless, driven from Node.js by
# puppeteer-core from the npm registry) and fly under Node.js against the
# program's rows. WEB_SECONDS of flight are measured for frames per second.
WEB_SECONDS ?= 60
test-web: web build
	@dpkg-query -W -f='$${Status}' chromium 2>/dev/null | grep -q "install ok installed" || \
	  { echo "installing: chromium"; DEBIAN_FRONTEND=noninteractive apt-get install -y -qq chromium >/dev/null; }
	mkdir -p $(BUILD_WEB)/browser && cp tests/web/package.json $(BUILD_WEB)/browser/
	cd $(BUILD_WEB)/browser && { [ -d node_modules/puppeteer-core ] || npm install --no-audit --no-fund --silent; }
	sh tests/web/node_fly_test.sh $(BUILD)/soarcalculus $(BUILD_WEB)
	NODE_PATH=$(CURDIR)/$(BUILD_WEB)/browser/node_modules node tests/web/browser_test.js $(BUILD_WEB) $(WEB_SECONDS) $(BUILD)/soarcalculus

# Every one of the 2^32 floats' shortest texts against the standard library's (minutes).
number-text-exhaustive: configure
	cmake --build $(BUILD) -j$(JOBS) --target soar_number_text_exhaustive
	./$(BUILD)/bench/soar_number_text_exhaustive

bench: configure
	cmake --build $(BUILD) -j$(JOBS) --target soar_benchmarks
	./$(BUILD)/bench/soar_bench

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

# Every C++ file as the repository's .clang-format lays it out.
format-check: deps
	clang-format --dry-run -Werror $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(BUILD_SAN) $(BUILD_TSAN) $(BUILD_FUZZ) $(BUILD_WEB)
