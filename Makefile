# Thin wrapper over scripts/ and CMake. `make run` and `make test` set up the machine first.
.PHONY: run test build demo bench dist screenshots lint setup clean

run:
	scripts/run.sh

test:
	scripts/test.sh

build: setup
	cmake --preset release >/dev/null && cmake --build --preset release

demo:
	scripts/demo.sh

bench:
	scripts/bench.sh

# The zip is dated from the last commit, so that the same sources give the same bytes.
dist: build
	SOURCE_DATE_EPOCH=$$(git log -1 --format=%ct) cmake --build --preset release --target dist | grep -F 'dist:'

screenshots:
	scripts/screenshots.sh

# The naming style (.clang-tidy), checked by clang-tidy: minutes, so not part of `make test`.
lint:
	scripts/lint.sh

setup:
	scripts/setup.sh

clean:
	rm -rf build
