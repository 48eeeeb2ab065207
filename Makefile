# ZiRuri: make run | make test | make dist | make bench | make fuzz | make docs-shots
SHELL := /bin/bash
.PHONY: all setup build run test dist bench fuzz docs-shots format clean

all: build

setup:
	@bash scripts/setup.sh

build: setup
	@cmake --preset native >/dev/null && cmake --build --preset native
	@cmake --preset mingw >/dev/null && cmake --build --preset mingw

run: setup
	@bash scripts/run.sh

test:
	@bash scripts/test.sh

dist: setup
	@bash scripts/dist.sh

bench: setup
	@bash scripts/bench.sh

fuzz: setup
	@bash scripts/fuzz.sh

docs-shots: setup
	@bash scripts/docs-shots.sh

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build dist
