# Shortcuts over the CMake build.  `make example` and `make check` are all a
# new machine needs: they install flex and bison when missing.
BUILD ?= build
BUILD_SAN ?= build-sanitize
JOBS ?= 2
EXAMPLE ?= examples/fetch_decode.zan

.PHONY: all deps build example check check-sanitize clean

all: build

deps:
	@bash .ci/install-deps

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build $(BUILD) -j$(JOBS)

# Assemble the bundled example and show the microwords it gives.
example: build
	$(BUILD)/zanfo $(EXAMPLE)
	@cat $(basename $(EXAMPLE)).mic

check: build
	ctest --test-dir $(BUILD) --output-on-failure -j$(JOBS)

# The whole suite again with AddressSanitizer and UndefinedBehaviorSanitizer.
check-sanitize: deps
	cmake -S . -B $(BUILD_SAN) -DCMAKE_BUILD_TYPE=Debug -DZANFO_SANITIZE=ON >/dev/null
	cmake --build $(BUILD_SAN) -j$(JOBS)
	ctest --test-dir $(BUILD_SAN) --output-on-failure -j$(JOBS)

clean:
	rm -rf $(BUILD) $(BUILD_SAN)
