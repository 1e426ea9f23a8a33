# Two build trees: build/native (portable code and unit tests, host
# compiler) and build/win (the Windows programs, mingw-w64), tested under Wine.
BUILD  := build
NATIVE := $(BUILD)/native
WIN    := $(BUILD)/win
FUZZ   := $(BUILD)/fuzz
ASAN   := $(BUILD)/asan
FUZZ_SECONDS ?= 60
JOBS   ?= 2
TYPE   ?= RelWithDebInfo

.PHONY: all deps native win dist test unit wine demo fuzz sanitize format clean

all: native win

deps:
	@tools/deps

native: deps
	@cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=$(TYPE) >/dev/null
	@cmake --build $(NATIVE) -j$(JOBS)

win: deps
	@cmake -S . -B $(WIN) -DCMAKE_BUILD_TYPE=$(TYPE) \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64.cmake >/dev/null
	@cmake --build $(WIN) -j$(JOBS)

# The Windows installer, built with the Windows tree.
dist: win
	@echo "installer: $$(ls $(WIN)/dist/*-Setup-*.exe)"

# All tests: native unit tests, then the Windows programs under Wine.
test: all
	@tools/test-all $(NATIVE) $(WIN) $(JOBS)

unit: native
	@cd $(NATIVE) && ctest -L unit -j$(JOBS) --output-on-failure

wine: win
	@cd $(WIN) && ctest -L wine --output-on-failure

# Every fuzz target for FUZZ_SECONDS, after its kept inputs.
fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DARDMON_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ) -j$(JOBS)
	@tools/fuzz $(FUZZ) $(FUZZ_SECONDS)

# The native unit tests under the address and undefined-behaviour sanitizers.
sanitize: deps
	@cmake -S . -B $(ASAN) -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer" >/dev/null
	@cmake --build $(ASAN) -j$(JOBS)
	@cd $(ASAN) && ctest -L unit -j$(JOBS) --output-on-failure

demo: all
	@tools/demo start $(WIN)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD)
