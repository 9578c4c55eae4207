# The commands people type. Each build kind has its own directory under build/.
#   make demo    install what is missing, build, run dq-overlay on a generated clip
#   make test    install what is missing, build everything, run every test
#   make build   the Linux build only
#   make bench   build and run the benchmarks
#   make fuzz    fuzz each libFuzzer target for FUZZ_SECONDS (default 300) in a clang build
#   make format  clang-format every source file
#   make install-gst  the GStreamer element dqoverlay for this user

# A comma, for passing sanitizer lists through $(call).
, := ,
JOBS ?= $(shell nproc)
BUILD := build
CMAKE_FLAGS ?=
EXPORTS := DllMain DllGetClassObject DllCanUnloadNow DllRegisterServer DllUnregisterServer

.PHONY: all deps build demo test test-linux test-asan test-tsan windows test-wine bench fuzz format clean \
	install-gst

all: build

deps:
	@scripts/install-deps.sh

define configure_and_build
	cmake -S . -B $(BUILD)/$(1) $(2) $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD)/$(1) -j $(JOBS)
endef

build: deps
	$(call configure_and_build,linux,-DCMAKE_BUILD_TYPE=RelWithDebInfo)

test: deps test-linux test-asan test-tsan windows test-wine
	@echo "All tests passed."

test-linux: build
	cd $(BUILD)/linux && ctest --output-on-failure -j $(JOBS)

# Every test under AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps
	$(call configure_and_build,asan,-DCMAKE_BUILD_TYPE=Debug -DDQ_SANITIZE=address$(,)undefined)
	cd $(BUILD)/asan && ctest --output-on-failure -j $(JOBS)

# The threaded tests under ThreadSanitizer.
test-tsan: deps
	cmake -S . -B $(BUILD)/tsan -DCMAKE_BUILD_TYPE=Debug -DDQ_SANITIZE=thread $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD)/tsan -j $(JOBS) --target threaded_tests
	cd $(BUILD)/tsan && ctest --output-on-failure -j $(JOBS) -L threaded

# DirectQuorbit.ax for 64-bit and 32-bit Windows, a check of what each exports and imports, and
# the installers (build/windows/DirectQuorbit-<version>-setup-x64.exe and -x86.exe).
windows: deps
	$(call configure_and_build,win-x86_64,-DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake)
	$(call configure_and_build,win-i686,-DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake)
	scripts/check-windows-dll.sh x86_64-w64-mingw32-objdump $(BUILD)/win-x86_64/bin/DirectQuorbit.ax $(EXPORTS)
	scripts/check-windows-dll.sh i686-w64-mingw32-objdump $(BUILD)/win-i686/bin/DirectQuorbit.ax $(EXPORTS)
	installer/build-installers.sh $(BUILD)/win-x86_64 $(BUILD)/win-i686 $(BUILD)/windows

# The 64-bit Windows build in Wine, in a fresh temporary prefix: the Windows backends' tests,
# the silent installation, registration, a graph in Wine's filter graph manager, the property
# page in Wine's property frame under Xvfb (with a screenshot), the silent uninstallation; and
# what both installers hold and run.
test-wine: windows
	tests/wine/run-wine-tests.sh $(BUILD)/win-x86_64 $(BUILD)/win-x86_64/wine/property-page.png \
	    $(BUILD)/windows

# Every benchmark program of the Linux build (release flags, no sanitizers).
bench: build
	@for b in $(BUILD)/linux/bin/*_bench; do [ -x "$$b" ] && "$$b" || exit 1; done
	bench/tools/overlay_vs_ffmpeg.sh $(BUILD)/linux
	bench/tools/encoded_vs_ffmpeg.sh $(BUILD)/linux
	bench/tools/element_vs_textoverlay.sh $(BUILD)/linux
	bench/tools/first_frame.sh $(BUILD)/linux

# The GStreamer element for this user: the plugin and the filter's module in GStreamer's per-user
# plugin folder (found without GST_PLUGIN_PATH), the platform library in directquorbit/ beside it.
GST_PLUGIN_DIR ?= $(HOME)/.local/share/gstreamer-1.0/plugins
install-gst: build
	install -d "$(GST_PLUGIN_DIR)" "$(GST_PLUGIN_DIR)/../directquorbit"
	install -m 644 $(BUILD)/linux/gst/libgstdqoverlay.so $(BUILD)/linux/gst/DirectQuorbit.ax \
		"$(GST_PLUGIN_DIR)/"
	install -m 644 $(BUILD)/linux/bin/libdqplatform.so "$(GST_PLUGIN_DIR)/../directquorbit/"

# Each fuzz target for FUZZ_SECONDS, in a clang build with libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer. (`make test` replays the corpora through the targets, unfuzzed.)
FUZZ_SECONDS ?= 300
fuzz: deps
	cmake -S . -B $(BUILD)/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DDQ_FUZZ=ON $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD)/fuzz -j $(JOBS) --target script_fuzz persist_stream_fuzz
	fuzz/run-fuzzers.sh $(BUILD)/fuzz $(FUZZ_SECONDS)

# The main job on a clip the demo makes itself: out/demo.mp4 and a few PNG stills.
demo: build
	examples/run-demo.sh $(BUILD)/linux

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD)
