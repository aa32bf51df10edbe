# make run   builds, prepares the demo database and starts the host with the RPS module.
# make test  installs what is missing, builds with sanitizers and runs every test headless.
BUILD      ?= build
TEST_BUILD ?= build-test
JOBS       ?= $(shell nproc)
# The tests wait for disks and servers about half of their time: half as many again run beside them.
TEST_JOBS  ?= $(shell echo $$(( $(JOBS) * 3 / 2 )))
GENERATOR  := $(shell command -v ninja >/dev/null 2>&1 && echo Ninja || echo "Unix Makefiles")

.PHONY: all deps build run docs test lint bench format clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKPV_TESTS=OFF -DKPV_BENCH=OFF
	cmake --build $(BUILD) -j $(JOBS)

run: build
	scripts/run.sh $(BUILD)

docs: build
	scripts/docs-pictures.sh $(BUILD)

# The tests build with clang: it compiles this code about twice as fast as GCC at -O0 with the sanitizers, and
# its precompiled headers are the ones clang-tidy reads. `make run` and `make bench` build with GCC, so the
# code stays clean for both.
test: deps
	cmake -S . -B $(TEST_BUILD) -G "$(GENERATOR)" -DCMAKE_CXX_COMPILER=$(CLANG) -DCMAKE_BUILD_TYPE=Debug -DKPV_SANITIZE=ON -DKPV_WERROR=ON -DKPV_BENCH=OFF
	cmake --build $(TEST_BUILD) -j $(JOBS)
	$(MAKE) --no-print-directory lint
	cd $(TEST_BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(TEST_JOBS)

# The habits CI keeps: the sources as clang-format writes them, and clang-tidy's checks (.clang-tidy) clean
# over the programs' sources, read with the test build's compile commands. clang-tidy 22 reads Qt's headers
# without checking them, from the build's own precompiled Qt headers (clang 22's).
CLANG_TIDY ?= clang-tidy-22
CLANG      ?= clang++-22
lint:
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
	run-$(CLANG_TIDY) -clang-tidy-binary $(CLANG_TIDY) -p $(TEST_BUILD) -j $(JOBS) -quiet '^$(CURDIR)/(accounts|appserver|db|nfse|protocol|framework|host|package|emission|filter)/' > $(TEST_BUILD)/clang-tidy.log 2>&1 \
	  || { grep -E 'warning:|error:' $(TEST_BUILD)/clang-tidy.log | sort -u; echo "lint: clang-tidy found the above (full output in $(TEST_BUILD)/clang-tidy.log)" >&2; exit 1; }

bench: deps
	cmake -S . -B build-bench -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=Release -DKPV_TESTS=OFF -DKPV_BENCH=ON
	cmake --build build-bench -j $(JOBS)
	scripts/bench.sh build-bench

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(TEST_BUILD) build-bench
