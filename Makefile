# Shortcuts over the CMake build.  `make example` and `make check` are all a
# new machine needs: `deps`, which every build goes through, installs the
# Debian packages of .ci/packages that are missing (the compilers, the
# programs that read zanfo-rom's images back, emscripten, Chromium...), so
# that `make check` runs every test and skips none.
BUILD ?= build
BUILD_SAN ?= build-sanitize
JOBS ?= 2
EXAMPLE ?= examples/fetch_decode.zan
BUILD_FUZZ ?= build-fuzz
FUZZ_TIME ?= 600
FUZZ_SMOKE_TIME ?= 90
BUILD_WEB ?= $(BUILD)/web
FUZZ_DUMP_SMOKE_TIME ?= 30
FUZZ_SIM_SMOKE_TIME ?= 30
FUZZ_LISTING_SMOKE_TIME ?= 30
FUZZ_CHECK_SMOKE_TIME ?= 45
FUZZ_PROVE_SMOKE_TIME ?= 30
FUZZ_LSP_SMOKE_TIME ?= 45
ROUNDTRIP ?= 100000
VALGRIND ?= valgrind -q --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite,indirect

# The build's make is a make run from this one: without this it names
# every folder it enters and leaves.
MAKEFLAGS += --no-print-directory

.PHONY: all deps build example check check-sanitize bench bench-smoke bench-sim bench-check bench-grading bench-prove bench-lsp fuzz-build fuzz fuzz-smoke check-valgrind clean roundtrip
.PHONY: web check-web bench-web hdl ice40 bench-hdl vscode

all: build

deps:
	@bash .ci/install-deps

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build $(BUILD) -j$(JOBS)

# Build every command and the playground, then take a copy of the bundled
# example through the toolchain in $(BUILD)/example/: assemble it, read the
# microwords back, and run it on the simulator with its test cases.  The
# checked-in .mic beside the example is what the tests compare zanfo with:
# it must never be overwritten from here.
EXAMPLE_DIR = $(BUILD)/example
example: build web
	@mkdir -p $(EXAMPLE_DIR)
	cp $(EXAMPLE) $(basename $(EXAMPLE)).test $(basename $(EXAMPLE)).map $(EXAMPLE_DIR)/
	$(BUILD)/zanfo $(EXAMPLE_DIR)/$(notdir $(EXAMPLE))
	$(BUILD)/zanfo-dump $(EXAMPLE_DIR)/$(basename $(notdir $(EXAMPLE))).mic
	cd $(EXAMPLE_DIR) && ../zanfo-sim --map $(basename $(notdir $(EXAMPLE))).map \
	    --test $(basename $(notdir $(EXAMPLE))).test $(basename $(notdir $(EXAMPLE))).mic
	@echo "The playground: open $(abspath $(BUILD_WEB))/site/index.html in a browser"

# Every test: the commands, the documents, the package, the playground
# under node and in headless Chromium, and the editors (Vim, Neovim, the
# VS Code extension under node).
check: build web vscode
	ZANFO_WEB_REQUIRED=1 ZANFO_VSCODE_REQUIRED=1 ctest --test-dir $(BUILD) --output-on-failure -j$(JOBS)

# The whole suite again with AddressSanitizer and UndefinedBehaviorSanitizer,
# but for the tests labelled "heavy" (co-simulation, synthesis, long runs of
# generated programs), which `make check` has run once already.
check-sanitize: deps
	cmake -S . -B $(BUILD_SAN) -DCMAKE_BUILD_TYPE=Debug -DZANFO_SANITIZE=ON >/dev/null
	cmake --build $(BUILD_SAN) -j$(JOBS)
	ctest --test-dir $(BUILD_SAN) --output-on-failure -j$(JOBS) -LE heavy

# zanfo against GNU as on generated programs of 10^4 to 10^6
# microinstructions, built in Release in build-release/ (see bench/README.md).
bench: deps
	bash bench/run.sh

# The same on 10^4 microinstructions only: checks that the benchmark runs.
bench-smoke: deps
	bash bench/run.sh --smoke

# zanfo-sim's cycles per second and load time (see bench/README.md).
bench-sim: deps
	bash bench/sim.sh

# The board's testbench under Verilator and Icarus Verilog beside zanfo-sim,
# in cycles per second (see bench/README.md).
bench-hdl: deps
	bash bench/hdl.sh

# zanfo-check on 4096-word programs: the analysis and the command (see bench/README.md).
bench-check: deps
	bash bench/check.sh

# zanfo-sim grading: 10,000 reference cases, and a class of 200 programs of
# 20 cases each (see bench/README.md).
bench-grading: deps
	bash bench/grading.sh

# zanfo-prove's times on the routines of bench/prove/ (see bench/README.md).
bench-prove: deps
	bash bench/prove.sh

# zanfo-lsp's time from a change of a 4096-word program to its diagnostics
# (see bench/README.md).
bench-lsp: deps
	bash bench/lsp.sh

# The libFuzzer target, built with clang and the sanitizers in build-fuzz/.
fuzz-build: deps
	@bash .ci/install-deps clang libclang-rt-14-dev
	cmake -S . -B $(BUILD_FUZZ) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	      -DZANFO_SANITIZE=ON -DZANFO_FUZZ=ON -DZANFO_TESTS=OFF >/dev/null
	cmake --build $(BUILD_FUZZ) -j$(JOBS) --target zanfo_fuzz zanfo_dump_fuzz zanfo_sim_fuzz zanfo_listing_fuzz zanfo_check_fuzz zanfo_prove_fuzz \
	      zanfo_lsp_fuzz

# Fuzz for FUZZ_TIME seconds on one core (see fuzz/README.md); fails on any
# crash, sanitizer report, leak or hang.  fuzz-smoke is the short run of CI.
fuzz: fuzz-build
	bash fuzz/run.sh $(BUILD_FUZZ)/fuzz/zanfo_fuzz $(FUZZ_TIME)

fuzz-smoke: fuzz-build
	@echo "fuzzing for $(FUZZ_SMOKE_TIME) s, log in $(BUILD_FUZZ)/fuzz-smoke.log"
	@bash fuzz/run.sh $(BUILD_FUZZ)/fuzz/zanfo_fuzz $(FUZZ_SMOKE_TIME) \
	    > $(BUILD_FUZZ)/fuzz-smoke.log 2>&1 || { tail -n 120 $(BUILD_FUZZ)/fuzz-smoke.log; exit 1; }
	@grep -E 'DONE|^Done|^stat::' $(BUILD_FUZZ)/fuzz-smoke.log
	@echo "fuzzing zanfo-dump's reader and decoder for $(FUZZ_DUMP_SMOKE_TIME) s, log in $(BUILD_FUZZ)/fuzz-dump-smoke.log"
	@bash fuzz/run_mic.sh dump $(BUILD_FUZZ)/fuzz/zanfo_dump_fuzz $(FUZZ_DUMP_SMOKE_TIME) \
	    > $(BUILD_FUZZ)/fuzz-dump-smoke.log 2>&1 || { tail -n 120 $(BUILD_FUZZ)/fuzz-dump-smoke.log; exit 1; }
	@grep -E 'DONE|^Done|^stat::' $(BUILD_FUZZ)/fuzz-dump-smoke.log
	@echo "fuzzing zanfo-sim's loading and running for $(FUZZ_SIM_SMOKE_TIME) s, log in $(BUILD_FUZZ)/fuzz-sim-smoke.log"
	@bash fuzz/run_mic.sh sim $(BUILD_FUZZ)/fuzz/zanfo_sim_fuzz $(FUZZ_SIM_SMOKE_TIME) \
	    > $(BUILD_FUZZ)/fuzz-sim-smoke.log 2>&1 || { tail -n 120 $(BUILD_FUZZ)/fuzz-sim-smoke.log; exit 1; }
	@grep -E 'DONE|^Done|^stat::' $(BUILD_FUZZ)/fuzz-sim-smoke.log
	@echo "fuzzing zanfo-dump --listing for $(FUZZ_LISTING_SMOKE_TIME) s, log in $(BUILD_FUZZ)/fuzz-listing-smoke.log"
	@ZANFO_FUZZ_NAME=listing bash fuzz/run.sh $(BUILD_FUZZ)/fuzz/zanfo_listing_fuzz $(FUZZ_LISTING_SMOKE_TIME) -max_len=8192 \
	    > $(BUILD_FUZZ)/fuzz-listing-smoke.log 2>&1 || { tail -n 120 $(BUILD_FUZZ)/fuzz-listing-smoke.log; exit 1; }
	@grep -E 'DONE|^Done|^stat::' $(BUILD_FUZZ)/fuzz-listing-smoke.log
	@echo "fuzzing zanfo-check's analysis for $(FUZZ_CHECK_SMOKE_TIME) s, log in $(BUILD_FUZZ)/fuzz-check-smoke.log"
	@bash fuzz/run_mic.sh check $(BUILD_FUZZ)/fuzz/zanfo_check_fuzz $(FUZZ_CHECK_SMOKE_TIME) \
	    > $(BUILD_FUZZ)/fuzz-check-smoke.log 2>&1 || { tail -n 120 $(BUILD_FUZZ)/fuzz-check-smoke.log; exit 1; }
	@grep -E 'DONE|^Done|^stat::' $(BUILD_FUZZ)/fuzz-check-smoke.log
	@echo "fuzzing zanfo-prove's property reader for $(FUZZ_PROVE_SMOKE_TIME) s, log in $(BUILD_FUZZ)/fuzz-prove-smoke.log"
	@bash fuzz/run_mic.sh prove $(BUILD_FUZZ)/fuzz/zanfo_prove_fuzz $(FUZZ_PROVE_SMOKE_TIME) \
	    > $(BUILD_FUZZ)/fuzz-prove-smoke.log 2>&1 || { tail -n 120 $(BUILD_FUZZ)/fuzz-prove-smoke.log; exit 1; }
	@grep -E 'DONE|^Done|^stat::' $(BUILD_FUZZ)/fuzz-prove-smoke.log
	@echo "fuzzing zanfo-lsp's messages and sessions for $(FUZZ_LSP_SMOKE_TIME) s, log in $(BUILD_FUZZ)/fuzz-lsp-smoke.log"
	@bash fuzz/run_lsp.sh $(BUILD_FUZZ)/fuzz/zanfo_lsp_fuzz $(FUZZ_LSP_SMOKE_TIME) \
	    > $(BUILD_FUZZ)/fuzz-lsp-smoke.log 2>&1 || { tail -n 120 $(BUILD_FUZZ)/fuzz-lsp-smoke.log; exit 1; }
	@grep -E 'DONE|^Done|^stat::' $(BUILD_FUZZ)/fuzz-lsp-smoke.log

# zanfo-dump --source's round trip over ROUNDTRIP generated programs (ctest
# runs a few thousand); ROUNDTRIP_SEED picks other programs.
roundtrip: build
	ZANFO_ROUNDTRIP_PROGRAMS=$(ROUNDTRIP) ZANFO_ROUNDTRIP_SEED=$(or $(ROUNDTRIP_SEED),1) \
	    $(BUILD)/tests/zanfo_dump_tests --gtest_filter='SourceRoundTrip.Generated*'

# The unit tests and every end-to-end case under valgrind's memcheck: any
# invalid access, use of undefined memory or leak fails the test.
check-valgrind: build
	@bash .ci/install-deps valgrind
	$(VALGRIND) $(BUILD)/tests/zanfo_unit_tests >/dev/null
	$(VALGRIND) $(BUILD)/tests/zanfo_rom_tests >/dev/null
	ZANFO_WRAPPER="$(VALGRIND)" ctest --test-dir $(BUILD) --output-on-failure -j$(JOBS) -R '^e2e\.'

# The playground: zanfo in WebAssembly and its page, in $(BUILD_WEB)/site
# (see web/README.md).  The last line printed is that folder: open its
# index.html, or serve it with any static server.
web: deps
	@JOBS=$(JOBS) bash web/build.sh $(BUILD_WEB)

# The VS Code extension, $(BUILD)/vscode/zanfo.vsix (see editors/README.md):
# vscode-languageclient and @vscode/vsce from npm, pinned in
# editors/vscode/package-lock.json, go into $(BUILD)/vscode/extension.
vscode: deps
	@bash editors/vscode/build.sh $(BUILD)/vscode

# The playground's tests: the WebAssembly assembler against zanfo under
# node, and the page in headless Chromium.
check-web: build web
	ZANFO_WEB_REQUIRED=1 ctest --test-dir $(BUILD) --output-on-failure -R '^web\.'

# Page load time, assembly time of a whole control store in the browser, the
# simulator's cycles per second, and the page's size compressed (bench/web.mjs).
bench-web: build web
	ZANFO_WEB_BUILD=$(BUILD_WEB) node bench/web.mjs

# The board's testbench, compiled by Icarus Verilog ($(BUILD)/hdl/zanfo_tb.vvp)
# and by Verilator ($(BUILD)/hdl/verilator/zanfo_tb); see the manual's
# chapter "Building the machine".
hdl: build
	cmake --build $(BUILD) -j$(JOBS) --target zanfo_tb_icarus zanfo_tb_verilator

# The board on an iCE40-HX8K breakout board, synthesized, placed and routed
# once into $(BUILD)/ice40/ (a few minutes; not in CI, which synthesizes
# with yosys only), with its figures; with PROGRAM=prog.mic (and
# MAPPING=prog.map) that program's image, checked against the testbench.
ice40: build
	cmake --build $(BUILD) --target zanfo_tb_icarus
	ZANFO_ROM=$(BUILD)/zanfo-rom TESTBENCH=$(BUILD)/hdl/zanfo_tb.vvp \
	    bash hdl/ice40/build.sh $(BUILD)/ice40 $(PROGRAM) $(MAPPING)

clean:
	rm -rf $(BUILD) $(BUILD_SAN) $(BUILD_FUZZ)
