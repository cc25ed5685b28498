# Thin front end over CMake. `make run` and `make test` are all a new machine needs.
BUILD      ?= build
SAN_BUILD  ?= build-sanitize
PREFIX     ?= /usr/local
JOBS       ?= 2
CMAKE_ARGS ?=

.PHONY: all deps configure build run test test-sanitize install bench fuzz mutants format clean

all: build

deps:
	./scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

run: build
	./scripts/run-sample $(BUILD)

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

test-sanitize: deps
	cmake -S . -B $(SAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DTOVELDOM_SANITIZE=ON $(CMAKE_ARGS)
	cmake --build $(SAN_BUILD) -j$(JOBS)
	cd $(SAN_BUILD) && ctest --output-on-failure -j$(JOBS)

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

bench: deps
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DTOVELDOM_BENCH=ON $(CMAKE_ARGS)
	cmake --build build-bench -j$(JOBS)
	./scripts/run-bench build-bench

# Builds the load fuzzer with clang and runs it for FUZZ_SECONDS (default 300).
FUZZ_SECONDS ?= 300
fuzz: deps
	./scripts/fuzz $(FUZZ_SECONDS)

# Injects each fault of scripts/mutants.list in turn and reports which the tests catch
# (own build folder build-mutants; not part of `make test`).
mutants: deps
	./scripts/mutants --jobs $(JOBS)

format:
	clang-format -i $$(git ls-files '*.h' '*.cpp')

clean:
	rm -rf $(BUILD) $(SAN_BUILD) build-bench build-mutants
