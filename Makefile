# Two entry points: `make demo` runs the product's main job, `make test` runs every test.
# Both install what the machine lacks first.
.PHONY: demo test bench setup

setup:
	@bash scripts/setup.sh

demo: setup
	@bash scripts/demo.sh

test: setup
	@bash scripts/test.sh

bench: setup
	@bash scripts/bench.sh
