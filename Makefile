# Thin front end over CMake. `make run` and `make test` are all a new machine needs.
BUILD      ?= build
SAN_BUILD  ?= build-sanitize
PREFIX     ?= /usr/local
JOBS       ?= 2
CMAKE_ARGS ?=

CONFIGURE = cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)

.PHONY: all deps configure build run test test-sanitize install symbols bench fuzz mutants format clean

all: build

# What building and testing need; `make bench` and `make fuzz` check their own tools.
deps:
	./scripts/install-deps build test

configure: deps
	$(CONFIGURE)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

# The library, the tool and the examples only: what the demonstration runs.
run:
	./scripts/install-deps build
	$(CONFIGURE)
	cmake --build $(BUILD) -j$(JOBS) --target toveldom toveldom_tool examples
	./scripts/run-sample $(BUILD)

# Everything else too, then every test.
test: build
	@status=0; (cd $(BUILD) && ctest --output-on-failure -j$(JOBS)) || status=$$?; \
	./scripts/xmlconf-note $(BUILD); exit $$status

test-sanitize: deps
	cmake -S . -B $(SAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DTOVELDOM_SANITIZE=ON $(CMAKE_ARGS)
	cmake --build $(SAN_BUILD) -j$(JOBS)
	cd $(SAN_BUILD) && ctest --output-on-failure -j$(JOBS)

# The prefix is given at configure time too: it decides the library directory (on Debian,
# /usr installs into lib/<multiarch>) and where the library looks for its ".enc" files.
install:
	./scripts/install-deps build
	$(CONFIGURE) -DCMAKE_INSTALL_PREFIX=$(PREFIX)
	cmake --build $(BUILD) -j$(JOBS) --target toveldom toveldom_static toveldom_tool
	cmake --install $(BUILD) --prefix $(PREFIX)

# Accepts the library's current exported symbols as cmake/toveldom.symbols.
symbols: configure
	cmake --build $(BUILD) -j$(JOBS) --target toveldom
	./scripts/symbols $(BUILD)/lib/libtoveldom.so

bench:
	./scripts/install-deps build bench
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DTOVELDOM_BENCH=ON $(CMAKE_ARGS)
	cmake --build build-bench -j$(JOBS)
	./scripts/run-bench build-bench

# Builds the load fuzzer with clang and runs it for FUZZ_SECONDS (default 300).
FUZZ_SECONDS ?= 300
fuzz:
	./scripts/install-deps build fuzz
	./scripts/fuzz $(FUZZ_SECONDS)

# Injects each fault of scripts/mutants.list in turn and reports which the tests catch
# (own build folder build-mutants; not part of `make test`).
mutants:
	./scripts/install-deps build test
	./scripts/mutants --jobs $(JOBS)

format:
	clang-format -i $$(git ls-files '*.h' '*.cpp')

clean:
	rm -rf $(BUILD) $(SAN_BUILD) build-bench build-mutants
