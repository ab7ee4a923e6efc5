# Carafe: `make` builds everything into dist/; `make test` and `make demo`
# first install what they need (scripts/bootstrap).

BUILD   := build
DIST    := dist
JOBS    ?= $(shell nproc)
PYTEST  := /usr/bin/python3 -m pytest

.PHONY: all bootstrap win32 win64 linux java test unit unit-sanitized e2e demo bench fuzz format clean

all: win32 win64 linux java

bootstrap:
	@scripts/bootstrap

define mingw_build
	cmake -S . -B $(BUILD)/$(1) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-$(2)-w64-mingw32.cmake -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
	cmake --build $(BUILD)/$(1) -j $(JOBS)
	mkdir -p $(DIST)/$(1) $(DIST)/$(1)/fixtures
	cp $(BUILD)/$(1)/launcher.exe $(DIST)/$(1)/launcher.exe
	if [ -f $(BUILD)/$(1)/mksetup.exe ]; then cp $(BUILD)/$(1)/mksetup.exe $(DIST)/$(1)/; fi
	for f in $(BUILD)/$(1)/fixture_*.exe; do [ -f "$$f" ] && cp "$$f" $(DIST)/$(1)/fixtures/ || true; done
endef

win32:
	$(call mingw_build,win32,i686)

win64:
	$(call mingw_build,win64,x86_64)

linux:
	cmake -S . -B $(BUILD)/linux -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build $(BUILD)/linux -j $(JOBS)
	mkdir -p $(DIST)/linux
	if [ -f $(BUILD)/linux/mksetup ]; then cp $(BUILD)/linux/mksetup $(DIST)/linux/; fi

java:
	mkdir -p $(DIST)/java $(BUILD)/java
	javac -nowarn --release 8 -d $(DIST)/java java/Verify.java 2>&1 | grep -v 'bootstrap classpath\|^1 warning\|release 8' || true
	test -f $(DIST)/java/Verify.class

test: bootstrap all unit unit-sanitized e2e

unit:
	cd $(BUILD)/linux && ctest --output-on-failure -j $(JOBS)

# The unit tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
unit-sanitized:
	cmake -S . -B $(BUILD)/linux-sanitized -DCMAKE_BUILD_TYPE=Debug -DCARAFE_SANITIZE=ON >/dev/null
	cmake --build $(BUILD)/linux-sanitized -j $(JOBS) --target unit_tests
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 $(BUILD)/linux-sanitized/unit_tests --gtest_brief=1

e2e:
	$(PYTEST) -q tests/e2e

demo: bootstrap all
	scripts/demo

bench: bootstrap all
	bench/run

# libFuzzer targets (tests/fuzz), built with clang in their own tree and run
# FUZZ_SECONDS each; not part of `make test`. FUZZ_TARGETS picks some.
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?= command_line setup_container java_archive search_criteria verify_output

fuzz: bootstrap
	cmake -S . -B $(BUILD)/fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCARAFE_FUZZ=ON >/dev/null
	cmake --build $(BUILD)/fuzz -j $(JOBS) --target $(addprefix fuzz_,$(FUZZ_TARGETS))
	tests/fuzz/run $(BUILD)/fuzz $(FUZZ_SECONDS) $(FUZZ_TARGETS)

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(DIST)
