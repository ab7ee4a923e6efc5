# Carafe: `make` builds everything into dist/; `make test` and `make demo`
# first install what they need (scripts/bootstrap).

BUILD   := build
DIST    := dist
JOBS    ?= $(shell nproc)
PYTEST  := /usr/bin/python3 -m pytest
PYTHON  := /usr/bin/python3

.PHONY: all bootstrap win32 win64 linux java release reproducible reproducible-check test unit unit-sanitized java-test e2e e2e-x86_64 e2e-i686 demo bench fuzz format clean

all: win32 win64 linux java

bootstrap:
	@scripts/bootstrap

# A configure that never finished (a compiler was missing) leaves a cache with
# empty per-configuration flags (no -Os) that later configures would keep:
# such a cache is dropped, so a build comes out the same however it started.
fresh_cache = [ -f $(1)/Makefile ] || rm -rf $(1)/CMakeCache.txt $(1)/CMakeFiles

define mingw_build
	$(call fresh_cache,$(BUILD)/$(1))
	cmake -S . -B $(BUILD)/$(1) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-$(2)-w64-mingw32.cmake -DCMAKE_BUILD_TYPE=MinSizeRel $(CMAKE_OPTIONS) >/dev/null
	cmake --build $(BUILD)/$(1) -j $(JOBS)
	mkdir -p $(DIST)/$(1) $(DIST)/$(1)/fixtures
	cp $(BUILD)/$(1)/launcher.exe $(DIST)/$(1)/launcher.exe
	if [ -f $(BUILD)/$(1)/mksetup.exe ]; then cp $(BUILD)/$(1)/mksetup.exe $(DIST)/$(1)/; fi
	if [ -f $(BUILD)/$(1)/host_java.exe ]; then cp $(BUILD)/$(1)/host_java.exe $(DIST)/$(1)/; fi
	for f in $(BUILD)/$(1)/fixture_*.exe; do [ -f "$$f" ] && cp "$$f" $(DIST)/$(1)/fixtures/ || true; done
endef

win32:
	$(call mingw_build,win32,i686)

win64:
	$(call mingw_build,win64,x86_64)

linux:
	$(call fresh_cache,$(BUILD)/linux)
	cmake -S . -B $(BUILD)/linux -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_OPTIONS) >/dev/null
	cmake --build $(BUILD)/linux -j $(JOBS)
	mkdir -p $(DIST)/linux
	if [ -f $(BUILD)/linux/mksetup ]; then cp $(BUILD)/linux/mksetup $(DIST)/linux/; fi

# The verify class, the archive reader and the example installation must load
# on every JVM from 1.1 on: javac's oldest target is 7, so mksetup checks each
# class against the API that 1.1 had and rewrites it as class-file version 45.3. An installation
# is one class file, so the example's source gets the archive reader's members
# folded in first.
JAVAC    := javac -Xlint:-options -XDsuppressNotes --release 7
JAVA_API := java/java11-api.txt
example_section = --section $(1) $(2) $(foreach f,$(sort $(wildcard java/example/$(1)/*)),--resource $(notdir $(f))=$(f))

java: linux
	mkdir -p $(BUILD)/java/classes $(DIST)/java $(DIST)/example
	$(JAVAC) -d $(BUILD)/java/classes java/Verify.java
	$(DIST)/linux/mksetup retarget $(BUILD)/java/classes/Verify.class --api $(JAVA_API) -o $(DIST)/java/Verify.class
	$(JAVAC) -d $(BUILD)/java/classes java/ArchiveReader.java
	$(DIST)/linux/mksetup retarget $(BUILD)/java/classes/ArchiveReader.class --api $(JAVA_API) -o $(DIST)/java/ArchiveReader.class
	$(PYTHON) java/amalgamate.py java/rerodova.java $(BUILD)/java/rerodova.java
	$(JAVAC) -d $(BUILD)/java/classes $(BUILD)/java/rerodova.java
	$(DIST)/linux/mksetup retarget $(BUILD)/java/classes/rerodova.class --api $(JAVA_API) -o $(BUILD)/java/rerodova.class
	$(DIST)/linux/mksetup archive --class $(BUILD)/java/rerodova.class \
	    $(call example_section,docs) $(call example_section,program,--compress) -o $(DIST)/example/rerodova.class

# The version, named once: project() in CMakeLists.txt. It is what
# mksetup --version and the launcher's version resource say.
VERSION := $(shell sed -n 's/^project.carafe VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

# $(DIST)/release/carafe-VERSION/ with SHA256SUMS, and its .tar.gz.
release: bootstrap win32 win64 linux java
	scripts/release $(DIST) $(VERSION)

# Two builds of a commit (REVISION, HEAD unless given) at two paths ship the
# same bytes. Two full builds take longer than `make test` may, so it runs on
# its own.
reproducible:
	scripts/reproducible $(REVISION)

# In `make test`: the work tree built once more elsewhere ships the same bytes.
reproducible-check: release win64
	scripts/reproducible --against $(DIST)

test: bootstrap all unit unit-sanitized java-test e2e reproducible-check

unit:
	cd $(BUILD)/linux && ctest --output-on-failure -j $(JOBS)

# The unit tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
unit-sanitized:
	$(call fresh_cache,$(BUILD)/linux-sanitized)
	cmake -S . -B $(BUILD)/linux-sanitized -DCMAKE_BUILD_TYPE=Debug -DCARAFE_SANITIZE=ON >/dev/null
	cmake --build $(BUILD)/linux-sanitized -j $(JOBS) --target unit_tests
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 $(BUILD)/linux-sanitized/unit_tests --gtest_brief=1

# The verify class and the example installation on the host JDK.
java-test:
	CARAFE_DIST=$(DIST) $(PYTEST) -q tests/java

# The end-to-end tests on both builds, side by side: x86_64 under the host's
# Wine, and i686, the product, under Wine 10's WoW64 in the root that
# scripts/bootstrap makes. Each build's cases that mostly wait (a hung JVM's
# 60-second bound) run in a session of their own beside the rest.
e2e:
	$(MAKE) --no-print-directory -j4 e2e-win64-busy e2e-win32-busy e2e-win64-waiting \
	    e2e-win32-waiting

e2e-%-busy:
	$(PYTEST) -q tests/e2e --build $* -m "not waits"

e2e-%-waiting:
	$(PYTEST) -q tests/e2e --build $* -m waits

e2e-x86_64:
	$(PYTEST) -q tests/e2e --build win64

e2e-i686:
	$(PYTEST) -q tests/e2e --build win32

demo: bootstrap all
	scripts/demo

bench: bootstrap all
	bench/run

# libFuzzer targets (tests/fuzz), built with clang in their own tree and run
# FUZZ_SECONDS each; not part of `make test`. FUZZ_TARGETS picks some.
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?= text setup_container java_archive

fuzz: bootstrap
	$(call fresh_cache,$(BUILD)/fuzz)
	cmake -S . -B $(BUILD)/fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCARAFE_FUZZ=ON >/dev/null
	cmake --build $(BUILD)/fuzz -j $(JOBS) --target $(addprefix fuzz_,$(FUZZ_TARGETS))
	tests/fuzz/run $(BUILD)/fuzz $(FUZZ_SECONDS) $(FUZZ_TARGETS)

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(DIST)
