# Quick start (Debian 12, as root):  make run   |   make test
# Both install what is missing with apt-get, then build.

BUILD      ?= build
BUILD_SAN  ?= build-san
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
DEBS       := cmake make g++ pkg-config qt6-base-dev libgl-dev libgtest-dev libgmock-dev \
              libbenchmark-dev fonts-liberation fonts-dejavu-core xvfb \
              qt6-charts-dev libqt6svg6-dev libtomlplusplus-dev libgeographiclib-dev \
              coinor-libipopt-dev libceres-dev clang libfuzzer-14-dev libclang-rt-14-dev

.PHONY: deps build run test test-release test-sanitize bench format clean

deps:
	@missing=""; for p in $(DEBS); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "installing:$$missing"; \
	  if [ "$$(id -u)" != 0 ]; then echo "run as root (or install:$$missing)"; exit 1; fi; \
	  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing >/dev/null; \
	fi

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build $(BUILD) -j$(JOBS)

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

test: test-release test-sanitize

test-release: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

# The same suite under AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: deps
	cmake -S . -B $(BUILD_SAN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSOAR_SANITIZE=ON >/dev/null
	cmake --build $(BUILD_SAN) -j$(JOBS)
	cd $(BUILD_SAN) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 \
	  UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j$(JOBS)

bench: build
	./$(BUILD)/bench/soar_bench

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(BUILD_SAN)
