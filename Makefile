# Short names for the CMake presets; every target installs what it lacks first.
.PHONY: all deps build run test system-test clean

WERROR ?= OFF
BUILD_DIR := build/default
CONFIGURE := cmake --preset default -DVANTREL_WARNINGS_AS_ERRORS=$(WERROR)

all: build

deps:
	@scripts/ensure-packages.sh cmake ninja-build g++ libgtest-dev libgmock-dev

build: deps
	@$(CONFIGURE) >/dev/null
	@cmake --build --preset default

# Measures now: samples until the machine has been idle for ten seconds.
run: build
	$(BUILD_DIR)/vantrel /run

test: build
	@ctest --preset default

# Tests that need an idle machine, one at a time.
system-test: build
	@ctest --preset system

clean:
	rm -rf build
