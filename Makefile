# Thin wrapper over scripts/ and CMake. `make run` and `make test` set up the machine first.
.PHONY: run test build demo bench dist screenshots setup clean

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

dist: build
	cpack --preset release | grep -F 'package:'

screenshots:
	scripts/screenshots.sh

setup:
	scripts/setup.sh

clean:
	rm -rf build
