# The two commands of the project. Each installs what it needs, configures and builds.
#   make run   - runs the application (until it exists: plays a demo mix package)
#   make test  - builds and runs every test, in a normal and a sanitizer build
.PHONY: run test build deps bench format lint clean

JOBS ?= $(shell nproc)

deps:
	@bash scripts/setup-deps.sh

build: deps
	@cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEPHRUN_BENCH=ON >/dev/null
	@cmake --build build -j $(JOBS)

run: build
	@bash scripts/run.sh

test: deps
	@bash scripts/test.sh

bench: build
	@for b in build/bench/*_bench; do echo "== $$b"; $$b; done

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

lint: deps
	@JOBS=$(JOBS) bash scripts/lint.sh

clean:
	rm -rf build build-asan build-fuzz out
