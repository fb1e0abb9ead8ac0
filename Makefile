# Entry points. Each target first installs what it needs (idempotent).
#   make demo   build the native tool and run it on a generated sample
#   make test   build every preset and run every test (native, ASan+UBSan, TSan, Wine)
#   make dist   leave build/dist/linux/orlofx, build/dist/win{32,64}/orlofx.dll and the
#               LV2 bundle build/dist/lv2/orlofx.lv2, without debug sections, each
#               binary with its FILE.debug beside it
#   make bench  benchmarks against sox and FFTW (on demand, not part of test)
#   make fuzz   each libFuzzer target for FUZZ_SECONDS (on demand, not part of test)

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
NATIVE_PRESETS := native asan tsan
WINDOWS_PRESETS := win32 win64

.PHONY: demo test dist bench fuzz deps-native deps-windows $(addprefix build-,$(NATIVE_PRESETS) $(WINDOWS_PRESETS)) \
	$(addprefix test-,$(NATIVE_PRESETS) $(WINDOWS_PRESETS)) clean

deps-native:
	@scripts/install-deps.sh native

deps-windows:
	@scripts/install-deps.sh windows

$(addprefix build-,$(NATIVE_PRESETS) $(WINDOWS_PRESETS)): build-%:
	cmake --preset $* >/dev/null
	cmake --build --preset $* -j$(JOBS)

# The tsan presets build and run only the tests about threads (the label
# "threads": tests/native/test_*_threads.cpp); native and asan run every test.
$(addprefix test-,$(NATIVE_PRESETS)): test-%: build-%
	ctest --preset $* -j$(JOBS) --timeout 600

# Wine's GStreamer-backed parser can, rarely, stall a fresh prefix; a test
# that fails under Wine gets one more run before it counts as failed.
$(addprefix test-,$(WINDOWS_PRESETS)): test-%: build-%
	ctest --preset $* -j$(JOBS) --timeout 600 --repeat until-pass:2

demo: deps-native build-native
	@scripts/demo.sh build/native/bin

test: export ORLOFX_WERROR := ON
test: deps-windows
	$(MAKE) --no-print-directory $(addprefix test-,$(NATIVE_PRESETS) $(WINDOWS_PRESETS))
	@scripts/win32-status.sh build/win32

dist: export ORLOFX_WERROR := ON
dist: deps-windows build-native build-win32 build-win64
	@scripts/dist.sh

clean:
	rm -rf build

bench:
	@scripts/install-deps.sh bench
	cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DORLOFX_BENCH=ON -DBUILD_TESTING=OFF >/dev/null
	cmake --build build/bench -j$(JOBS) --target orlofx_bench orlofx
	build/bench/bin/orlofx_bench --work build/bench/work

FUZZ_SECONDS ?= 30
fuzz:
	@scripts/install-deps.sh fuzz
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j$(JOBS) --target orlofx_fuzz_targets
	fuzz/run.sh build/fuzz $(FUZZ_SECONDS)
