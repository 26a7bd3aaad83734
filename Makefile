# Vantrel: `make run` plays the show, `make test` runs the whole suite. Both install the
# Debian packages they need first (scripts/install-deps).
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
WEB_BUILD  ?= build-web
JOBS       ?= $(shell nproc)
WERROR     ?= OFF
ARGS       ?=
CMAKE_OPTS  = -DVANTREL_WERROR=$(WERROR)

.PHONY: all deps build data run test test-release test-asan bench fuzz web test-web clean

all: build

deps:
	@scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_OPTS)
	cmake --build $(BUILD) -j $(JOBS)

# The generated data set: $(BUILD)/data holds the loose files and VANTREL.DAT.
data: build
	@if [ -x $(BUILD)/vantrel-assets ]; then $(BUILD)/vantrel-assets $(BUILD)/data; \
	else mkdir -p $(BUILD)/data; fi

run: data
	cd $(BUILD)/data && ../vantrel $(ARGS)

test: test-release test-asan

test-release: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTREL_SANITIZE=ON -DVANTREL_BENCH=OFF $(CMAKE_OPTS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

bench: build
	$(BUILD)/vantrel-bench

# Each fuzz target under libFuzzer for FUZZ_SECONDS (default 60).
FUZZ_SECONDS ?= 60
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTREL_LIBFUZZER=ON -DVANTREL_SANITIZE=ON -DVANTREL_BENCH=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@set -e; for f in $(FUZZ_BUILD)/fuzz_*; do \
	  name=$$(basename $$f); name=$${name#fuzz_}; \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$name; \
	  echo "== $$name"; \
	  $$f -max_total_time=$(FUZZ_SECONDS) $(FUZZ_BUILD)/corpus/$$name fuzz/corpus/$$name; \
	done

# The show for the web (Emscripten) in $(WEB_BUILD); serve it with
# python3 -m http.server -d $(WEB_BUILD). The first build also builds libopenmpt for the web.
web: data
	@scripts/install-deps web
	BUILD=$(BUILD) JOBS=$(JOBS) scripts/build-web $(WEB_BUILD)

# The web build in headless Chromium; apart from make test, whose time the first web build
# would exceed.
test-web: web
	BUILD=$(BUILD) VANTREL_WEB_DIR=$(WEB_BUILD) node --test web/test/

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(WEB_BUILD)
