# Two commands on a fresh Debian 12 machine: `make run` and `make test`.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
# CI builds with warnings as errors.
ifneq ($(CI),)
CMAKE_FLAGS += -DTAVLO_WERROR=ON
endif

.PHONY: all deps configure build run test bench fuzz test-sanitize contact-sheet clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

run: build
	$(BUILD)/tavlo

test: build
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

bench: build
	@cmake --build $(BUILD) --target bench -j$(JOBS)

# The GIF fuzzer (clang, AddressSanitizer, UndefinedBehaviorSanitizer),
# built apart from the main build and run for FUZZ_SECONDS.
FUZZ_SECONDS ?= 300
fuzz:
	@fuzz/run.sh $(BUILD)/fuzz $(FUZZ_SECONDS) $(BUILD)/assets

# Every shipped picture on one sheet: $(BUILD)/contact-sheet.png
contact-sheet: configure
	@cmake --build $(BUILD) -j$(JOBS) --target tavlo_asset_files
	@tools/make-assets/contact-sheet.sh $(BUILD)

clean:
	rm -rf $(BUILD) build-*
