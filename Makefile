# Two commands on a fresh Debian 12 machine: `make run` and `make test`.
BUILD ?= build
JOBS ?= $(shell nproc)
# The end-to-end tests spend most of their time waiting on the game's own
# animations, so more tests than cores run at once.
TEST_JOBS ?= $(shell echo $$(( $$(nproc) * 2 )))
CMAKE_FLAGS ?=
# CI builds with warnings as errors.
ifneq ($(CI),)
CMAKE_FLAGS += -DTAVLO_WERROR=ON
endif

DEPS_GROUPS = build test bench fuzz package

.PHONY: all deps $(DEPS_GROUPS:%=deps-%) configure build run test bench fuzz test-sanitize contact-sheet package soak clean

all: build

# The Debian packages each target needs, by group (scripts/install-deps.sh):
# building and running need only "build"; the others add to it.
deps: deps-build
$(DEPS_GROUPS:%=deps-%): deps-%:
	@scripts/install-deps.sh $*

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

run: build
	$(BUILD)/tavlo

test: deps-test build
	@cd $(BUILD) && ctest --output-on-failure -j$(TEST_JOBS)

bench: deps-bench build
	@cmake --build $(BUILD) --target bench -j$(JOBS)

# The GIF fuzzer (clang, AddressSanitizer, UndefinedBehaviorSanitizer),
# built apart from the main build and run for FUZZ_SECONDS.
FUZZ_SECONDS ?= 300
fuzz: deps-fuzz
	@fuzz/run.sh $(BUILD)/fuzz $(FUZZ_SECONDS) $(BUILD)/assets

# The whole test suite under AddressSanitizer and UndefinedBehaviorSanitizer,
# in its own build folder. Leak reports that come only from system libraries
# are suppressed in tests/sanitize/lsan.supp. Left out: the GIF fuzz smoke
# test (it carries its own sanitizers and already runs in `make test`), the
# whole-game end-to-end runs (minutes each under the sanitizers; e2e_window
# still drives the real binary from start to Quitter), the real-sound
# recordings and the screen reader's listening, whose timing the sanitizers'
# slowdown breaks up, the monkey's storm (minutes as well) and the package,
# which is no different there.
SANITIZE_BUILD ?= build-sanitize
SANITIZE_EXCLUDE ?= ^(gif_fuzz_smoke|e2e_game_.*|e2e_monkey_.*|e2e_package|e2e_sound|real_sound|real_sound_noglib|e2e_access_orca)$$
SANITIZE_ENV = ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1:detect_stack_use_after_return=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitize/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
test-sanitize: deps-test
	@cmake -S . -B $(SANITIZE_BUILD) $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DTAVLO_SANITIZE=ON -DTAVLO_WERROR=ON >/dev/null
	@cmake --build $(SANITIZE_BUILD) -j$(JOBS)
	@cd $(SANITIZE_BUILD) && $(SANITIZE_ENV) ctest --output-on-failure -j$(JOBS) -E '$(SANITIZE_EXCLUDE)'

# The Debian package, $(BUILD)/tavlo_<version>_amd64.deb, and lintian's
# verdict on it (errors fail the target).
package: deps-package build
	@cd $(BUILD) && cpack -G DEB
	@lintian --fail-on error $(BUILD)/tavlo_*_amd64.deb

# The monkey's storm at length: three seeds of 1,000 actions each, one
# after the other (each takes several minutes).
SOAK_SEEDS ?= 1 2 3
SOAK_ACTIONS ?= 1000
soak: deps-test build
	@cmake --build $(BUILD) -j$(JOBS) --target board-probe
	@for seed in $(SOAK_SEEDS); do \
		TAVLO=$(CURDIR)/$(BUILD)/tavlo BOARD_PROBE=$(CURDIR)/$(BUILD)/tests/e2e/board-probe \
		QT_LOGGING_RULES='qt.qpa.*=false' tests/e2e/e2e_monkey.sh $$seed $(SOAK_ACTIONS) || exit 1; \
	done

# Every shipped picture on one sheet: $(BUILD)/contact-sheet.png
contact-sheet: deps-test configure
	@cmake --build $(BUILD) -j$(JOBS) --target tavlo_asset_files
	@tools/make-assets/contact-sheet.sh $(BUILD)

clean:
	rm -rf $(BUILD) build-*
